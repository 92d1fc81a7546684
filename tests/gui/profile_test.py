#!/usr/bin/python3
"""The window 水面曲线 of the real program under Xvfb and openbox.

Run inside a session bus of its own (pyatspi needs one):
    dbus-run-session -- /usr/bin/python3 profile_test.py PROGRAM CASES.json SHOT_FOLDER

On a 1280 x 1024 screen: after a computation and typing in the discharge box,
the menu key opens the box's own menu, whose 水面曲线 (access key W) opens the
skinned window beside the calculator, covering none of it, owned by it and
above it, a dialog to screen readers. Typed n, i, h1 and h2 give a profile of
each slope class (mild, steep, critical, flat, adverse), each saved as a
screenshot into SHOT_FOLDER, and the window's accessible names and roles go
into profile-atspi.txt there. Escape closes it; with 断面详情 open, Shift+F10
in a box opens it again beside the calculator and clear of 断面详情."""

import os
import subprocess
import sys
import json

from desktop import screenshot, wait_for, xdotool
from detail_test import Detail, SizedDesktop, crop, detail_window, open_from_menu, placed_beside, popups
from real_window_test import Window, run_step

PROFILE_CAPTION = "水面曲线"

# The rectangle b = 5 m, Q = 10 m³/s of the case table (h_k = 0.742 m); with
# n = 0.014 its critical slope is 0.0030003, so 0.003 is critical. The adverse
# slope starts with a blank, so that xdotool does not take it for an option.
CLASSES = [
    ("mild", {"n": "0.014", "i": "0.001", "h1": "2", "h2": "1.1"}, "a1型壅水曲线"),
    ("steep", {"n": "0.014", "i": "0.02", "h1": "2", "h2": "0.5"}, "a2型壅水曲线"),
    ("critical", {"n": "0.014", "i": "0.003", "h1": "1.2", "h2": "0.9"}, "a3型壅水曲线"),
    ("flat", {"n": "0.014", "i": "0", "h1": "1.5", "h2": "0.5"}, "b0型降水曲线"),
    ("adverse", {"n": "0.014", "i": " -0.1%", "h1": "1.5", "h2": "0.8"}, "b′型降水曲线"),
]
BOXES = (("糙率 n", "n"), ("底坡 i", "i"), ("控制水深 h1", "h1"), ("终点水深 h2", "h2"))


def profile_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{PROFILE_CAPTION}$"],
                           capture_output=True, text=True).stdout.split()
    return found[0] if found else None


def open_profile(pid, known):
    """Waits for the menu just asked for, and chooses 水面曲线 by its access key."""
    wait_for("the menu", lambda: popups(pid, known))
    xdotool("key", "w")
    return wait_for("the profile window", profile_window)


class Profile(Detail):
    """The profile window as accessibility shows it."""

    def __init__(self, window):
        self.window = window
        self.frame = wait_for("the profile window's accessible frame", lambda: next(
            (c for c in window.app if c.name == PROFILE_CAPTION), None))

    def compute(self, inputs, expected):
        for name, key in BOXES:
            self.window.retype(self.box(name), inputs[key])
        wait_for(expected, lambda: self.cell(expected) is not None)


def main(program, cases_path, shots):
    os.makedirs(shots, exist_ok=True)
    with open(cases_path, encoding="utf-8") as cases:
        steps = {s["name"]: s for s in json.load(cases)["steps"]}
    screen = (1280, 1024)
    with SizedDesktop(program, "1280x1024x24") as desktop:
        main_id = desktop.program_window()
        pid = desktop.app.pid
        window = Window(pid)
        run_step(window, steps["rectangle"])

        window.retype(window.box("流量："), "10")
        xdotool("key", "Menu")
        profile_id = open_profile(pid, [main_id])
        placed = placed_beside(main_id, profile_id, screen, "the profile window")
        print(f"PASS the menu key in an input box opens its menu, and 水面曲线 the window beside the calculator "
              f"at {placed[:2]}, above it and owned by it")

        profile = Profile(window)
        if profile.frame.getRole() != window.atspi.ROLE_DIALOG:
            raise AssertionError(f"the profile window's role is {profile.frame.getRoleName()}, not a dialog")
        for name, inputs, expected in CLASSES:
            profile.compute(inputs, expected)
            shot = os.path.join(shots, f"profile-1280-{name}.png")
            subprocess.run(["sleep", "0.3"])
            screenshot(shot)
            crop(shot, profile_id)
            print(f"PASS {name}: {expected}, saved as {shot}")
            if name == "mild":
                with open(os.path.join(shots, "profile-atspi.txt"), "w", encoding="utf-8") as out:
                    out.write(profile.listing() + "\n")

        # Escape closes it; with 断面详情 open, Shift+F10 in a box opens it
        # again, clear of both.
        xdotool("key", "Escape")
        wait_for("Escape to close the profile window", lambda: profile_window() is None)
        window.retype(window.box("流量："), "10")
        xdotool("key", "shift+F10")
        detail_id = open_from_menu(pid, [main_id])
        window.retype(window.box("流量："), "10")
        xdotool("key", "shift+F10")
        profile_id = open_profile(pid, [main_id, detail_id])
        placed = placed_beside(main_id, profile_id, screen, "the profile window", [detail_id])
        shot = os.path.join(shots, "profile-1280-with-detail.png")
        subprocess.run(["sleep", "0.3"])
        screenshot(shot)
        print(f"PASS with 断面详情 open the profile window opens at {placed[:2]}, clear of it and of the "
              f"calculator; saved as {shot}")
        if detail_window() is None:
            raise AssertionError("opening the profile window closed 断面详情")
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
