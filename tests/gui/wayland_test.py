#!/usr/bin/python3
"""The calculation window under Wayland, in weston's headless compositor.

    wayland_test.py PROGRAM SHOT_FOLDER

Wayland has no window shapes: the window must still show its rounded corners,
cut exactly as on X11 (the ellipse equation), by painting nothing outside
them. The screenshot is left in SHOT_FOLDER as wayland.png."""

import os
import shutil
import subprocess
import sys
import tempfile

from desktop import stop, wait_for
from frame_test import wrong_corner_pixels

SOCKET = "vardenix-test"
# A black desktop without a panel: the window is all that is not black.
WESTON_INI = "[core]\nidle-time=0\n\n[shell]\nbackground-color=0xff000000\npanel-position=none\n"


def spawn(argv, env, processes):
    process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    processes.append(process)
    return process


def screenshot(env, folder):
    """Asks weston (started with --debug) for a screenshot; returns its path."""
    before = set(os.listdir(folder))
    subprocess.run(["weston-screenshooter"], env=env, cwd=folder, check=True, timeout=20)
    made = [name for name in os.listdir(folder) if name not in before and name.endswith(".png")]
    return os.path.join(folder, made[0]) if made else None


def window_in(shot):
    """x, y, width, height of everything that is not black."""
    out = subprocess.run(["convert", shot, "-trim", "-format", "%X %Y %w %h", "info:"], check=True,
                         capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split())


def main(program, shots):
    os.makedirs(shots, exist_ok=True)
    processes = []
    runtime = tempfile.mkdtemp(prefix="vardenix-wayland-")
    try:
        os.chmod(runtime, 0o700)
        ini = os.path.join(runtime, "weston.ini")
        with open(ini, "w") as config:
            config.write(WESTON_INI)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime)
        weston = spawn(["weston", f"--config={ini}", "--backend=headless-backend.so", "--use-pixman",
                        f"--socket={SOCKET}", "--width=800", "--height=600", "--debug"], env, processes)
        wait_for("weston", lambda: weston.poll() is not None or os.path.exists(os.path.join(runtime, SOCKET)))
        if weston.poll() is not None:
            raise AssertionError("weston did not start")
        env.update(WAYLAND_DISPLAY=SOCKET, QT_QPA_PLATFORM="wayland")
        spawn([program], env, processes)

        def window_shown():
            shot = screenshot(env, runtime)
            return shot if shot and window_in(shot)[2:] == (415, 307) else None

        shot = wait_for("the window in a screenshot", window_shown)
        shutil.copy(shot, os.path.join(shots, "wayland.png"))
        wrong = wrong_corner_pixels(shot, *window_in(shot))
        if wrong:
            raise AssertionError(f"corner pixels wrong (window coordinates): {wrong[:10]}")
        print("PASS corners cut under Wayland as on X11")
    finally:
        stop(processes)
        shutil.rmtree(runtime, ignore_errors=True)
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
