#!/usr/bin/python3
"""The detail window 断面详情 of the real program under Xvfb and openbox.

Run inside a session bus of its own (pyatspi needs one):
    dbus-run-session -- /usr/bin/python3 detail_test.py PROGRAM CASES.json SHOT_FOLDER

A right click on the calculation window's inner area (a label, the background)
opens the menu with 断面详情 and 复制结果, and so does the menu key; 断面详情
opens the skinned window above the calculation window and owned by it; the
calculation window still computes while it is open and the detail window follows;
its title bar drags it. For the five sections and a pipe flowing nearly full it
saves a screenshot of the detail window, with n, i and h given, into SHOT_FOLDER."""

import json
import os
import subprocess
import sys

from desktop import Desktop, screenshot, stacking, wait_for, window_geometry, xdotool
from real_window_test import SHAPES, Window, enter_and_compute, run_step

DETAIL_CAPTION = "断面详情"
MENU_ENTRY = "断面详情"
LABEL_POINT = (170, 250)       # the label 流量：
BACKGROUND_POINT = (156, 230)  # between the frames
# Wide enough that the detail window, beside the calculation window, leaves its
# compute button uncovered.
SCREEN = "1920x1080x24"

# The five sections as the case table has them, and a pipe whose critical and
# normal depths lie near its crown; with the detail window's own n, i and h.
SHOTS = [
    ("circular conduit", {"n": "0.014", "i": "0.001", "h": "0.2"}),
    ("rectangle", {"n": "0.014", "i": "0.001", "h": "1.2"}),
    ("trapezoid", {"n": "0.02", "i": "0.0005", "h": "0.5"}),
    ("triangle", {"n": "0.013", "i": "0.05", "h": "0.6"}),
    ("doorway", {"n": "0.014", "i": "0.002", "h": "0.4"}),
]
NEAR_FULL = {"name": "pipe flowing nearly full", "section": 1, "Q": "3.3", "Text1": {"1": "0.5"}}
NEAR_FULL_INPUTS = {"n": "0.013", "i": "0.02", "h": "0.3"}


class WideDesktop(Desktop):
    def _spawn(self, argv, **kwargs):
        if argv[0] == "Xvfb":
            argv = [SCREEN if a == "1024x768x24" else a for a in argv]
        return super()._spawn(argv, **kwargs)


def detail_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{DETAIL_CAPTION}$"],
                           capture_output=True, text=True).stdout.split()
    return found[0] if found else None


