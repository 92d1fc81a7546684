#!/usr/bin/python3
"""Draws the frame pictures: the built-in bitmaps beside this script and the
GIF skins under ../Skinz/. Needs Debian's python3-pil. Run it after changing a
colour below and commit what it writes."""

import math
from pathlib import Path

from PIL import Image

HERE = Path(__file__).resolve().parent
SKINZ = HERE.parent / "Skinz"

# The layout places the pieces for these sizes; a picture of another size
# would leave gaps or overlaps in the frame.
EDGE = (19, 30)
BUTTON = 13
TITLE_HEIGHT = 30
CORNER_RADIUS = 12     # the window is cut with 24 x 24 corner ellipses
BUTTON_TOP = 8         # where the layout puts the title-bar buttons

# A reference window large enough that every piece is a plain crop of it:
# the stretched pieces come from its straight runs, so they are uniform in
# the direction they are stretched.
REF_W, REF_H = 120, 100
SUPERSAMPLE = 4

CLIENT_GREY = (192, 192, 192)
HIGHLIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)

THEMES = {
    "Blue": {
        "outline": (8, 24, 64),
        "title_top": (92, 140, 224),
        "title_mid": (40, 84, 176),
        "title_bottom": (16, 44, 120),
        "band_light": (88, 136, 220),
        "band_dark": (20, 52, 132),
        "button_top": (120, 164, 236),
        "button_bottom": (36, 76, 168),
        "close_top": (236, 128, 104),
        "close_bottom": (176, 40, 24),
        "glyph": (255, 255, 255),
    },
    "Green": {
        "outline": (10, 44, 24),
        "title_top": (108, 188, 120),
        "title_mid": (44, 128, 68),
        "title_bottom": (18, 84, 40),
        "band_light": (104, 180, 116),
        "band_dark": (24, 92, 48),
        "button_top": (148, 212, 152),
        "button_bottom": (40, 120, 60),
        "close_top": (236, 156, 96),
        "close_bottom": (184, 76, 20),
        "glyph": (255, 255, 255),
    },
}

GLYPHS = {
    "imgTitleClose": ["X.....X",
                      "XX...XX",
                      ".XX.XX.",
                      "..XXX..",
                      ".XX.XX.",
                      "XX...XX",
                      "X.....X"],
    "imgTitleMinimize": [".......",
                         ".......",
                         ".......",
                         ".......",
                         ".......",
                         "XXXXXXX",
                         "XXXXXXX"],
    "imgTitleHelp": [".XXXXX.",
                     "XX...XX",
                     "....XX.",
                     "...XX..",
                     "...XX..",
                     ".......",
                     "...XX.."],
    "imgTitleMaximize": ["XXXXXXX",
                         "XXXXXXX",
                         "X.....X",
                         "X.....X",
                         "X.....X",
                         "X.....X",
                         "XXXXXXX"],
    "imgTitleRestore": ["..XXXXX",
                        "..X...X",
                        "XXXXX.X",
                        "XXXXX.X",
                        "X...XXX",
                        "X...X..",
                        "XXXXX.."],
}
# The maximise/restore button only ever shows the maximise picture, and its
# hint says it is disabled: its glyph is drawn faded.
FADED_GLYPHS = {"imgTitleMaximize", "imgTitleRestore"}


