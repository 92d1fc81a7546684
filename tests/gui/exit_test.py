#!/usr/bin/python3
"""The exit command of the real program under Xvfb and openbox.

Run inside a session bus of its own (pyatspi needs one):
    dbus-run-session -- /usr/bin/python3 exit_test.py PROGRAM CASES.json SHOT_FOLDER

The exit button shows the skinned box above the calculation window, captioned
"Orvantis®" for the window manager and titled "提示" in its own title bar;
Escape leaves it open; Cancel (Tab, Enter) returns to a window that still computes; a
second exit answered with Enter ends the program with status 0. Before that,
each of several fresh boxes, dragged by its title the moment it shows, follows
the pointer from where it stands; and, under a skin slow to load, a second
click on exit queued while the box loads does not enter it."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from desktop import Desktop, screenshot, stacking, wait_for, window_geometry, xdotool
from real_window_test import Window, run_step

BOX_CAPTION = "Orvantis®"
EXIT_POINT = (344, 284)  # the middle of 退出程序
BOX_TITLE_POINT = (120, 15)  # on the box's middle title piece, clear of its title and close picture
FRESH_BOX_DRAGS = 8
FRAME_PIECES = ("imgTitleClose", "imgTitleHelp", "imgTitleLeft", "imgTitleMain", "imgTitleMaxRestore",
                "imgTitleMaximize", "imgTitleMinimize", "imgTitleRight", "imgTitleRestore", "imgWindowBottom",
                "imgWindowBottomLeft", "imgWindowBottomRight", "imgWindowLeft", "imgWindowRight")


def box_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{BOX_CAPTION}$"],
                           capture_output=True, text=True).stdout.split()
    return found[0] if found else None


def press_exit(main_id):
    x0, y0, _, _ = window_geometry(main_id)
    xdotool("mousemove", str(x0 + EXIT_POINT[0]), str(y0 + EXIT_POINT[1]), "click", "1")
    return wait_for("the exit box", box_window)


def check_fresh_boxes_drag(main_id, tries, shots):
    """Presses on the title of each box as soon as it is shown and moves by
    (+60, +50): the box must follow from where it stands, not from (0, 0)."""
    for attempt in range(tries):
        box_id = press_exit(main_id)
        x0, y0, _, _ = window_geometry(box_id)
        grab_x, grab_y = x0 + BOX_TITLE_POINT[0], y0 + BOX_TITLE_POINT[1]
        xdotool("mousemove", str(grab_x), str(grab_y), "mousedown", "1",
                "mousemove", str(grab_x + 60), str(grab_y + 50), "mouseup", "1")
        expected = (x0 + 60, y0 + 50)
        try:
            wait_for("the box to follow", lambda: window_geometry(box_id)[:2] == expected)
        except AssertionError:
            raise AssertionError(f"try {attempt + 1}: the box went to {window_geometry(box_id)[:2]}, "
                                 f"not {expected}") from None
        if attempt == 0:
            screenshot(os.path.join(shots, "exit-box-dragged.png"))
        xdotool("key", "Tab", "Return")
        wait_for("the box to close", lambda: box_window() is None)


def box_windows():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{BOX_CAPTION}$"],
                          capture_output=True, text=True).stdout.split()


def check_queued_second_click(program):
    """Two quick clicks on exit while the box loads a slow skin: the second
    waits until the box is shown and then meets a window that takes no input,
    instead of entering the box that is still being built."""
    with tempfile.TemporaryDirectory(prefix="vardenix-slow-") as folder:
        copy = shutil.copy(program, folder)
        skin = os.path.join(folder, "Skinz", "Slow")
        os.makedirs(skin)
        # Fourteen pictures of noise at the size limit take the box tens of
        # milliseconds to decode, far longer than the 5 ms between the clicks.
        noise = os.path.join(folder, "noise.gif")
        subprocess.run(["convert", "-size", "512x512", "plasma:fractal", "-colors", "256", noise], check=True)
        for piece in FRAME_PIECES:
            shutil.copy(noise, os.path.join(skin, piece + ".gif"))
        with Desktop(copy, skin="Slow") as desktop:
            main_id = desktop.program_window()
            x0, y0, _, _ = window_geometry(main_id)
            xdotool("mousemove", str(x0 + EXIT_POINT[0]), str(y0 + EXIT_POINT[1]),
                    "click", "--repeat", "2", "--delay", "5", "1")
            wait_for("the exit box", box_window)
            time.sleep(1.5)
            if len(box_windows()) != 1:
                raise AssertionError(f"{len(box_windows())} exit boxes after two quick clicks")
            xdotool("key", "Tab", "Return")
            wait_for("the box to close", lambda: box_window() is None)
            time.sleep(0.5)
            if desktop.app.poll() is not None:
                raise AssertionError(f"the program ended with {desktop.app.returncode} after Cancel")
            if box_window() is not None:
                raise AssertionError("a second box after Cancel")


def check_box(window, main_id, box_id, shot):
    caption = subprocess.run(["xprop", "-id", box_id, "_NET_WM_NAME"], check=True, capture_output=True,
                             text=True).stdout
    if f'"{BOX_CAPTION}"' not in caption:
        raise AssertionError(f"the box's caption is {caption.strip()}")
    order = stacking()
    if order.index(int(box_id)) < order.index(int(main_id)):
        raise AssertionError("the box stacks below the calculation window")
    box = wait_for("the box's accessible window", lambda: next(
        (c for c in window.app if c.name == BOX_CAPTION), None))
    labels = [n.name for n in window.atspi.findAllDescendants(box, lambda n: n.getRole() == window.atspi.ROLE_LABEL)]
    for text in ("提示", "确实要退出吗？"):
        if text not in labels:
            raise AssertionError(f"the box shows {labels}, not {text!r}")
    x, y, w, h = window_geometry(box_id)
    screenshot(shot)
    subprocess.run(["convert", shot, "-crop", f"{w + 20}x{h + 20}+{x - 10}+{y - 10}", shot], check=True)


def main(program, cases_path, shots):
    os.makedirs(shots, exist_ok=True)
    with open(cases_path, encoding="utf-8") as cases:
        step = json.load(cases)["steps"][0]
    with Desktop(program) as desktop:
        main_id = desktop.program_window()
        window = Window(desktop.app.pid)

        check_fresh_boxes_drag(main_id, FRESH_BOX_DRAGS, shots)
        print(f"PASS {FRESH_BOX_DRAGS} freshly shown boxes each follow the pointer from where they stand")

        box_id = press_exit(main_id)
        check_box(window, main_id, box_id, os.path.join(shots, "exit-box.png"))
        print("PASS the box above the window, with its caption and title")

        xdotool("key", "Escape")
        subprocess.run(["sleep", "0.5"])
        if box_window() is None or desktop.app.poll() is not None:
            raise AssertionError("Escape closed the box")
        print("PASS Escape leaves the box open")

        # The focus starts on OK; Tab moves it to Cancel, Enter presses it.
        xdotool("key", "Tab", "Return")
        wait_for("the box to close", lambda: box_window() is None)
        if desktop.app.poll() is not None:
            raise AssertionError("Cancel ended the program")
        run_step(window, step)
        print("PASS Tab and Enter on Cancel return to a window that computes")

        press_exit(main_id)
        xdotool("key", "Return")
        status = desktop.app.wait(timeout=10)
        if status != 0:
            raise AssertionError(f"Enter on OK ended the program with status {status}")
        print("PASS Enter on OK ends the program with status 0")
    # Needs no screen reader: after the first program, whose session's
    # accessibility bus a second server's program may join late.
    check_queued_second_click(program)
    print("PASS a second click queued while the box loads does not enter it")
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
