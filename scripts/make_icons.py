#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files into res/.

Vireola.ico (the program icon): a monitor whose desktop shows one icon with a
coloured label, 32x32 and 16x16 in 16 colours.
DesktopIcon.ico (the preview's sample desktop icon): a document folder,
32x32, 16x16 and 48x48 in 16 and 256 colours.
"""
import os
import struct

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    pal = list(VGA16)
    steps = [0, 51, 102, 153, 204, 255]
    pal += [(r, g, b) for r in steps for g in steps for b in steps]
    pal += [(v, v, v) for v in range(8, 248, 10)][: 256 - len(pal)]
    return pal + [(0, 0, 0)] * (256 - len(pal))


def rect(x0, y0, x1, y1, color):
    return lambda x, y: color if x0 <= x < x1 and y0 <= y < y1 else None


def poly(points, color):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                hit = not hit
        return color if hit else None
    return inside


def shade(base, top, bottom, y0, y1):
    """A vertical gradient from top to bottom colour inside a shape."""
    def paint(x, y):
        if base(x, y) is None:
            return None
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
    return paint


def monitor_icon():
    """Shapes in a 0..1 square, later ones on top."""
    return [
        rect(0.30, 0.78, 0.70, 0.86, (128, 128, 128)),     # stand
        rect(0.20, 0.86, 0.80, 0.94, (192, 192, 192)),     # foot
        rect(0.03, 0.06, 0.97, 0.80, (0, 0, 0)),           # bezel outline
        rect(0.06, 0.09, 0.94, 0.77, (192, 192, 192)),     # bezel
        rect(0.12, 0.15, 0.88, 0.70, (0, 128, 128)),       # desktop
        rect(0.38, 0.22, 0.62, 0.44, (255, 255, 0)),       # icon on the desktop
        rect(0.41, 0.25, 0.59, 0.41, (0, 0, 128)),
        rect(0.24, 0.52, 0.76, 0.60, (255, 255, 0)),       # its label, in the chosen colour
    ]


def folder_icon(smooth):
    back = poly([(0.06, 0.22), (0.38, 0.22), (0.46, 0.30), (0.94, 0.30), (0.94, 0.86), (0.06, 0.86)], (128, 128, 0))
    paper = rect(0.14, 0.18, 0.84, 0.70, (255, 255, 255))
    lines = [rect(0.22, y, 0.76, y + 0.04, (128, 128, 128)) for y in (0.28, 0.38, 0.48)]
    front = poly([(0.04, 0.42), (0.96, 0.42), (0.90, 0.90), (0.10, 0.90)], (255, 255, 0))
    edge = poly([(0.03, 0.40), (0.97, 0.40), (0.91, 0.92), (0.09, 0.92)], (128, 128, 0))
    if smooth:
        back = shade(back, (230, 180, 60), (170, 120, 20), 0.2, 0.9)
        front = shade(front, (255, 230, 120), (230, 170, 40), 0.4, 0.9)
    return [back, paper] + lines + [edge, front]


def render(shapes, size, pal):
    """Supersamples the shapes; returns palette indices and a transparency mask."""
    n = 4
    pixels, mask = [], []
    for py in range(size):
        row, mrow = [], []
        for px in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(n):
                for sx in range(n):
                    x, y = (px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size
                    color = None
                    for shape in shapes:
                        c = shape(x, y)
                        if c is not None:
                            color = c
                    if color is not None:
                        hits += 1
                        acc = [a + c for a, c in zip(acc, color)]
            if hits * 2 < n * n:
                row.append(0)
                mrow.append(1)
                continue
            avg = [a / hits for a in acc]
            row.append(min(range(len(pal)), key=lambda i: sum((p - a) ** 2 for p, a in zip(pal[i], avg))))
            mrow.append(0)
        pixels.append(row)
        mask.append(mrow)
    return pixels, mask


def dib(pixels, mask, pal, bpp):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, 0, 0, 0, len(pal), 0)
    colors = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in pal)
    xor = b''
    for row in reversed(pixels):
        if bpp == 4:
            data = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(row)
        xor += data + b'\0' * (-len(data) % 4)
    andmask = b''
    for mrow in reversed(mask):
        bits = bytearray((size + 7) // 8)
        for i, m in enumerate(mrow):
            if m:
                bits[i // 8] |= 0x80 >> (i % 8)
        andmask += bytes(bits) + b'\0' * (-len(bits) % 4)
    return header + colors + xor + andmask


def write_ico(path, images):
    """images: (size, palette, bpp, dib bytes)"""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, pal, bpp, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, len(pal) % 256, 0, 1, bpp, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, _, _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


def image(shapes, size, pal, bpp):
    pixels, mask = render(shapes, size, pal)
    return (size, pal, bpp, dib(pixels, mask, pal, bpp))


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    pal256 = palette256()
    write_ico(os.path.join(res, 'Vireola.ico'),
              [image(monitor_icon(), s, VGA16, 4) for s in (32, 16)])
    write_ico(os.path.join(res, 'DesktopIcon.ico'),
              [image(folder_icon(False), s, VGA16, 4) for s in (32, 16, 48)]
              + [image(folder_icon(True), s, pal256, 8) for s in (32, 16, 48)])


if __name__ == '__main__':
    main()
