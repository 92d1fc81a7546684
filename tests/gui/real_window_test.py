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
import sys

from desktop import Desktop, screenshot, wait_for, xdotool

# Accessible names of the boxes: the texts of their caption labels.
TEXT1_NAMES = {1: "半    径：", 2: "底(顶)宽：", 3: "平均宽度：", 4: "边坡坡度：",
               5: "边坡坡度（后项）", 6: "直墙高度：", 7: "顶拱角度："}
FOCUS_NAMES = {"TextQ": "流量：", "Text1(1)": TEXT1_NAMES[1], "Text1(2)": TEXT1_NAMES[2]}
SHAPES = {1: "圆形断面", 2: "矩形断面", 3: "梯形断面", 4: "三角形断面", 5: "门洞形断面"}
MESSAGE_TITLE = "提示"


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


def enter_and_compute(window, step):
    """Selects the step's section, types its discharge and the boxes it reads, and computes."""
    window.click(window.find(SHAPES[step["section"]], window.atspi.ROLE_RADIO_BUTTON))
    window.retype(window.box("流量："), step["Q"])
    for index, name in TEXT1_NAMES.items():
        box = window.box(name)
        if window.enabled(box):
            window.retype(box, step["Text1"].get(str(index), ""))
    window.click(window.find("开始计算", window.atspi.ROLE_PUSH_BUTTON))


def run_step(window, step):
    enter_and_compute(window, step)
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


def main(program, cases_path, shot_path=None):
    with open(cases_path, encoding="utf-8") as cases:
        steps = json.load(cases)["steps"]
    failures = 0
    with Desktop(program) as desktop:
        desktop.program_window()
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
        if shot_path:
            screenshot(shot_path)
    print(f"{len(steps)} steps, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
