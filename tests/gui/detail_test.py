#!/usr/bin/python3
"""The detail window 断面详情 of the real program under Xvfb and openbox.

Run inside a session bus of its own (pyatspi needs one), once per screen:
    dbus-run-session -- /usr/bin/python3 detail_test.py PROGRAM CASES.json SHOT_FOLDER 1280x1024|800x600

On a 1280 x 1024 screen: a right click on the calculation window's inner area
offers 断面详情 and 复制结果; after typing in an input box the menu key opens
the box's own menu, whose 断面详情 opens the skinned window beside the
calculation window, covering none of it, owned by it and above it, a dialog
to screen readers; the calculation window still computes while it is open and
the detail window follows; its title bar drags it; Escape closes it and
Shift+F10 in a box opens it again. For the five sections, a pipe flowing
nearly full, the trapezoid with a bottom width, a slope typed as 1/1000 and
depths of 0.1 and 1e6 it saves screenshots into SHOT_FOLDER, and the window's
accessible names and roles into detail-atspi.txt there. On an 800 x 600 screen
it opens wholly on the screen, clear of the calculator's discharge box and
compute button."""

import json
import os
import subprocess
import sys

from desktop import Desktop, screenshot, stacking, wait_for, window_geometry, xdotool
from real_window_test import SHAPES, Window, enter_and_compute, run_step

DETAIL_CAPTION = "断面详情"
LABEL_POINT = (170, 250)       # the label 流量：
BACKGROUND_POINT = (156, 230)  # between the frames

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
# The rectangle again, as the extreme and written-out inputs have it.
MORE_SHOTS = [
    ("slope 1-1000", "rectangle", {"n": "0.014", "i": "1/1000", "h": ""}, "正常水深 h_0：1.07225"),
    ("h 0.1", "rectangle", {"n": "0.014", "i": "0.001", "h": "0.1"}, "h 处断面比能 E：20.5082"),
    ("h 1e6", "rectangle", {"n": "0.014", "i": "0.001", "h": "1e6"}, "h 处断面比能 E：1e+06"),
    ("trapezoid with b", "trapezoid", {"n": "0.02", "i": "0.0005", "h": "0.5", "b": "2.5"}, "正常水深 h_0：1.73748"),
]


class SizedDesktop(Desktop):
    """A desktop whose screen has the given size, e.g. "1280x1024x24"."""

    def __init__(self, program, screen):
        super().__init__(program)
        self.screen = screen

    def _spawn(self, argv, **kwargs):
        if argv[0] == "Xvfb":
            argv = [self.screen if a == "1024x768x24" else a for a in argv]
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


def open_from_menu(pid, known, shot=None):
    """Waits for the menu just asked for, and chooses 断面详情 by its access key."""
    menu = wait_for("the menu", lambda: popups(pid, known))[0]
    if shot:
        screenshot(shot)
        crop(shot, menu)
    xdotool("key", "d")
    return wait_for("the detail window", detail_window)


def compute(window, step):
    """Like run_step, for a case whose results the case table does not hold."""
    enter_and_compute(window, step)
    depth = window.box("临界水深")
    wait_for("a result", lambda: window.text(depth) not in ("", "无法计算"))


