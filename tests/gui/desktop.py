"""An X server of the tests' own, with or without a window manager, and the
program started on it with a settings folder of its own."""

import os
import random
import subprocess
import sys
import tempfile
import time

WAIT_SECONDS = 20
POLL_SECONDS = 0.05
DISPLAY_RANGE = (200, 900)
SERVER_ATTEMPTS = 20
WM_ATTEMPTS = 3


def wait_for(what, probe):
    """Polls `probe` until it returns something true; fails after WAIT_SECONDS."""
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(POLL_SECONDS)
    raise AssertionError("timed out waiting for " + what)


def xdotool(*args):
    """Runs xdotool and returns what it printed."""
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


class Desktop:
    """Xvfb, optionally openbox, and the program, stopped again in reverse order.

    `skin` writes the per-user skin setting before the program starts."""

    def __init__(self, program, skin=None, window_manager=True):
        self.program = program
        self.skin = skin
        self.window_manager = window_manager
        self.processes = []

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        os.environ["DISPLAY"] = self._start_server()
        if self.window_manager:
            self._start_window_manager()

        self.config = tempfile.TemporaryDirectory(prefix="vardenix-gui-")
        if self.skin is not None:
            os.makedirs(os.path.join(self.config.name, "Vardenix"))
            with open(os.path.join(self.config.name, "Vardenix", "Vardenix.conf"), "w") as conf:
                conf.write(f"[Options]\nCurrent%20Skin={self.skin}\n")
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   XDG_CONFIG_HOME=self.config.name)
        self.app = self._spawn([self.program], env=env)

    def _start_window_manager(self):
        # openbox now and then ends at once, silently, on a fresh server; a
        # second start comes up.
        for attempt in range(WM_ATTEMPTS):
            openbox = self._spawn(["openbox"])

            def ready():
                return openbox.poll() is not None or "window id" in subprocess.run(
                    ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True).stdout

            wait_for("openbox", ready)
            if openbox.poll() is None:
                return
            openbox.log.seek(0)
            print(f"openbox ended with {openbox.returncode}: {openbox.log.read().strip()}", file=sys.stderr)
            self.processes.remove(openbox)
        raise RuntimeError("openbox does not start")

    def _start_server(self):
        # Other suites share this machine and its /tmp: start at a random
        # display and let the server's lock file refuse a number that is taken.
        first = random.randrange(*DISPLAY_RANGE)
        for number in range(first, first + SERVER_ATTEMPTS):
            server = self._spawn(["Xvfb", f":{number}", "-br", "-nolisten", "tcp", "-screen", "0", "1024x768x24"])

            def ours():
                # The lock names the server that owns the display.
                try:
                    with open(f"/tmp/.X{number}-lock") as lock:
                        owner = int(lock.read().strip() or 0)
                except (OSError, ValueError):
                    owner = 0
                return owner == server.pid and os.path.exists(f"/tmp/.X11-unix/X{number}")

            wait_for("Xvfb", lambda: server.poll() is not None or ours())
            if server.poll() is None:
                return f":{number}"
            self.processes.remove(server)
        raise RuntimeError("no free display for Xvfb")

    def _spawn(self, argv, **kwargs):
        # Each process's messages go to a file of its own, shown if it fails.
        log = tempfile.TemporaryFile(mode="w+")
        process = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=log, **kwargs)
        process.log = log
        self.processes.append(process)
        return process

    def program_window(self):
        """The id of the program's visible top-level window, once it is mapped."""
        out = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(self.app.pid)],
                             check=True, capture_output=True, text=True, timeout=WAIT_SECONDS).stdout
        return out.split()[0]

    def __exit__(self, *exc):
        stop(self.processes)
        if hasattr(self, "config"):
            self.config.cleanup()
        return False


def stop(processes):
    """Ends the processes, the last started first, killing any that do not end."""
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def window_geometry(window_id):
    """Absolute x, y, width, height of a window, as xwininfo reports them."""
    info = subprocess.run(["xwininfo", "-id", window_id], check=True, capture_output=True, text=True).stdout
    fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
    return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def stacking():
    """The window manager's client windows, bottom to top."""
    out = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], check=True, capture_output=True,
                         text=True).stdout
    return [int(w, 16) for w in out.split("#")[1].replace(",", " ").split()]


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True)


def pixels(image, x, y, width=1, height=1):
    """The (r, g, b) of each pixel of a rectangle of an image file, by its
    position in the file, read with ImageMagick."""
    out = subprocess.run(["convert", f"{image}[{width}x{height}+{x}+{y}]", "-depth", "8", "txt:-"],
                         check=True, capture_output=True, text=True).stdout
    found = {}
    for line in out.splitlines()[1:]:
        where, colour = line.split(":", 1)
        px, py = (int(v) for v in where.split(","))
        found[(x + px, y + py)] = tuple(int(float(v)) for v in colour.split("(")[1].split(")")[0].split(",")[:3])
    return found


def pixel(image, x, y):
    return pixels(image, x, y)[(x, y)]
