#!/usr/bin/env python3
"""Writes the settings files a fresh program folder starts with.

    make_defaults.py <program folder>

The editor and the browser read these files at start and write them back at
exit; a missing file gives their all-zero start (a small frame with no bars, a
black palette, thirty equal pens). The tables below are the starting point a
first start should show. Layouts: app/envblock.h (env_.env), paint/pen_state.h
(PenRecord, pen.dat), app/colourpanel.h (palette cells in palette/pal.env),
app/settings.h (text size lists, initdir.dat) and browser/browser_settings.h
(exp/eenv.env). All numbers are little-endian.
"""
import os
import struct
import sys

# --- env_.env: the editor's 2,864-byte settings block ----------------------

ENV_SIZE = 2864

# The file dialogs keep their type as the 1-based entry of their filter: one
# entry per extension of each plug-in, the plug-ins sorted by file name.
# Readers bmpload (bmp, dib), draload (dra, dnp), jpgload (jpg, ...);
# writers bmpsave (bmp), drasave (dra, dnp), jpgsave (jpg, ...).
OPEN_TYPE_JPEG = 5
SAVE_TYPE_JPEG = 4
ENV_FIELDS = {
    # offset: (format, value)
    0: ('<i', 1),                          # maximised
    4: ('<I', (40 << 16) | 40),            # restored position: top 40, left 40
    8: ('<I', (720 << 16) | 1024),         # restored size: 1024 x 720
    12: ('<i', 1),                         # status bar shown
    16: ('<i', 1),                         # main tool bar shown
    20: ('<i', 1),                         # control panel shown
    24: ('<i', 0),                         # screen output: plain
    28: ('<i', 1),                         # status bar shows the cursor coordinates
    36: ('<3i', (0, 0, 0)),                # pen colour: black (the other models follow)
    88: ('<dd', (2.0, 2.0)),               # pen tip radii (record 0 replaces them)
    396: ('<i', OPEN_TYPE_JPEG),           # open dialog starts on JPEG files
    400: ('<i', SAVE_TYPE_JPEG),           # save dialog starts on JPEG
    404: ('<i', 0),                        # save-format warning shown
    408: ('<i', 20),                       # selection history: 20 steps
    412: ('<i', 1),                        # numbers as percent
    864: ('<i', 128),                      # tablet pressure middle point
    924: ('<i', 2),                        # colour gauges in HSV
    1352: ('<i', 1),                       # strokes stay inside a selection
    1364: ('<i', 1),                       # brush outline shown
    1404: ('<ii', (800, 600)),             # new canvas 800 x 600
    1432: ('<i', 96),                      # at 96 dpi
}

def env_block():
    data = bytearray(ENV_SIZE)
    for offset, (fmt, value) in ENV_FIELDS.items():
        values = value if isinstance(value, tuple) else (value,)
        struct.pack_into(fmt, data, offset, *values)
    return data

# --- pen.dat: 100 stored pens of 64 bytes, the first 30 shown --------------

# Tip kinds: 0 soft round, 1 hard round, 2 scattered dots, 3 flat (square),
# 4 edge pen (an outline in the edge colour around the pen colour).
SOFT, HARD, SCATTER, FLAT, EDGE = 0, 1, 2, 3, 4

# (name, half width, half height, tip kind, edge colour, inner factor); the
# list reads in the pen panel's order, five pens a row.
PENS = [
    ('fine liner',        1.0,  1.0, HARD,    None, 0),
    ('hard round 3',      1.5,  1.5, HARD,    None, 0),
    ('hard round 5',      2.0,  2.0, HARD,    None, 0),
    ('hard round 9',      4.0,  4.0, HARD,    None, 0),
    ('hard round 15',     7.0,  7.0, HARD,    None, 0),
    ('soft round 5',      2.0,  2.0, SOFT,    None, 0),
    ('soft round 9',      4.0,  4.0, SOFT,    None, 0),
    ('soft round 15',     7.0,  7.0, SOFT,    None, 0),
    ('soft round 25',    12.0, 12.0, SOFT,    None, 0),
    ('airbrush 41',      20.0, 20.0, SOFT,    None, 0),
    ('flat 9 x 3',        4.0,  1.0, FLAT,    None, 0),
    ('flat 3 x 9',        1.0,  4.0, FLAT,    None, 0),
    ('flat 17 x 5',       8.0,  2.0, FLAT,    None, 0),
    ('square 7',          3.0,  3.0, FLAT,    None, 0),
    ('square 15',         7.0,  7.0, FLAT,    None, 0),
    ('scatter 9',         4.0,  4.0, SCATTER, None, 0),
    ('scatter 17',        8.0,  8.0, SCATTER, None, 0),
    ('scatter 33',       16.0, 16.0, SCATTER, None, 0),
    ('edge pen black',    5.0,  5.0, EDGE,    (0, 0, 0), 6.0),
    ('edge pen white',    8.0,  8.0, EDGE,    (255, 255, 255), 6.0),
    ('calligraphy 13x5',  6.0,  2.0, HARD,    None, 0),
    ('calligraphy 5x13',  2.0,  6.0, HARD,    None, 0),
    ('soft oval 41x17',  20.0,  8.0, SOFT,    None, 0),
    ('hard round 25',    12.0, 12.0, HARD,    None, 0),
    ('hard round 41',    20.0, 20.0, HARD,    None, 0),
    ('eraser 21',        10.0, 10.0, HARD,    None, 0),
    ('eraser 61',        30.0, 30.0, HARD,    None, 0),
    ('soft eraser 49',   24.0, 24.0, SOFT,    None, 0),
    ('blender 65',       32.0, 32.0, SOFT,    None, 0),
    ('wash 129',         64.0, 64.0, SOFT,    None, 0),
]
PEN_COUNT = 100

