#pragma once
// Runs the real vardenix-cli for the end-to-end tests: once over a whole
// input, or as a session on pipes that answers row by row.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace vardenix_test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ScratchPath(std::string_view suffix) {
  static int counter = 0;
  return testing::TempDir() + "vardenix-cli-" + std::to_string(getpid()) + "-" + std::to_string(counter++) +
         std::string(suffix);
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Standard output goes to `out_path` when given, else to a file read back.
inline Result RunCli(const std::vector<std::string>& args, std::string_view input = {}, const char* out_path = nullptr) {
  const std::string in = ScratchPath(".in"), out = out_path ? out_path : ScratchPath(".out"), err = ScratchPath(".err");
  WriteFile(in, input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv{const_cast<char*>(VARDENIX_CLI)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, VARDENIX_CLI, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  Result r;
  int status = 0;
  if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
  r.err = ReadFile(err);
  if (!out_path) {
    r.out = ReadFile(out);
    std::filesystem::remove(out);
  }
  for (const std::string& p : {in, err}) std::filesystem::remove(p);
  return r;
}

// vardenix-cli on pipes: the test writes input when it likes and reads each
// answer as it comes, with a deadline so that a tool that holds its answers
// back fails the test instead of hanging it.
class PipedCli {
public:
  // `nonblocking_input`: the tool's standard input comes non-blocking, as a
  // careless parent may leave it.
  explicit PipedCli(const std::vector<std::string>& args, bool nonblocking_input = false) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    if (nonblocking_input) fcntl(in[0], F_SETFL, fcntl(in[0], F_GETFL) | O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv{const_cast<char*>(VARDENIX_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VARDENIX_CLI, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~PipedCli() {
    CloseInput();
    if (from_ >= 0) close(from_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  PipedCli(const PipedCli&) = delete;
  PipedCli& operator=(const PipedCli&) = delete;

  bool Write(std::string_view text) {
    return to_ >= 0 && write(to_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
  void CloseInput() {
    if (to_ >= 0) close(to_);
    to_ = -1;
  }
  // What arrives until it holds `lines` line ends, the tool ends its output,
  // or `wait` passes.
  std::string ReadLines(int lines, std::chrono::milliseconds wait = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string got;
    while (std::count(got.begin(), got.end(), '\n') < lines) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{from_, POLLIN, 0};
      if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      char block[4096];
      const ssize_t n = read(from_, block, sizeof block);
      if (n <= 0) break;
      got.append(block, static_cast<std::size_t>(n));
    }
    return got;
  }
  // Writes all of `input` while discarding whatever the tool answers, so that
  // neither side waits for the other.
  bool Pump(std::string_view input) {
    fcntl(to_, F_SETFL, fcntl(to_, F_GETFL) | O_NONBLOCK);
    while (!input.empty()) {
      pollfd ready[] = {{to_, POLLOUT, 0}, {from_, POLLIN, 0}};
      if (poll(ready, 2, 20000) <= 0) return false;
      char block[65536];
      if (ready[1].revents != 0 && read(from_, block, sizeof block) <= 0) return false;
      if (ready[0].revents == 0) continue;
      const ssize_t n = write(to_, input.data(), input.size());
      if (n < 0 && errno != EAGAIN) return false;
      if (n > 0) input.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  // The tool's peak resident memory so far, its own (a spawned child's
  // rusage also counts its parent's memory).
  long PeakMemoryKiB() const {
    std::istringstream status(ReadFile("/proc/" + std::to_string(pid_) + "/status"));
    std::string line;
    while (std::getline(status, line))
      if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
  }
  // The exit status once the tool has ended, -1 if it did not end normally.
  int Wait() {
    int status = 0;
    const bool ended = pid_ > 0 && waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

}  // namespace vardenix_test
