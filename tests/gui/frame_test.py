#!/usr/bin/python3
"""The skinned frame of the real calculation window under Xvfb and openbox.

    frame_test.py PROGRAM SKINZ_FOLDER SHOT_FOLDER

Checks that the window stays above a window raised over it, that its four
corners are cut as the ellipse equation says, that a drag with the right
button moves it by exactly the pointer's travel and the next click still
works, that the close and minimise pictures act, that neither it nor the exit
box can be resized, maximised or made full screen, and that the skin setting
chooses the pictures. Screenshots are left in SHOT_FOLDER."""

import ctypes
import os
import subprocess
import sys

from desktop import Desktop, pixel, pixels, screenshot, stacking, wait_for, window_geometry, xdotool

CORNER = 12  # radius of the corner ellipses
TITLE_POINT = (300, 25)  # on the title bar, clear of the title text and buttons
CLOSE_POINT = (399, 14)
MINIMIZE_POINT = (365, 14)
SKIN_SAMPLE = (200, 3)  # window point and picture row of the middle title piece
BLACK = (0, 0, 0)
EXIT_POINT = (344, 284)  # the middle of 退出程序
BOX_CAPTION = "Orvantis®"
REFUSED_ACTIONS = ("_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT")


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def request_state(window_id, *states):
    """Asks the window manager to add _NET_WM_STATE_<state>s to a window, as a
    pager or a keyboard binding would (xdotool here cannot)."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(XEvent)]
    xlib.XFlush.argtypes = xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(os.environ["DISPLAY"].encode())
    event = XEvent()
    message = event.xclient
    message.type = 33  # ClientMessage
    message.send_event = 1
    message.window = int(window_id)
    message.message_type = xlib.XInternAtom(display, b"_NET_WM_STATE", 0)
    message.format = 32
    atoms = [xlib.XInternAtom(display, f"_NET_WM_STATE_{state}".encode(), 0) for state in states] + [0]
    message.data[0], message.data[1], message.data[2], message.data[3] = 1, atoms[0], atoms[1], 1  # add, by a pager
    substructure = (1 << 19) | (1 << 20)
    xlib.XSendEvent(display, xlib.XDefaultRootWindow(display), 0, substructure, ctypes.byref(event))
    xlib.XFlush(display)
    xlib.XCloseDisplay(display)


def xprop(window_id, prop):
    return subprocess.run(["xprop", "-id", window_id, prop], check=True, capture_output=True, text=True).stdout


def click(x, y, button="1"):
    xdotool("mousemove", str(x), str(y), "click", button)


def corner_kept(x, y):
    """Whether a pixel of the top-left corner square lies inside the ellipse."""
    dx = (x + 0.5 - CORNER) / CORNER
    dy = (y + 0.5 - CORNER) / CORNER
    return x >= CORNER or y >= CORNER or dx * dx + dy * dy <= 1


def check_on_top(desktop, window_id):
    if "_NET_WM_STATE_ABOVE" not in xprop(window_id, "_NET_WM_STATE"):
        raise AssertionError("the window is not kept above others")
    other = subprocess.Popen(["xmessage", "-geometry", "+300+240", "an ordinary window over it"])
    desktop.processes.append(other)
    # xmessage does not name its process on its window; its class finds it.
    other_id = wait_for("the other window", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--classname", "xmessage"], capture_output=True,
        text=True).stdout.split())[0]
    xdotool("windowactivate", "--sync", other_id)
    xdotool("windowraise", other_id)
    order = stacking()
    if order.index(int(window_id)) < order.index(int(other_id)):
        raise AssertionError(f"the raised window stacks above ours: {order}")
    other.terminate()


def check_corners(window_id, shot):
    x0, y0, w, h = window_geometry(window_id)
    screenshot(shot)
    wrong = wrong_corner_pixels(shot, x0, y0, w, h)
    if wrong:
        raise AssertionError(f"corner pixels wrong (window coordinates): {wrong[:10]}")


def wrong_corner_pixels(shot, x0, y0, w, h):
    """The pixels of a window's four corner squares in a screenshot over a
    black background that the ellipse equation cuts but are shown, or keeps
    but are black."""
    wrong = []
    side = CORNER + 1
    for cx, cy, flip_x, flip_y in ((x0, y0, False, False), (x0 + w - 1, y0, True, False),
                                   (x0, y0 + h - 1, False, True), (x0 + w - 1, y0 + h - 1, True, True)):
        square = pixels(shot, cx - side + 1 if flip_x else cx, cy - side + 1 if flip_y else cy, side, side)
        for y in range(side):
            for x in range(side):
                px, py = (cx - x if flip_x else cx + x), (cy - y if flip_y else cy + y)
                cut = square[(px, py)] == BLACK
                if cut == corner_kept(x, y):
                    wrong.append((px - x0, py - y0))
    return wrong


def check_drag_and_close(desktop, window_id):
    x0, y0, _, _ = window_geometry(window_id)
    grab_x, grab_y = x0 + TITLE_POINT[0], y0 + TITLE_POINT[1]
    xdotool("mousemove", str(grab_x), str(grab_y), "mousedown", "3",
            "mousemove", str(grab_x + 100), str(grab_y + 50), "mouseup", "3")
    moved = wait_for("the window to follow", lambda: (window_geometry(window_id)[:2] == (x0 + 100, y0 + 50))
                     or None)
    if not moved:
        raise AssertionError("the window did not move by the pointer's travel")
    # The next click is an ordinary click: on the close picture it ends the program.
    click(x0 + 100 + CLOSE_POINT[0], y0 + 50 + CLOSE_POINT[1])
    status = desktop.app.wait(timeout=10)
    if status != 0:
        raise AssertionError(f"the program ended with status {status}")


def check_minimize(desktop, window_id):
    x0, y0, _, _ = window_geometry(window_id)
    click(x0 + MINIMIZE_POINT[0], y0 + MINIMIZE_POINT[1])
    wait_for("the window to be iconified", lambda: "_NET_WM_STATE_HIDDEN" in xprop(window_id, "_NET_WM_STATE"))
    if desktop.app.poll() is not None:
        raise AssertionError("minimising ended the program")


def check_fixed_size(window_id, name):
    """The window manager offers no resize or maximise, and a full-screen or
    maximise request leaves the window where it was, as large as it was."""
    allowed = xprop(window_id, "_NET_WM_ALLOWED_ACTIONS")
    offered = [action for action in REFUSED_ACTIONS if action in allowed]
    if offered:
        raise AssertionError(f"the {name} may be {offered}")
    before = window_geometry(window_id)
    for states in (("FULLSCREEN",), ("MAXIMIZED_VERT", "MAXIMIZED_HORZ")):
        request_state(window_id, *states)
        subprocess.run(["sleep", "0.5"])
        try:
            wait_for(f"the {name} to stay as it was", lambda: window_geometry(window_id) == before
                     and not any(s in xprop(window_id, "_NET_WM_STATE") for s in ("FULLSCREEN", "MAXIMIZED")))
        except AssertionError:
            raise AssertionError(f"after {states} the {name} is {window_geometry(window_id)}, "
                                 f"{xprop(window_id, '_NET_WM_STATE').strip()}, not {before}") from None


def check_windows_fixed(window_id):
    check_fixed_size(window_id, "calculation window")
    x0, y0, _, _ = window_geometry(window_id)
    click(x0 + EXIT_POINT[0], y0 + EXIT_POINT[1])
    box_id = wait_for("the exit box", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", f"^{BOX_CAPTION}$"], capture_output=True,
        text=True).stdout.split())[0]
    check_fixed_size(box_id, "exit box")
    xdotool("key", "Tab", "Return")


def corner_squares(shot, x0, y0, w, h, side):
    """The four corner squares of a window in a screenshot, each mirrored into
    the top-left corner's orientation, as rows of cut (True) or kept pixels."""
    squares = []
    for flip_x, flip_y in ((False, False), (True, False), (False, True), (True, True)):
        left, top = (x0 + w - side if flip_x else x0), (y0 + h - side if flip_y else y0)
        found = pixels(shot, left, top, side, side)
        squares.append([[found[(left + (side - 1 - x if flip_x else x), top + (side - 1 - y if flip_y else y))]
                         == BLACK for x in range(side)] for y in range(side)])
    return squares