def pen_records():
    assert len(PENS) == 30
    data = bytearray(64 * PEN_COUNT)
    for i in range(PEN_COUNT):
        name, hw, hh, kind, edge, inner = PENS[i] if i < len(PENS) else ('', 1.0, 1.0, HARD, None, 0)
        r, g, b = edge or (0, 0, 0)
        struct.pack_into('<ddi4Bd', data, 64 * i, hw, hh, kind, r, g, b, 0, float(inner))
    return data

# --- palette/pal.env: 56 cells of 48 bytes (red, green, blue first) ---------

PALETTE_SIZE = 18560
# Seven cells a column, eight columns: greys, primaries and secondaries, their
# light and dark tints, skin tones, earth tones.
PALETTE = [
    # greys, white to black
    (255, 255, 255), (212, 212, 212), (170, 170, 170), (128, 128, 128), (85, 85, 85), (42, 42, 42), (0, 0, 0),
    # primaries and secondaries
    (255, 0, 0), (255, 128, 0), (255, 255, 0), (0, 192, 0), (0, 160, 255), (0, 0, 255), (160, 0, 255),
    # their light tints
    (255, 160, 160), (255, 204, 153), (255, 255, 170), (170, 230, 170), (170, 220, 255), (170, 170, 255), (220, 170, 255),
    # their dark shades
    (128, 0, 0), (153, 76, 0), (128, 128, 0), (0, 96, 0), (0, 80, 128), (0, 0, 128), (80, 0, 128),
    # magenta, pink, cyan, teal, olive, navy, maroon
    (255, 0, 255), (255, 105, 180), (0, 255, 255), (0, 128, 128), (107, 142, 35), (25, 25, 90), (110, 20, 40),
    # skin tones, light to dark
    (255, 228, 206), (250, 214, 184), (241, 194, 160), (224, 172, 130), (198, 134, 96), (150, 98, 66), (96, 62, 42),
    # earth tones
    (240, 220, 170), (210, 180, 120), (190, 150, 90), (160, 110, 60), (120, 80, 40), (90, 60, 30), (60, 40, 20),
    # greens, blues and stone of landscapes
    (140, 180, 90), (85, 130, 60), (50, 90, 40), (135, 180, 220), (70, 120, 170), (190, 180, 160), (140, 130, 120),
]

def palette_block():
    assert len(PALETTE) == 56 and len(set(PALETTE)) == 56
    data = bytearray(PALETTE_SIZE)
    for i, (r, g, b) in enumerate(PALETTE):
        struct.pack_into('<3i', data, 48 * i, r, g, b)
        struct.pack_into('<3i', data, 48 * i + 24, 255 - r, 255 - g, 255 - b)   # cyan, magenta, yellow
    return data

# --- text lists: pensize.dat and canvsize.dat ("%d %d" a line) -------------

PEN_SIZES = [(1, 1), (2, 2), (3, 3), (5, 5), (8, 8), (12, 12), (20, 20), (32, 32)]
CANVAS_SIZES = [(320, 240), (640, 480), (800, 600), (1024, 768), (1280, 1024),
                (1600, 1200), (1920, 1080), (2048, 1536), (2480, 3508), (3508, 2480)]

def size_list(pairs):
    return ''.join('%d %d\n' % p for p in pairs).encode('ascii')

# --- initdir.dat: the open dialog's 265-byte folder block -------------------
# Empty: the open dialog starts in the folder of the last file opened.
INITDIR_SIZE = 265

# --- exp/eenv.env: the browser's 320-byte settings record ------------------

def browser_settings():
    data = bytearray(320)
    struct.pack_into('<14i', data, 0,
                     220,                    # folder tree width
                     0,                      # file types: every format
                     1,                      # thumbnails 128 x 128
                     (40 << 16) | 40,        # position
                     (720 << 16) | 1024,     # size 1024 x 720
                     1,                      # maximised
                     0,
                     0,                      # sorted by name
                     0, 0,
                     128, 128,               # cell size
                     0, 0)
    return data

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(data)
    os.replace(tmp, path)

def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    write(os.path.join(root, 'env_.env'), env_block())
    write(os.path.join(root, 'pen.dat'), pen_records())
    write(os.path.join(root, 'palette', 'pal.env'), palette_block())
    write(os.path.join(root, 'pensize.dat'), size_list(PEN_SIZES))
    write(os.path.join(root, 'canvsize.dat'), size_list(CANVAS_SIZES))
    write(os.path.join(root, 'initdir.dat'), bytes(INITDIR_SIZE))
    write(os.path.join(root, 'exp', 'eenv.env'), browser_settings())

if __name__ == '__main__':
    main()
