#!/usr/bin/env python3
"""Pixel questions about screenshots (binary PPM) for stroke_e2e.sh."""
import sys


def load(path):
    data = open(path, 'rb').read()
    parts, pos = [], 0
    while len(parts) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':   # a comment runs to the end of its line
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        parts.append(data[pos:end])
        pos = end
    width, height = int(parts[1]), int(parts[2])
    return width, height, data[pos + 1:]


def pixel(img, x, y):
    w, _, px = img
    i = 3 * (y * w + x)
    return px[i], px[i + 1], px[i + 2]


def white(img, x, y):
    return pixel(img, x, y) == (255, 255, 255)


def canvas_box(img):
    """The white canvas: the first long white run on a middle row, then its column."""
    y = 280
    x = 90
    while x < 900:
        if white(img, x, y):
            end = x
            while end < 900 and white(img, end, y):
                end += 1
            if end - x >= 100:
                top = y
                while top > 0 and white(img, x + 50, top - 1):
                    top -= 1
                bottom = y
                while white(img, x + 50, bottom + 1):
                    bottom += 1
                return x, top, end - 1, bottom
            x = end
        x += 1
    return None


def main():
    cmd = sys.argv[1]
    img = load(sys.argv[2])
    a = [int(v) for v in sys.argv[3:]] if cmd != 'same' else []
    if cmd == 'box':
        box = canvas_box(img)
        print(*box) if box else print('none')
    elif cmd == 'grey':        # the red channel of a pixel
        print(pixel(img, a[0], a[1])[0])
    elif cmd == 'painted':     # pixels not white in x0 y0 x1 y1 (inclusive)
        print(sum(0 if white(img, x, y) else 1 for y in range(a[1], a[3] + 1) for x in range(a[0], a[2] + 1)))
    elif cmd == 'same':        # two shots equal over x0 y0 x1 y1
        other = load(sys.argv[3])
        b = [int(v) for v in sys.argv[4:]]
        same = all(pixel(img, x, y) == pixel(other, x, y) for y in range(b[1], b[3] + 1) for x in range(b[0], b[2] + 1))
        print(1 if same else 0)


main()
