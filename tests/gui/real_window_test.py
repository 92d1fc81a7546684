#!/usr/bin/python3
"""Drives the real calculation window on an X server of its own.

Starts Xvfb and openbox, starts the program, and for every step of the case
table selects the section, types into the boxes with xdotool, presses the
compute button and reads the result boxes back through accessibility. A
rejected input must raise the message box, which is closed with Enter; the
focus must then be on the rejected box.

Run it inside a session bus of its own (pyatspi needs one):
    dbus-run-session -- /usr/bin/python3 real_window_test.py PROGRAM CASES.json [SHOT.png]

With SHOT.png it also saves a screenshot of the screen after the last step.
"""

import json
import os
import random
import subprocess
import sys
import tempfile
import time

# Accessible names of the boxes: the texts of their caption labels.
TEXT1_NAMES = {1: "半    径：", 2: "底(顶)宽：", 3: "平均宽度：", 4: "边坡坡度：",
               5: "边坡坡度（后项）", 6: "直墙高度：", 7: "顶拱角度："}
FOCUS_NAMES = {"TextQ": "流量：", "Text1(1)": TEXT1_NAMES[1], "Text1(2)": TEXT1_NAMES[2]}
SHAPES = {1: "圆形断面", 2: "矩形断面", 3: "梯形断面", 4: "三角形断面", 5: "门洞形断面"}
MESSAGE_TITLE = "提示"
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
    subprocess.run(["xdotool", *args], check=True)


class Desktop:
    """Xvfb, openbox and the program, stopped again in reverse order."""

    def __init__(self, program):
        self.program = program
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
        self._start_window_manager()

        self.config = tempfile.TemporaryDirectory(prefix="vardenix-gui-")
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

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if hasattr(self, "config"):
            self.config.cleanup()
        return False


class Window:
    """The running program as accessibility shows it."""

    def __init__(self, pid):
        import pyatspi  # only once DISPLAY names our own server
        self.atspi = pyatspi
        # The program registers shortly after its window appears.
        self.app = wait_for("the program's accessible application", lambda: next(
            (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid), None))
        self.frame = wait_for("the calculation window", lambda: next(
            (c for c in self.app if c.name.startswith("Vardenix")), None))

    def find(self, name, role):
        return wait_for(f"{name!r}", lambda: self.atspi.findDescendant(
            self.frame, lambda n: n.name == name and n.getRole() == role))

    def box(self, name):
        return self.find(name, self.atspi.ROLE_TEXT)

    def click(self, node):
        x, y, w, h = node.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        xdotool("mousemove", str(x + w // 2), str(y + h // 2), "click", "1")

    def retype(self, node, text):
        self.click(node)
        xdotool("key", "ctrl+a", "BackSpace")
        if text:
            xdotool("type", "--delay", "20", text)
        wait_for(f"{text!r} in {node.name!r}", lambda: self.text(node) == text)

    def text(self, node):
        return node.queryText().getText(0, -1)

    def enabled(self, node):
        return node.getState().contains(self.atspi.STATE_ENABLED)

    def focused(self, node):
        return node.getState().contains(self.atspi.STATE_FOCUSED)

    def message_box(self):
        return next((c for c in self.app if c.name == MESSAGE_TITLE
                     and c.getState().contains(self.atspi.STATE_SHOWING)), None)


def run_step(window, step):
    window.click(window.find(SHAPES[step["section"]], window.atspi.ROLE_RADIO_BUTTON))
    window.retype(window.box("流量："), step["Q"])
    for index, name in TEXT1_NAMES.items():
        box = window.box(name)
        if window.enabled(box):
            window.retype(box, step["Text1"].get(str(index), ""))
    window.click(window.find("开始计算", window.atspi.ROLE_PUSH_BUTTON))

    if "message" in step:
        box = wait_for("the message box", window.message_box)
        shown = [n.name for n in window.atspi.findAllDescendants(box, lambda n: n.getRole() == window.atspi.ROLE_LABEL)]
        if step["message"] not in shown:
            raise AssertionError(f"message box shows {shown}, expected {step['message']!r}")
        buttons = [n.name for n in window.atspi.findAllDescendants(
            box, lambda n: n.getRole() == window.atspi.ROLE_PUSH_BUTTON)]
        if buttons != ["确定"]:
            raise AssertionError(f"message box offers {buttons}, expected only 确定")
        xdotool("key", "Return")
        wait_for("the message box to close", lambda: window.message_box() is None)
        wait_for(f"focus on {step['focus']}", lambda: window.focused(window.box(FOCUS_NAMES[step["focus"]])))

    depth, width = window.box("临界水深"), window.box("水面宽度")
    wait_for("the results", lambda: window.text(depth) == step["depth"] and window.text(width) == step["width"])
    if window.message_box() is not None:
        raise AssertionError("a message box is still open")


def main(program, cases_path, screenshot=None):
    with open(cases_path, encoding="utf-8") as cases:
        steps = json.load(cases)["steps"]
    failures = 0
    with Desktop(program) as desktop:
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(desktop.app.pid)],
                       check=True, stdout=subprocess.DEVNULL, timeout=WAIT_SECONDS)
        window = Window(desktop.app.pid)
        for step in steps:
            try:
                run_step(window, step)
                print("PASS", step["name"])
            except AssertionError as failure:
                failures += 1
                print("FAIL", step["name"], "-", failure)
                # Later steps depend on this one's members: stop here.
                break
        if screenshot:
            subprocess.run(["import", "-window", "root", screenshot], check=True)
    print(f"{len(steps)} steps, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
