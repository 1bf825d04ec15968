#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files into res/.

Vireola.ico (the program icon): a monitor whose desktop shows one icon with a
coloured label, 32x32 and 16x16 in 16 colours.
DesktopIcon.ico (the preview's sample desktop icon): a document folder,
32x32, 16x16 and 48x48 in 16 and 256 colours.

Both also hold 32-bit images with alpha at every size the common display
scales ask for (small and large icons at 100% to 200%), drawn anew at each
size from the same shapes: straight edges fall on whole pixels and no border
grows thinner than one pixel, so nothing is a scaled copy of another size.
They are PNG-compressed, which Windows reads from Vista on (ICON_FORMAT=bmp
writes them uncompressed instead, to compare sizes); a display of 256 colours
or fewer still picks the palette images.
"""
import os
import struct
import zlib

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# SM_CXSMICON and SM_CXICON at 100%, 125%, 150% and 200%
TRUE_COLOR_SIZES = (16, 20, 24, 32, 40, 48, 64)


def palette256():
    pal = list(VGA16)
    steps = [0, 51, 102, 153, 204, 255]
    pal += [(r, g, b) for r in steps for g in steps for b in steps]
    pal += [(v, v, v) for v in range(8, 248, 10)][: 256 - len(pal)]
    return pal + [(0, 0, 0)] * (256 - len(pal))


# A shape answers for a point of the 0..1 square (the palette images) and,
# fitted to a size, for a point in pixels (the 32-bit images).

class Rect:
    def __init__(self, x0, y0, x1, y1, color):
        self.box, self.color = (x0, y0, x1, y1), color

    def __call__(self, x, y):
        x0, y0, x1, y1 = self.box
        return self.color if x0 <= x < x1 and y0 <= y < y1 else None

    def fit(self, size, fitted):
        """Edges on whole pixels, at least one pixel wide, and at least one
        pixel inside every rectangle drawn before that encloses it."""
        x0, y0, x1, y1 = (round(v * size) for v in self.box)
        for outer, (ox0, oy0, ox1, oy1) in fitted:
            b = outer.box
            if b[0] < self.box[0] and b[1] < self.box[1] and self.box[2] < b[2] and self.box[3] < b[3]:
                x0, y0, x1, y1 = max(x0, ox0 + 1), max(y0, oy0 + 1), min(x1, ox1 - 1), min(y1, oy1 - 1)
        x1, y1 = max(x1, x0 + 1), max(y1, y0 + 1)
        fitted.append((self, (x0, y0, x1, y1)))
        return lambda x, y: self.color if x0 <= x < x1 and y0 <= y < y1 else None


class Poly:
    def __init__(self, points, color, inside=None):
        """inside: a polygon of as many corners that this one sits in, as a
        face in its outline."""
        self.points, self.color, self.inside = points, color, inside

    def __call__(self, x, y):
        hit = False
        n = len(self.points)
        for i in range(n):
            (ax, ay), (bx, by) = self.points[i], self.points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                hit = not hit
        return self.color if hit else None

    def corners(self, size):
        """Corners on whole pixels, each at least one pixel inside the
        outline's corner on every axis where the two differ."""
        out = [tuple(round(v * size) for v in p) for p in self.points]
        if self.inside:
            outer = self.inside.corners(size)
            for i, (p, o, ou) in enumerate(zip(self.points, self.inside.points, outer)):
                out[i] = tuple(v if a == b else (max(v, w + 1) if a > b else min(v, w - 1))
                               for v, w, a, b in zip(out[i], ou, p, o))
        return out

    def fit(self, size, fitted):
        # slanted edges are smoothed by the coverage
        return Poly(self.corners(size), self.color)


class Shade:
    """A vertical gradient from top to bottom colour inside a shape."""
    def __init__(self, base, top, bottom, y0, y1):
        self.base, self.top, self.bottom, self.y0, self.y1 = base, top, bottom, y0, y1

    def paint(self, inside, y):
        if inside is None:
            return None
        t = min(max((y - self.y0) / (self.y1 - self.y0), 0.0), 1.0)
        return tuple(int(a + (b - a) * t) for a, b in zip(self.top, self.bottom))

    def __call__(self, x, y):
        return self.paint(self.base(x, y), y)

    def fit(self, size, fitted):
        base = self.base.fit(size, fitted)
        return lambda x, y: self.paint(base(x, y), y / size)


def monitor_icon(smooth):
    """Shapes in a 0..1 square, later ones on top."""
    bezel = Rect(0.06, 0.09, 0.94, 0.77, (192, 192, 192))
    desktop = Rect(0.12, 0.15, 0.88, 0.70, (0, 128, 128))
    if smooth:
        bezel = Shade(bezel, (222, 222, 222), (168, 168, 168), 0.09, 0.77)
        desktop = Shade(desktop, (0, 150, 150), (0, 100, 112), 0.15, 0.70)
    return [
        Rect(0.30, 0.78, 0.70, 0.86, (128, 128, 128)),     # stand
        Rect(0.20, 0.86, 0.80, 0.94, (192, 192, 192)),     # foot
        Rect(0.03, 0.06, 0.97, 0.80, (0, 0, 0)),           # bezel outline
        bezel,
        desktop,
        Rect(0.38, 0.22, 0.62, 0.44, (255, 255, 0)),       # icon on the desktop
        Rect(0.41, 0.25, 0.59, 0.41, (0, 0, 128)),
        Rect(0.24, 0.52, 0.76, 0.60, (255, 255, 0)),       # its label, in the chosen colour
    ]


def folder_icon(smooth):
    back = Poly([(0.06, 0.22), (0.38, 0.22), (0.46, 0.30), (0.94, 0.30), (0.94, 0.86), (0.06, 0.86)], (128, 128, 0))
    paper = Rect(0.14, 0.18, 0.84, 0.70, (255, 255, 255))
    lines = [Rect(0.22, y, 0.76, y + 0.04, (128, 128, 128)) for y in (0.28, 0.38, 0.48)]
    edge = Poly([(0.03, 0.40), (0.97, 0.40), (0.91, 0.92), (0.09, 0.92)], (128, 128, 0))
    front = Poly([(0.04, 0.42), (0.96, 0.42), (0.90, 0.90), (0.10, 0.90)], (255, 255, 0), inside=edge)
    if smooth:
        back = Shade(back, (230, 180, 60), (170, 120, 20), 0.2, 0.9)
        front = Shade(front, (255, 230, 120), (230, 170, 40), 0.4, 0.9)
    return [back, paper] + lines + [edge, front]


def coverage(shapes, px, py, n, scale):
    """Over n x n samples of pixel (px, py), with points divided by scale:
    the sum of the topmost shapes' colours and how many samples they cover."""
    acc, hits = [0, 0, 0], 0
    for sy in range(n):
        for sx in range(n):
            x, y = (px + (sx + 0.5) / n) / scale, (py + (sy + 0.5) / n) / scale
            color = None
            for shape in shapes:
                c = shape(x, y)
                if c is not None:
                    color = c
            if color is not None:
                hits += 1
                acc = [a + c for a, c in zip(acc, color)]
    return acc, hits


def render(shapes, size, pal):
    """Supersamples the shapes; returns palette indices and a transparency mask."""
    n = 4
    pixels, mask = [], []
    for py in range(size):
        row, mrow = [], []
        for px in range(size):
            acc, hits = coverage(shapes, px, py, n, size)
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


def render_rgba(shapes, size):
    """Rows of (r, g, b, a): colour averaged over the covered samples, alpha
    the share of samples covered."""
    n = 8
    fitted = []
    painters = [shape.fit(size, fitted) for shape in shapes]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, hits = coverage(painters, px, py, n, 1)
            if not hits:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(a / hits) for a in acc) + (round(255 * hits / (n * n)),))
        rows.append(row)
    return rows