def lerp(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def inward_distance(px, py):
    """Distance from (px, py) to the outline of the rounded reference window,
    and the outward direction of the nearest piece of outline."""
    r = CORNER_RADIUS
    cx = min(max(px, r), REF_W - r)
    cy = min(max(py, r), REF_H - r)
    if (px < r or px > REF_W - r) and (py < r or py > REF_H - r):
        dx, dy = px - cx, py - cy
        length = math.hypot(dx, dy) or 1.0
        return r - length, (dx / length, dy / length)
    sides = [(px, (-1, 0)), (REF_W - px, (1, 0)), (py, (0, -1)), (REF_H - py, (0, 1))]
    return min(sides)


def title_colour(theme, py):
    # A glossy bar: light top half, darker lower half.
    half = (TITLE_HEIGHT - 1) / 2
    if py < half:
        return lerp(theme["title_top"], theme["title_mid"], py / half)
    return lerp(theme["title_mid"], theme["title_bottom"], (py - half) / half)


def frame_sample(theme, px, py):
    d, (nx, ny) = inward_distance(px, py)
    if d < 1:
        return theme["outline"]
    if py < TITLE_HEIGHT - 1:
        colour = title_colour(theme, py)
        if d < 2:
            colour = lerp(colour, HIGHLIGHT, 0.35)
        return colour
    if py < TITLE_HEIGHT:
        return theme["outline"]
    if d < 5:
        # A rounded tube: brightest a third of the way in.
        t = abs((d - 1) / 4 - 0.35) / 0.65
        return lerp(theme["band_light"], theme["band_dark"], t)
    if d < 6:
        return theme["outline"]
    if d < 7:
        # Bevel of the client panel, lit from the top left.
        return lerp(SHADOW, HIGHLIGHT, (1 - nx - ny) / 2)
    return CLIENT_GREY


def render(size, sample):
    w, h = size
    img = Image.new("RGB", size)
    n = SUPERSAMPLE
    for y in range(h):
        for x in range(w):
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    c = sample(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    for i in range(3):
                        acc[i] += c[i]
            img.putpixel((x, y), tuple(round(v / (n * n)) for v in acc))
    return img


def frame_pieces(theme):
    reference = render((REF_W, REF_H), lambda px, py: frame_sample(theme, px, py))
    w, h = EDGE
    boxes = {
        "imgTitleLeft": (0, 0),
        "imgTitleMain": (w, 0),
        "imgTitleRight": (REF_W - w, 0),
        "imgWindowLeft": (0, TITLE_HEIGHT),
        "imgWindowRight": (REF_W - w, TITLE_HEIGHT),
        "imgWindowBottom": (w, REF_H - h),
        "imgWindowBottomLeft": (0, REF_H - h),
        "imgWindowBottomRight": (REF_W - w, REF_H - h),
    }
    return {name: reference.crop((x, y, x + w, y + h)) for name, (x, y) in boxes.items()}


def button_sample(theme, name, px, py):
    # Drawn over the title bar rows it covers, so its rounded corners blend in.
    background = title_colour(theme, BUTTON_TOP + py)
    r = 2.5
    cx = min(max(px, r), BUTTON - r)
    cy = min(max(py, r), BUTTON - r)
    d = r - math.hypot(px - cx, py - cy)
    if d < 0:
        return background
    if d < 1:
        return theme["outline"]
    key = "close" if name == "imgTitleClose" else "button"
    fill = lerp(theme[key + "_top"], theme[key + "_bottom"], (py - 1) / (BUTTON - 2))
    glyph = GLYPHS[name]
    gx, gy = int(px) - 3, int(py) - 3
    if 0 <= gy < len(glyph) and 0 <= gx < len(glyph[gy]) and glyph[gy][gx] == "X":
        faded = name in FADED_GLYPHS
        return lerp(theme["glyph"], fill, 0.45 if faded else 0.0)
    if d < 2 and py < BUTTON / 2:
        return lerp(fill, HIGHLIGHT, 0.3)
    return fill


def button_pieces(theme):
    return {name: render((BUTTON, BUTTON), lambda px, py, n=name: button_sample(theme, n, px, py))
            for name in GLYPHS}


def all_pieces(theme):
    pieces = frame_pieces(theme)
    pieces.update(button_pieces(theme))
    # Loaded like every other piece and at once replaced by the maximise
    # picture; a copy keeps the skin complete.
    pieces["imgTitleMaxRestore"] = pieces["imgTitleMaximize"]
    return pieces


def save_gif(img, path):
    img.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(path)


def main():
    blue = all_pieces(THEMES["Blue"])
    # The built-in pictures are the Blue skin, so a missing skin looks like
    # the default one.
    for name, img in blue.items():
        if name != "imgTitleMaxRestore":
            img.save(HERE / f"{name}.bmp")
    save_gif(blue["imgTitleMaximize"], HERE / "imgTitleMaximize.gif")
    for skin, theme in THEMES.items():
        folder = SKINZ / skin
        folder.mkdir(parents=True, exist_ok=True)
        for name, img in (blue if skin == "Blue" else all_pieces(theme)).items():
            save_gif(img, folder / f"{name}.gif")


if __name__ == "__main__":
    main()
