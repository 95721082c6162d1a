#!/usr/bin/env python3
"""Draws the launcher's icon and writes it as qm2.ico (six images) and as a
PNG picture of those six images for the README. Standard library only.

    make_icon.py <ico out> <png out>

The mark: a bold white ring with a tail (a "Q") on a teal rounded square.
The geometry is in units of the icon's side, so each size is drawn from the
same shapes; every pixel is the mean of 8 x 8 samples, which gives smooth
edges without blurring the bold strokes at 16 x 16.

The images, in this order (the resource compiler numbers them 1 to 6):
16, 32, 48 pixels at 24 bits per pixel, then 16, 32, 48 at 32 bits per pixel.
Each is an uncompressed device-independent bitmap (BITMAPINFOHEADER, the
colour rows bottom-up, then a one-bit AND mask where 1 means transparent).
The 24-bit images are opaque wherever the square covers at least half a
pixel; the 32-bit images carry the square's coverage as alpha, and their mask
marks the pixels whose alpha is below one half.

The PNG is decoded from the written icon file, so it shows what the
executable carries: the six images side by side at twice their size.
"""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 48)
DEPTHS = (24, 32)
SAMPLES = 8

TOP = (0x2B, 0x9A, 0x96)      # background gradient, top (R, G, B)
BOTTOM = (0x14, 0x4E, 0x63)   # background gradient, bottom
INK = (0xFF, 0xFF, 0xFF)      # the mark


def rounded_square(x, y):
    """True inside the square with rounded corners that fills the icon."""
    r = 0.19
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def mark(x, y):
    """True on the white "Q": a thick ring and a tail to the lower right."""
    d = math.hypot(x - 0.47, y - 0.46)
    if 0.17 <= d <= 0.335:
        return True
    return segment_distance(x, y, 0.55, 0.56, 0.80, 0.81) <= 0.085


def draw(size):
    """Returns rows (top-down) of (r, g, b, coverage of the square)."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            inside = on_mark = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    if rounded_square(x, y):
                        inside += 1
                        if mark(x, y):
                            on_mark += 1
            # The colour where the square is: the gradient, mixed with the
            # ink by the share of the square's samples that fall on the mark.
            t = (py + 0.5) / size
            bg = [TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3)]
            k = on_mark / inside if inside else 0.0
            rgb = tuple(round(bg[i] + (INK[i] - bg[i]) * k) for i in range(3))
            row.append(rgb + (inside / n,))
        rows.append(row)
    return rows


def dib(rows, depth):
    """An icon image: BITMAPINFOHEADER, colour rows, AND mask rows."""
    size = len(rows)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up
        bits = bytearray(mask_stride)
        line = bytearray()
        for px, (r, g, b, cover) in enumerate(row):
            if depth == 24:
                clear = cover < 0.5
                line += bytes((0, 0, 0)) if clear else bytes((b, g, r))
            else:
                a = round(cover * 255)
                clear = a < 128
                line += bytes((0, 0, 0, 0)) if a == 0 else bytes((b, g, r, a))
            if clear:
                bits[px // 8] |= 0x80 >> (px % 8)
        line += bytes(-len(line) % 4)
        colour += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, depth, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def icon_file(images):
    """The .ico file: directory, then the images. images: (size, depth, dib)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, depth, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, depth, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def read_icon_file(data):
    """Decodes an .ico of uncompressed images into (size, top-down RGBA rows)."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    pictures = []
    for i in range(count):
        _, _, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        _, w, h2, _, depth, compression = struct.unpack_from("<IiiHHI", data, offset)
        assert compression == 0 and h2 == 2 * w
        stride = ((w * depth // 8) + 3) // 4 * 4
        mask_stride = ((w + 31) // 32) * 4
        colour = offset + 40
        mask = colour + stride * w
        rows = []
        for y in range(w - 1, -1, -1):
            row = []
            for x in range(w):
                p = colour + y * stride + x * depth // 8
                b, g, r = data[p], data[p + 1], data[p + 2]
                clear = data[mask + y * mask_stride + x // 8] & (0x80 >> (x % 8))
                if depth == 32:
                    a = data[p + 3]
                else:
                    a = 0 if clear else 255
                row.append((r, g, b, a))
            rows.append(row)
        pictures.append((w, rows))
    return pictures


def png_file(width, height, rows):
    """An RGBA PNG from top-down rows of (r, g, b, a)."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def picture(pictures, zoom=2, gap=8):
    """The images side by side, bottoms aligned, each enlarged by zoom."""
    height = max(w for w, _ in pictures) * zoom
    width = sum(w * zoom for w, _ in pictures) + gap * (len(pictures) - 1)
    canvas = [[(0, 0, 0, 0)] * width for _ in range(height)]
    left = 0
    for w, rows in pictures:
        top = height - w * zoom
        for y in range(w * zoom):
            for x in range(w * zoom):
                canvas[top + y][left + x] = rows[y // zoom][x // zoom]
        left += w * zoom + gap
    return png_file(width, height, canvas)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    drawn = {size: draw(size) for size in SIZES}
    ico = icon_file([(s, d, dib(drawn[s], d)) for d in DEPTHS for s in SIZES])
    with open(sys.argv[1], "wb") as f:
        f.write(ico)
    with open(sys.argv[2], "wb") as f:
        f.write(picture(read_icon_file(ico)))


if __name__ == "__main__":
    main()