def check_fractional_shape(window_id, factor, shot):
    """The shape is exactly the window's size and its four corners are mirror
    images of each other."""
    x0, y0, w, h = window_geometry(window_id)
    info = subprocess.run(["xwininfo", "-shape", "-id", window_id], check=True, capture_output=True,
                          text=True).stdout
    extents = info.split("Window shape extents:")[1].split()[0]
    if extents != f"{w}x{h}+0+0":
        raise AssertionError(f"at {factor}x the shape is {extents} on a {w}x{h} window")
    screenshot(shot)
    squares = corner_squares(shot, x0, y0, w, h, round(CORNER * factor) + 2)
    names = ("top right", "bottom left", "bottom right")
    differing = [name for name, square in zip(names, squares[1:]) if square != squares[0]]
    if differing:
        raise AssertionError(f"at {factor}x the {differing} corners differ from the top-left one")


def check_whole_factor_pictures(window_id, skinz, factor, shot):
    """At a whole scale factor the stretched title and left edge, the
    corners and the title-bar buttons show their skin pictures enlarged pixel
    for pixel, not smoothed, with no seam where the title's left end meets
    its middle."""
    x0, y0, _, _ = window_geometry(window_id)
    screenshot(shot)
    # Window rectangles of the pieces clear of the title text, the group
    # frames and the cut corners, and the picture pixel each window pixel
    # shows: the stretched pictures repeat along their stretched direction.
    checks = (("imgTitleMain", (275, 0, 60, 30), lambda x, y: (0, y)),
              ("imgWindowLeft", (0, 60, 8, 150), lambda x, y: (x, 0)),
              ("imgTitleLeft", (0, 12, 16, 18), lambda x, y: (x, y)),
              ("imgTitleRight", (396, 21, 19, 9), lambda x, y: (x - 396, y)),
              ("imgTitleClose", (393, 8, 13, 13), lambda x, y: (x - 393, y - 8)),
              ("imgTitleMinimize", (359, 8, 13, 13), lambda x, y: (x - 359, y - 8)))
    # Across the seam at x = 19, below the title text.
    seam = [("imgTitleLeft", (12, 24, 7, 6), lambda x, y: (x, y)),
            ("imgTitleMain", (19, 24, 7, 6), lambda x, y: (0, y))]
    for piece, (left, top, width, height), source in checks + tuple(seam):
        picture = os.path.join(skinz, "Blue", piece + ".gif")
        pw, ph = (int(v) for v in subprocess.run(["identify", "-format", "%w %h", picture], check=True,
                                                 capture_output=True, text=True).stdout.split())
        shown_picture = pixels(picture, 0, 0, pw, ph)
        shown = pixels(shot, x0 + left * factor, y0 + top * factor, width * factor, height * factor)
        wrong = [(x, y) for (x, y), colour in shown.items()
                 if colour != shown_picture[source((x - x0) // factor, (y - y0) // factor)]]
        if wrong:
            raise AssertionError(f"at {factor}x {len(wrong)} pixels of {piece} are not its picture's, "
                                 f"e.g. {wrong[:3]}")


def scaled(factor):
    """The program's scale factor for the next Desktop."""
    os.environ["QT_SCALE_FACTOR"] = str(factor)


def check_skin(window_id, skinz, skin, shot):
    x0, y0, _, _ = window_geometry(window_id)
    screenshot(shot)
    shown = pixel(shot, x0 + SKIN_SAMPLE[0], y0 + SKIN_SAMPLE[1])
    picture = pixel(os.path.join(skinz, skin, "imgTitleMain.gif"), 0, SKIN_SAMPLE[1])
    if max(abs(a - b) for a, b in zip(shown, picture)) > 8:
        raise AssertionError(f"title bar shows {shown}, the {skin} skin's picture is {picture}")
    return shown


def run(name, check):
    try:
        check()
        print("PASS", name)
        return 0
    except (AssertionError, subprocess.SubprocessError) as failure:
        print("FAIL", name, "-", failure)
        return 1


def main(program, skinz, shots):
    os.makedirs(shots, exist_ok=True)
    failures = 0
    with Desktop(program) as desktop:
        window_id = desktop.program_window()
        failures += run("stays on top", lambda: check_on_top(desktop, window_id))
        failures += run("corners cut", lambda: check_corners(window_id, os.path.join(shots, "corners.png")))
        failures += run("right-button drag, then close", lambda: check_drag_and_close(desktop, window_id))
    with Desktop(program) as desktop:
        window_id = desktop.program_window()
        failures += run("minimise", lambda: check_minimize(desktop, window_id))
    with Desktop(program) as desktop:
        window_id = desktop.program_window()
        failures += run("fixed size: no resize, maximise or full screen",
                        lambda: check_windows_fixed(window_id))
    try:
        for factor in (2,):
            scaled(factor)
            with Desktop(program, skin="Blue") as desktop:
                window_id = desktop.program_window()
                failures += run(f"{factor}x pictures enlarged pixel for pixel", lambda: check_whole_factor_pictures(
                    window_id, skinz, factor, os.path.join(shots, f"scaled-{factor}x.png")))
        for factor in (1.5, 1.75):
            scaled(factor)
            with Desktop(program) as desktop:
                window_id = desktop.program_window()
                failures += run(f"{factor}x shape the window's size, four like corners", lambda: check_fractional_shape(
                    window_id, factor, os.path.join(shots, f"scaled-{factor}x.png")))
    finally:
        os.environ.pop("QT_SCALE_FACTOR", None)
    colours = {}
    for skin in ("Blue", "Green"):
        with Desktop(program, skin=skin) as desktop:
            window_id = desktop.program_window()
            failures += run(f"{skin} skin chosen by the setting", lambda: colours.__setitem__(
                skin, check_skin(window_id, skinz, skin, os.path.join(shots, f"skin-{skin}.png"))))
    if len(colours) == 2 and colours["Blue"] == colours["Green"]:
        failures += run("skins differ", lambda: (_ for _ in ()).throw(AssertionError("both skins look alike")))
    print(f"{failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