def overlap(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def inside(a, screen):
    x, y, w, h = a
    return x >= 0 and y >= 0 and x + w <= screen[0] and y + h <= screen[1]


class Detail:
    """The detail window as accessibility shows it."""

    def __init__(self, window):
        self.window = window
        self.frame = wait_for("the detail window's accessible frame", lambda: next(
            (c for c in window.app if c.name == DETAIL_CAPTION), None))

    def find(self, name, role):
        atspi = self.window.atspi
        return wait_for(name, lambda: atspi.findDescendant(
            self.frame, lambda n: n is not None and n.name == name and n.getRole() == role))

    def box(self, name):
        return self.find(name, self.window.atspi.ROLE_TEXT)

    def cell(self, starts):
        atspi = self.window.atspi
        node = atspi.findDescendant(self.frame, lambda n: n is not None and n.name.startswith(starts))
        return node.name if node else None

    def set_inputs(self, inputs):
        for name, key in (("糙率 n", "n"), ("底坡 i", "i"), ("水深 h", "h"), ("底宽 b", "b")):
            if key in inputs:
                self.window.retype(self.box(name), inputs[key])

    def focused(self, name, role):
        return self.find(name, role).getState().contains(self.window.atspi.STATE_FOCUSED)

    def listing(self):
        """Every accessible node of the window: its depth, role, name and description."""
        lines = []

        def walk(node, depth):
            if node is None:
                return
            lines.append("  " * depth + f"{node.getRoleName()}: {node.name!r}"
                         + (f"  ({node.description})" if node.description else ""))
            # The table's cells are many; its first rows show how they read.
            children = list(node)
            if node.getRole() == self.window.atspi.ROLE_TABLE:
                children = children[:12]
            for child in children:
                walk(child, depth + 1)

        walk(self.frame, 0)
        return "\n".join(lines)


def placed_beside(main_id, window_id, screen, what, clear_of=()):
    """Where a companion window is: wholly on the screen, covering neither the
    calculator nor the windows `clear_of`, above the calculator and owned by it."""
    main, placed = window_geometry(main_id), window_geometry(window_id)
    if overlap(main, placed) or not inside(placed, screen):
        raise AssertionError(f"{what} at {placed} covers the calculator at {main} or leaves the screen")
    for other in clear_of:
        if overlap(window_geometry(other), placed):
            raise AssertionError(f"{what} at {placed} covers the window at {window_geometry(other)}")
    order = stacking()
    if order.index(int(window_id)) < order.index(int(main_id)):
        raise AssertionError(f"{what} stacks below the calculation window")
    owner = subprocess.run(["xprop", "-id", window_id, "WM_TRANSIENT_FOR"], check=True, capture_output=True,
                           text=True).stdout
    if int(owner.split("#")[-1].strip(), 16) != int(main_id):
        raise AssertionError(f"{what} is not owned by the calculation window: {owner.strip()}")
    return placed


def crop(shot, window_id):
    x, y, w, h = window_geometry(window_id)
    subprocess.run(["convert", shot, "-crop", f"{w + 20}x{h + 20}+{x - 10}+{y - 10}", "+repage", shot], check=True)


def check_accessible(detail, window, shots):
    atspi = window.atspi
    role = detail.frame.getRole()
    if role != atspi.ROLE_DIALOG:
        raise AssertionError(f"the detail window's role is {detail.frame.getRoleName()}, not a dialog")
    close = atspi.findDescendant(detail.frame, lambda n: n is not None and n.name == "关闭"
                                 and n.getRole() != atspi.ROLE_PUSH_BUTTON)
    if close is None:
        raise AssertionError("the title bar's close picture has no name")
    listing = detail.listing()
    with open(os.path.join(shots, "detail-atspi.txt"), "w", encoding="utf-8") as out:
        out.write(listing + "\n")
    for row in ("h_0 处弗劳德数 Fr", "h 处弗劳德数 Fr"):
        if detail.cell(row) is None:
            raise AssertionError(f"no row {row!r}")


def at_1280(program, steps, shots):
    screen = (1280, 1024)
    with SizedDesktop(program, "1280x1024x24") as desktop:
        main_id = desktop.program_window()
        pid = desktop.app.pid
        window = Window(pid)
        run_step(window, steps["rectangle"])

        # A right click on the background offers the menu; Escape closes it.
        right_click(main_id, BACKGROUND_POINT)
        wait_for("the menu on the background", lambda: popups(pid, [main_id]))
        xdotool("key", "Escape")
        wait_for("the menu to close", lambda: not popups(pid, [main_id]))
        if detail_window() is not None:
            raise AssertionError("Escape opened the detail window")
        print("PASS a right click on the background opens the menu")

        # Typing in a box, then the menu key: the box's own menu has 断面详情.
        window.retype(window.box("流量："), "10")
        xdotool("key", "Menu")
        detail_id = open_from_menu(pid, [main_id], os.path.join(shots, "detail-box-menu.png"))
        print("PASS the menu key in an input box opens its menu, and 断面详情 the window")

        placed = placed_beside(main_id, detail_id, screen, "the detail window")
        print(f"PASS beside the calculator at {placed[:2]}, on the screen, above it and owned by it")

        detail = Detail(window)
        if detail.cell("临界水深 h_k：0.741785") is None:
            raise AssertionError("the detail window does not show the rectangle's critical depth")
        check_accessible(detail, window, shots)
        print("PASS a dialog to screen readers, its close picture named, its Froude numbers told apart")

        run_step(window, steps["triangle"])
        wait_for("the detail window to follow", lambda: detail.cell("临界水深 h_k：0.960") is not None)
        if detail_window() is None:
            raise AssertionError("computing closed the detail window")
        print("PASS the calculation window computes while the detail window is open, and the detail follows")

        for name, inputs in SHOTS + [(NEAR_FULL["name"], NEAR_FULL_INPUTS)]:
            if name == NEAR_FULL["name"]:
                compute(window, NEAR_FULL)
            else:
                run_step(window, steps[name])
            detail.set_inputs(inputs)
            wait_for(f"the normal depth of the {name}", lambda: detail.cell("正常水深 h_0：") is not None)
            shot = os.path.join(shots, "detail-1280-" + name.replace(" ", "-") + ".png")
            subprocess.run(["sleep", "0.3"])
            screenshot(shot)
            print(f"PASS {name}: shown and saved as {shot}")

        for name, step, inputs, cell in MORE_SHOTS:
            run_step(window, steps[step])
            detail.set_inputs(inputs)
            wait_for(f"{cell} for {name}", lambda: detail.cell(cell) is not None)
            shot = os.path.join(shots, "detail-1280-" + name.replace(" ", "-") + ".png")
            subprocess.run(["sleep", "0.3"])
            screenshot(shot)
            print(f"PASS {name}: {cell}, saved as {shot}")

        x, y, _, _ = window_geometry(detail_id)
        xdotool("mousemove", str(x + 200), str(y + 12), "mousedown", "1", "mousemove_relative", "--", "-40", "30",
                "mouseup", "1")
        wait_for("the detail window to follow the drag", lambda: window_geometry(detail_id)[:2] == (x - 40, y + 30))
        print("PASS the detail window is dragged by its title bar")

        # Escape closes the window, the program goes on; Shift+F10 in a box opens it again.
        xdotool("key", "Escape")
        wait_for("Escape to close the detail window", lambda: detail_window() is None)
        if desktop.app.poll() is not None:
            raise AssertionError("closing the detail window ended the program")
        window.retype(window.box("流量："), "10")
        xdotool("key", "shift+F10")
        open_from_menu(pid, [main_id])
        print("PASS Escape closes the window; Shift+F10 in an input box opens it again")

        # The menu key on an option button offers the inner area's menu.
        window.click(window.find(SHAPES[2], window.atspi.ROLE_RADIO_BUTTON))
        xdotool("key", "Menu")
        open_from_menu(pid, [main_id])
        print("PASS the menu key on an option button opens the menu, and 断面详情 the window again")


def at_800(program, steps, shots):
    screen = (800, 600)
    with SizedDesktop(program, "800x600x24") as desktop:
        main_id = desktop.program_window()
        pid = desktop.app.pid
        window = Window(pid)
        run_step(window, steps["rectangle"])
        right_click(main_id, LABEL_POINT)
        detail_id = open_from_menu(pid, [main_id])
        detail = Detail(window)
        detail.set_inputs({"n": "0.014", "i": "0.001", "h": "1.2"})
        wait_for("the normal depth", lambda: detail.cell("正常水深 h_0：1.07225") is not None)
        placed = window_geometry(detail_id)
        if not inside(placed, screen):
            raise AssertionError(f"at 800 x 600 the detail window at {placed} leaves the screen")
        for name, role in (("流量：", window.atspi.ROLE_TEXT), ("开始计算", window.atspi.ROLE_PUSH_BUTTON)):
            extents = window.find(name, role).queryComponent().getExtents(window.atspi.DESKTOP_COORDS)
            if overlap(placed, (extents.x, extents.y, extents.width, extents.height)):
                raise AssertionError(f"at 800 x 600 the detail window hides {name}")
        shot = os.path.join(shots, "detail-800x600.png")
        subprocess.run(["sleep", "0.3"])
        screenshot(shot)
        print(f"PASS at 800 x 600 wholly on the screen at {placed}, clear of 流量 and 开始计算; saved as {shot}")


SCREENS = {"1280x1024": at_1280, "800x600": at_800}


def main(program, cases_path, shots, screen):
    os.makedirs(shots, exist_ok=True)
    with open(cases_path, encoding="utf-8") as cases:
        steps = {s["name"]: s for s in json.load(cases)["steps"]}
    # One screen a session: a second program on a second server in the same
    # session registers with the accessibility bus late, or not at all, under load.
    SCREENS[screen](program, steps, shots)
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[4] not in SCREENS:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
