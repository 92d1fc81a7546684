#!/usr/bin/python3
"""Draws the program icon: a trapezoidal channel with water standing at the
critical depth (red line). Writes vardenix.ico (32 x 32 and 16 x 16, each in
2, 16 and 256 colours) and PNG sizes for the desktop's icon theme.

Run from this folder with Debian's /usr/bin/python3 (needs python3-pil)."""

import struct
from PIL import Image, ImageDraw

SUPERSAMPLE = 8


def render(size):
    """The icon at `size` pixels, RGBA, drawn large and scaled down."""
    s = size * SUPERSAMPLE
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = s / 32.0

    def p(x, y):
        return (x * u, y * u)

    # Banks of the channel: grey earth with a dark outline.
    d.polygon([p(1, 6), p(9, 26), p(23, 26), p(31, 6), p(31, 30), p(1, 30)], fill=(150, 120, 80, 255))
    # Water below the critical depth.
    d.polygon([p(4.2, 14), p(9, 26), p(23, 26), p(27.8, 14)], fill=(40, 110, 220, 255))
    # The channel's wetted outline.
    d.line([p(1, 6), p(9, 26), p(23, 26), p(31, 6)], fill=(30, 30, 30, 255), width=max(1, int(2 * u)))
    # Critical-depth line across the water surface.
    d.line([p(2.5, 14), p(29.5, 14)], fill=(220, 20, 20, 255), width=max(1, int(2.4 * u)))
    # Depth arrow h_k.
    d.line([p(16, 15.5), p(16, 24.5)], fill=(255, 255, 255, 255), width=max(1, int(1.6 * u)))
    d.polygon([p(13.5, 17.5), p(18.5, 17.5), p(16, 15)], fill=(255, 255, 255, 255))
    d.polygon([p(13.5, 22.5), p(18.5, 22.5), p(16, 25)], fill=(255, 255, 255, 255))
    return img.resize((size, size), Image.LANCZOS)


def palette_image(rgba, colours):
    """Quantised to `colours` entries; transparent pixels go to the AND mask."""
    opaque = Image.new("RGB", rgba.size, (255, 255, 255))
    opaque.paste(rgba, mask=rgba.split()[3])
    if colours == 2:
        q = Image.new("P", rgba.size)
        q.putpalette([0, 0, 0, 255, 255, 255])
        q.putdata([1 if v > 140 else 0 for v in opaque.convert("L").getdata()])
    else:
        q = opaque.quantize(colors=colours, method=Image.Quantize.MEDIANCUT)
    mask = [a < 128 for a in rgba.split()[3].getdata()]
    return q, mask


def dib(q, mask, bits):
    """One ICO entry: BITMAPINFOHEADER, palette, XOR bitmap and AND mask."""
    w, h = q.size
    colours = 1 << bits
    pal = q.getpalette()[: colours * 3]
    pal += [0] * (colours * 3 - len(pal))
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, 0, 0, 0, colours, 0)
    palette = b"".join(struct.pack("BBBB", pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0) for i in range(colours))
    px = list(q.getdata())

    def rows(values_per_row, pack):
        out = b""
        for y in range(h - 1, -1, -1):  # bottom-up
            row = pack(values_per_row(y))
            out += row + b"\0" * ((4 - len(row) % 4) % 4)
        return out

    def pack_bits(vals, bits_per):
        out = bytearray()
        acc, n = 0, 0
        for v in vals:
            acc = (acc << bits_per) | v
            n += bits_per
            if n == 8:
                out.append(acc)
                acc, n = 0, 0
        if n:
            out.append(acc << (8 - n))
        return bytes(out)

    xor = rows(lambda y: [0 if mask[y * w + x] else px[y * w + x] for x in range(w)], lambda v: pack_bits(v, bits))
    andm = rows(lambda y: [1 if mask[y * w + x] else 0 for x in range(w)], lambda v: pack_bits(v, 1))
    return header + palette + xor + andm, colours


def write_ico(path, entries):
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory, data = b"", b""
    for (size, bits), blob in entries:
        colours = 1 << bits
        directory += struct.pack("<BBBBHHII", size, size, colours if colours < 256 else 0, 0, 1, bits,
                                 len(blob), offset + len(data))
        data += blob
    with open(path, "wb") as f:
        f.write(head + directory + data)


def main():
    entries = []
    for size in (32, 16):
        rgba = render(size)
        for bits in (1, 4, 8):
            q, mask = palette_image(rgba, 1 << bits)
            blob, _ = dib(q, mask, bits)
            entries.append(((size, bits), blob))
    write_ico("vardenix.ico", entries)
    for size in (16, 32, 48, 64, 128, 256):
        render(size).save(f"vardenix-{size}.png")


if __name__ == "__main__":
    main()