def and_mask(mask):
    out = b''
    for mrow in reversed(mask):
        bits = bytearray((len(mrow) + 7) // 8)
        for i, m in enumerate(mrow):
            if m:
                bits[i // 8] |= 0x80 >> (i % 8)
        out += bytes(bits) + b'\0' * (-len(bits) % 4)
    return out


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
    return header + colors + xor + and_mask(mask)


def dib32(rows):
    """The uncompressed form; its AND mask leaves out pixels under half
    covered, for drawers without alpha."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(v for r, g, b, a in row for v in (b, g, r, a)) for row in reversed(rows))
    return header + xor + and_mask([[a < 128 for *_, a in row] for row in rows])


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filter_row(kind, row, above):
    left = bytes(4) + row[:-4]
    corner = bytes(4) + above[:-4]
    predictors = (lambda i: 0, lambda i: left[i], lambda i: above[i],
                  lambda i: (left[i] + above[i]) // 2, lambda i: paeth(left[i], above[i], corner[i]))
    return bytes([kind]) + bytes((row[i] - predictors[kind](i)) & 255 for i in range(len(row)))


def smallest_differences(row, above):
    return min((filter_row(kind, row, above) for kind in range(5)), key=lambda r: sum(min(v, 256 - v) for v in r[1:]))


def png(rows):
    """Rows filtered each with the filter that leaves it the smallest
    differences, or all with one of PNG's five filters, whichever compresses
    smallest: the executable carries these."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    def deflate(raw, strategy):
        compressor = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
        return compressor.compress(raw) + compressor.flush()
    size = len(rows)
    lines = [bytes(v for px in row for v in px) for row in rows]
    pairs = list(zip(lines, [bytes(size * 4)] + lines))
    filterings = [b''.join(smallest_differences(*pair) for pair in pairs)]
    filterings += [b''.join(filter_row(kind, *pair) for pair in pairs) for kind in range(5)]
    idat = min((deflate(raw, strategy) for raw in filterings for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED)),
               key=len)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', idat) + chunk(b'IEND', b''))


def write_ico(path, images):
    """images: (size, palette, bpp, image bytes)"""
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


def true_color_images(shapes, encode):
    return [(s, [], 32, encode(render_rgba(shapes, s))) for s in TRUE_COLOR_SIZES]


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    encode = dib32 if os.environ.get('ICON_FORMAT') == 'bmp' else png
    pal256 = palette256()
    write_ico(os.path.join(res, 'Vireola.ico'),
              [image(monitor_icon(False), s, VGA16, 4) for s in (32, 16)]
              + true_color_images(monitor_icon(True), encode))
    write_ico(os.path.join(res, 'DesktopIcon.ico'),
              [image(folder_icon(False), s, VGA16, 4) for s in (32, 16, 48)]
              + [image(folder_icon(True), s, pal256, 8) for s in (32, 16, 48)]
              + true_color_images(folder_icon(True), encode))


if __name__ == '__main__':
    main()
