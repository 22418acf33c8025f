#!/usr/bin/env python3
"""Draws the window's pictures into src/resources/pictures/*.ico, at every size the views ask for
(16 px at 96 dpi up to 64 px at 384 dpi), and the program's icon also at the 256 px of
Explorer's large views. The files are kept in the repository; run this only to
change a picture. Shapes lie on a 16 x 16 design grid; each pixel takes its share of a shape from
4 x 4 samples."""
import math
import os
import struct
import sys

SIZES = [16, 20, 24, 32, 40, 48, 64]
# The program's own icon, as Explorer's largest views show it.
PROGRAM_SIZES = SIZES + [256]
DARK_GREY = (64, 64, 64, 1.0)


def ring(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) <= width / 2


def stroke(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = min(max(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0), 1.0)
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= width / 2
    return inside


def box(left, top, right, bottom):
    return lambda x, y: left <= x <= right and top <= y <= bottom


def triangle(a, b, c):
    def inside(x, y):
        def side(u, v):
            return (v[0] - u[0]) * (y - u[1]) - (v[1] - u[1]) * (x - u[0])
        s = (side(a, b), side(b, c), side(c, a))
        return all(v >= 0 for v in s) or all(v <= 0 for v in s)
    return inside


def arrow_arc(start, span):
    """An arc of radius 5 around the centre, counter-clockwise from start degrees over span, with
    an arrow head at its end pointing along it."""
    frm = math.radians(start)
    to = math.radians(start + span)
    circle = ring(8, 8, 5, 1.8)

    def arc(x, y):
        angle = math.atan2(8 - y, x - 8)
        while angle < frm:
            angle += 2 * math.pi
        return angle <= to and circle(x, y)
    tip = (8 + 5 * math.cos(to), 8 - 5 * math.sin(to))
    along = to + math.pi / 2
    d = (math.cos(along), -math.sin(along))
    n = (-d[1], d[0])
    head = triangle((tip[0] + d[0] * 3, tip[1] + d[1] * 3),
                    (tip[0] + n[0] * 2.8, tip[1] + n[1] * 2.8),
                    (tip[0] - n[0] * 2.8, tip[1] - n[1] * 2.8))
    return [arc, head]


PICTURES = {
    "search": [([ring(6.25, 6.25, 4.25, 1.8), stroke(10, 10, 14, 14, 2.6)], DARK_GREY)],
    "start": [(arrow_arc(100, 140) + arrow_arc(280, 140), DARK_GREY)],
    "stop": [([ring(8, 8, 6.5, 1.6), box(5.5, 5.5, 10.5, 10.5)], DARK_GREY)],
    # A register: its body, its paper strip and its display.
    "kelvane": [([box(1.5, 6.5, 14.5, 14.5)], (64, 64, 64, 1.0)),
                ([box(2.5, 7.5, 13.5, 13.5)], (230, 230, 230, 1.0)),
                ([box(4.5, 1.5, 11.5, 6.5)], (64, 64, 64, 1.0)),
                ([box(5.5, 2.5, 10.5, 6.5)], (255, 255, 255, 1.0)),
                ([box(3.5, 8.5, 8.5, 11)], (40, 110, 60, 1.0))],
}


def render(layers, size):
    """Rows from the top, pixels as (blue, green, red, alpha) with straight alpha."""
    scale = 16.0 / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            red = green = blue = alpha = 0.0
            for shapes, (r, g, b, opacity) in layers:
                hits = 0
                for sy in range(4):
                    for sx in range(4):
                        px, py = (x + (sx + 0.5) / 4) * scale, (y + (sy + 0.5) / 4) * scale
                        hits += any(shape(px, py) for shape in shapes)
                # Each layer lies over the ones before it.
                a = opacity * hits / 16.0
                red, green, blue = r * a + red * (1 - a), g * a + green * (1 - a), b * a + blue * (1 - a)
                alpha = a + alpha * (1 - a)
            if alpha > 0:
                red, green, blue = red / alpha, green / alpha, blue / alpha
            row.append(tuple(int(v + 0.5) for v in (blue, green, red, alpha * 255)))
        rows.append(row)
    return rows


def icon_image(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(rows) for p in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def write_icon(path, layers, sizes):
    images = [icon_image(render(layers, size)) for size in sizes]
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(sizes, images):
        # A width and height of 256 are written as 0.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as file:
        file.write(out + b"".join(images))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "src", "resources", "pictures")
    os.makedirs(folder, exist_ok=True)
    for name, layers in PICTURES.items():
        write_icon(os.path.join(folder, name + ".ico"), layers,
                   PROGRAM_SIZES if name == "kelvane" else SIZES)


if __name__ == "__main__":
    main()
