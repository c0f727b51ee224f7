#!/usr/bin/python3
"""Draws the library's bitmaps and icons.

    make_pictures.py <outdir>

writes <id>.bmp (24-bit) and <id>.ico (32x32, 32-bit with mask) into outdir.
Standard library only. White is the see-through colour of the small list
pictures (107-109, 118-120), so they use no other pure white.
"""
import math
import os
import struct
import sys

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
FACE = (192, 192, 192)
DARK = (128, 128, 128)
NAVY = (0, 0, 128)
BLUE = (40, 96, 208)
SEA = (64, 128, 224)
LAND = (48, 160, 64)
YELLOW = (240, 208, 64)
YELLOW_DARK = (176, 136, 16)
GREEN = (64, 176, 64)
GREEN_DARK = (24, 112, 24)
PAPER = (248, 248, 240)
RED = (200, 32, 32)


class Canvas:
    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]
        self.alpha = [[255] * width for _ in range(height)]

    def put(self, x, y, colour):
        x, y = int(x), int(y)
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour
            self.alpha[y][x] = 255

    def clear(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.alpha[y][x] = 0

    def rect(self, x0, y0, x1, y1, colour):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.line(x0, y0, x1, y0, colour)
        self.line(x1, y0, x1, y1, colour)
        self.line(x1, y1, x0, y1, colour)
        self.line(x0, y1, x0, y0, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(max(0, min(ys)), min(self.height, max(ys) + 1)):
            cy = y + 0.5
            xs = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(math.ceil(a - 0.5), math.floor(b - 0.5) + 1):
                    self.put(x, y, colour)
        for p, q in zip(points, points[1:] + points[:1]):
            self.line(p[0], p[1], q[0], q[1], BLACK)

    def globe(self, cx, cy, r):
        """A globe with a meridian grid and two land masses."""
        for y in range(self.height):
            for x in range(self.width):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                d = math.hypot(dx, dy)
                if d > r:
                    continue
                if d > r - 1:
                    self.put(x, y, NAVY)
                    continue
                lat = math.asin(max(-1.0, min(1.0, dy / r)))
                lon = math.asin(max(-1.0, min(1.0, dx / max(r * math.cos(lat), 0.01))))
                land = (math.sin(lon * 3 + 1) + math.cos(lat * 4)) > 1.1
                colour = LAND if land else SEA
                if abs(math.degrees(lon)) % 30 < 3 or abs(math.degrees(lat)) % 30 < 3:
                    colour = (colour[0] // 2, colour[1] // 2, colour[2] // 2 + 64)
                self.put(x, y, colour)

    def folder(self, x, y, w, h, body, edge, open_=False):
        """A folder whose top left corner is (x, y)."""
        self.rect(x, y, x + w // 3, y + 1, body)
        self.frame(x, y, x + w // 3, y + 1, edge)
        self.rect(x, y + 2, x + w - 1, y + h - 1, body)
        self.frame(x, y + 2, x + w - 1, y + h - 1, edge)
        if open_:
            lid = [(x + 3, y + 5), (x + w - 1, y + 5), (x + w - 4, y + h - 1), (x, y + h - 1)]
            self.polygon(lid, (min(body[0] + 24, 254), min(body[1] + 24, 254), body[2]))

    def document(self, x, y, w, h):
        fold = max(3, w // 4)
        self.polygon([(x, y), (x + w - 1 - fold, y), (x + w - 1, y + fold), (x + w - 1, y + h - 1),
                      (x, y + h - 1)], PAPER)
        self.line(x + w - 1 - fold, y, x + w - 1 - fold, y + fold, BLACK)
        self.line(x + w - 1 - fold, y + fold, x + w - 1, y + fold, BLACK)
        for ty in range(y + fold + 2, y + h - 2, 2):
            self.line(x + 2, ty, x + w - 4, ty, DARK)

    def up_arrow(self, x, y, size, colour):
        half = size // 2
        self.polygon([(x + half, y), (x + size - 1, y + half), (x + half + 2, y + half),
                      (x + half + 2, y + size - 1), (x + half - 2, y + size - 1), (x + half - 2, y + half),
                      (x, y + half)], colour)

    def bmp(self):
        row = (self.width * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.height - 1, -1, -1):
            line = bytearray()
            for r, g, b in self.pixels[y]:
                line += bytes((b, g, r))
            line += b"\0" * (row - len(line))
            data += line
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
        return head + info + bytes(data)

    def ico(self):
        colour = bytearray()
        for y in range(self.height - 1, -1, -1):
            for x in range(self.width):
                r, g, b = self.pixels[y][x]
                colour += bytes((b, g, r, self.alpha[y][x]))
        mask_row = ((self.width + 31) // 32) * 4
        mask = bytearray()
        for y in range(self.height - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(self.width):
                if self.alpha[y][x] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height * 2, 1, 32, 0,
                           len(colour) + len(mask), 0, 0, 0, 0)
        image = info + bytes(colour) + bytes(mask)
        head = struct.pack("<HHH", 0, 1, 1)
        entry = struct.pack("<BBBBHHII", self.width, self.height, 0, 0, 1, 32, len(image), 6 + 16)
        return head + entry + image


def globe_picture(plugged):
    c = Canvas(55, 35, FACE)
    c.globe(27.5 if not plugged else 22.5, 17.5, 16)
    if plugged:
        # A cable from the right edge ending in a plug at the globe.
        c.rect(44, 16, 54, 18, DARK)
        c.rect(38, 14, 43, 20, BLACK)
        c.rect(36, 15, 37, 15, YELLOW_DARK)
        c.rect(36, 19, 37, 19, YELLOW_DARK)
    else:
        c.rect(46, 16, 54, 18, DARK)  # the cable lies loose
        c.rect(44, 15, 45, 19, BLACK)
    return c


def banner(tint, stripes):
    c = Canvas(345, 25, FACE)
    for x in range(345):
        f = x / 344
        colour = tuple(int(tint[i] * (1 - f) + FACE[i] * f) for i in range(3))
        c.rect(x, 0, x, 24, colour)
    c.globe(14, 12.5, 10)
    for i in range(stripes):
        c.rect(32 + 6 * i, 20, 34 + 6 * i, 22, YELLOW)
    c.line(0, 24, 344, 24, DARK)
    return c


def pictures():
    out = {}
    out["105.bmp"] = globe_picture(True)
    out["106.bmp"] = globe_picture(False)

    c = Canvas(18, 14, WHITE)
    c.folder(0, 0, 17, 14, YELLOW, YELLOW_DARK, open_=True)
    out["107.bmp"] = c
    c = Canvas(18, 14, WHITE)
    c.folder(0, 0, 17, 14, GREEN, GREEN_DARK)
    out["108.bmp"] = c
    c = Canvas(18, 14, WHITE)
    c.folder(0, 0, 17, 14, YELLOW, YELLOW_DARK)
    out["109.bmp"] = c

    # Dialog pictures, 48 x 48: a globe, an open folder, a document.
    c = Canvas(48, 48, FACE)
    c.globe(24, 24, 21)
    out["110.bmp"] = c
    c = Canvas(48, 48, FACE)
    c.folder(4, 8, 40, 32, YELLOW, YELLOW_DARK, open_=True)
    out["111.bmp"] = c
    c = Canvas(48, 48, FACE)
    c.document(10, 4, 28, 40)
    out["114.bmp"] = c

    out["113.bmp"] = banner(NAVY, 3)
    out["115.bmp"] = banner(GREEN_DARK, 5)

    c = Canvas(18, 17, WHITE)
    c.document(3, 0, 12, 17)
    out["118.bmp"] = c
    c = Canvas(16, 14, WHITE)
    c.folder(0, 0, 16, 14, YELLOW, YELLOW_DARK)
    out["119.bmp"] = c
    c = Canvas(12, 16, WHITE)
    # An arrow that goes down, then bends to the right.
    c.rect(1, 0, 3, 10, BLUE)
    c.rect(1, 9, 7, 11, BLUE)
    c.polygon([(7, 6), (11, 10), (7, 14)], BLUE)
    out["120.bmp"] = c

    for name, arrow in (("116.ico", True), ("117.ico", False)):
        c = Canvas(32, 32, BLACK)
        for y in range(32):
            for x in range(32):
                c.clear(x, y)
        c.folder(1, 1, 18, 14, YELLOW, YELLOW_DARK)
        if arrow:
            c.up_arrow(0, 0, 9, RED)
        out[name] = c
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_pictures.py <outdir>")
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, canvas in pictures().items():
        data = canvas.ico() if name.endswith(".ico") else canvas.bmp()
        tmp = os.path.join(outdir, name + ".tmp")
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, os.path.join(outdir, name))


if __name__ == "__main__":
    main()