def popups(pid, known):
    """The program's visible windows other than `known`: a menu while one is open."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], capture_output=True,
                           text=True).stdout.split()
    return [w for w in found if w not in known]


def right_click(main_id, point):
    x0, y0, _, _ = window_geometry(main_id)
    xdotool("mousemove", str(x0 + point[0]), str(y0 + point[1]), "click", "3")


def open_by_menu(pid, main_id, point, shot):
    right_click(main_id, point)
    menu = wait_for("the menu", lambda: popups(pid, [main_id]))[0]
    screenshot(shot)
    crop(shot, menu)
    # The entry's access key.
    xdotool("key", "d")
    return wait_for("the detail window", detail_window)


def compute(window, step):
    """Like run_step, for a case whose results the case table does not hold."""
    enter_and_compute(window, step)
    depth = window.box("临界水深")
    wait_for("a result", lambda: window.text(depth) not in ("", "无法计算"))


class Detail:
    """The detail window as accessibility shows it."""

    def __init__(self, window):
        self.window = window
        self.frame = wait_for("the detail window's accessible frame", lambda: next(
            (c for c in window.app if c.name == DETAIL_CAPTION), None))

    def box(self, name):
        atspi = self.window.atspi
        return wait_for(name, lambda: atspi.findDescendant(
            self.frame, lambda n: n.name == name and n.getRole() == atspi.ROLE_TEXT))

    def cell(self, starts):
        atspi = self.window.atspi
        node = atspi.findDescendant(self.frame, lambda n: n is not None and n.name.startswith(starts))
        return node.name if node else None

    def set_inputs(self, inputs):
        for name, key in (("糙率 n", "n"), ("底坡 i", "i"), ("水深 h", "h")):
            self.window.retype(self.box(name), inputs[key])


def crop(shot, window_id):
    x, y, w, h = window_geometry(window_id)
    subprocess.run(["convert", shot, "-crop", f"{w + 20}x{h + 20}+{x - 10}+{y - 10}", shot], check=True)


def main(program, cases_path, shots):
    os.makedirs(shots, exist_ok=True)
    with open(cases_path, encoding="utf-8") as cases:
        steps = {s["name"]: s for s in json.load(cases)["steps"]}
    with WideDesktop(program) as desktop:
        main_id = desktop.program_window()
        window = Window(desktop.app.pid)
        run_step(window, steps["rectangle"])

        # A right click on the background offers the menu; Escape closes it.
        pid = desktop.app.pid
        right_click(main_id, BACKGROUND_POINT)
        wait_for("the menu on the background", lambda: popups(pid, [main_id]))
        xdotool("key", "Escape")
        wait_for("the menu to close", lambda: not popups(pid, [main_id]))
        if detail_window() is not None:
            raise AssertionError("Escape opened the detail window")
        print("PASS a right click on the background opens the menu")

        detail_id = open_by_menu(pid, main_id, LABEL_POINT, os.path.join(shots, "detail-menu.png"))
        order = stacking()
        if order.index(int(detail_id)) < order.index(int(main_id)):
            raise AssertionError("the detail window stacks below the calculation window")
        owner = subprocess.run(["xprop", "-id", detail_id, "WM_TRANSIENT_FOR"], check=True, capture_output=True,
                               text=True).stdout
        if int(owner.split("#")[-1].strip(), 16) != int(main_id):
            raise AssertionError(f"the detail window is not owned by the calculation window: {owner.strip()}")
        print("PASS a right click on a label and 断面详情 open the window above the calculation window, owned by it")

        detail = Detail(window)
        if detail.cell("临界水深 h_k：0.741785") is None:
            raise AssertionError("the detail window does not show the rectangle's critical depth")
        run_step(window, steps["triangle"])
        wait_for("the detail window to follow", lambda: detail.cell("临界水深 h_k：0.960") is not None)
        if detail_window() is None:
            raise AssertionError("computing closed the detail window")
        print("PASS the calculation window computes while the detail window is open, and the detail follows")

        x, y, _, _ = window_geometry(detail_id)
        xdotool("mousemove", str(x + 200), str(y + 12), "mousedown", "1", "mousemove_relative", "--", "-40", "30",
                "mouseup", "1")
        wait_for("the detail window to follow the drag", lambda: window_geometry(detail_id)[:2] == (x - 40, y + 30))
        print("PASS the detail window is dragged by its title bar")

        for name, inputs in SHOTS + [(NEAR_FULL["name"], NEAR_FULL_INPUTS)]:
            if name == NEAR_FULL["name"]:
                compute(window, NEAR_FULL)
            else:
                run_step(window, steps[name])
            detail.set_inputs(inputs)
            wait_for(f"the normal depth of the {name}", lambda: detail.cell("正常水深 h_0：") is not None)
            shot = os.path.join(shots, "detail-" + name.replace(" ", "-") + ".png")
            subprocess.run(["sleep", "0.3"])
            screenshot(shot)
            crop(shot, detail_id)
            print(f"PASS {name}: shown and saved as {shot}")

        # The close picture hides the window; the calculation window goes on.
        x, y, w, _ = window_geometry(detail_id)
        xdotool("mousemove", str(x + w - 16), str(y + 14), "click", "1")
        wait_for("the detail window to close", lambda: detail_window() is None)
        run_step(window, steps["rectangle"])
        if desktop.app.poll() is not None:
            raise AssertionError("closing the detail window ended the program")
        print("PASS the close picture closes the detail window and the calculation window goes on")

        # The keyboard's menu key on an option button offers the same menu.
        window.click(window.find(SHAPES[2], window.atspi.ROLE_RADIO_BUTTON))
        xdotool("key", "Menu")
        wait_for("the menu from the menu key", lambda: popups(pid, [main_id]))
        xdotool("key", "d")
        wait_for("the detail window again", detail_window)
        print("PASS the menu key opens the menu, and 断面详情 the window again")
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
