#!/usr/bin/env python3
"""Writes the window's five 16 x 16 symbols as 32-bit bitmaps (1,078 bytes each).

The bottom-left pixel's colour is the transparent one, as for every button glyph.
Run it after changing a picture; the bitmaps are kept in the repository.
"""
import os
import struct

PALETTE = {
    '.': (255, 0, 255),   # transparent
    'k': (40, 40, 40),
    'w': (255, 255, 255),
    'b': (30, 90, 190),   # globe: sea
    'l': (110, 170, 235),
    'g': (40, 150, 60),   # land, tick
    'y': (245, 205, 90),  # folder
    'o': (190, 140, 30),
    'r': (200, 40, 40),
    'n': (150, 100, 50),  # package box
    't': (215, 170, 110),
    's': (120, 120, 120),
}

IMAGES = {
    'online': [  # the server on the network: a globe
        '................',
        '.....kkkkkk.....',
        '...kkbbggbbkk...',
        '..kbbbggggbbbk..',
        '..kbggggbbbbbk..',
        '.kbbgggbbbbgllk.',
        '.kbbbggbbbggglk.',
        '.kbbbbgbbbgggbk.',
        '.kbbbbbbbbbggbk.',
        '.kbbbgggbbbbbbk.',
        '.klbbggggbbbblk.',
        '..kbbgggbbbbbk..',
        '..kbbbggbbbblk..',
        '...kkbbbbbbkk...',
        '.....kkkkkk.....',
        '................',
    ],
    'offline': [  # the package folder beside the program: a box
        '................',
        '................',
        '...kkkkkkkkkk...',
        '..knnttttttnnk..',
        '.kttttttttttttk.',
        '.kkkkkkkkkkkkkk.',
        '.ktttttwwttttnk.',
        '.ktttttkktttttk.',
        '.kttttttttttttk.',
        '.kttttttttttttk.',
        '.kttttttttttttk.',
        '.kttttttttttttk.',
        '.ktttttttttttnk.',
        '.knnnnnnnnnnnnk.',
        '.kkkkkkkkkkkkkk.',
        '................',
    ],
    'markall': [  # a box with a tick
        '................',
        '................',
        '.kkkkkkkkkkkk...',
        '.kwwwwwwwwwwk...',
        '.kwwwwwwwwwgkg..',
        '.kwwwwwwwwggkgg.',
        '.kwwwwwwwggwkg..',
        '.kwggwwwggwwk...',
        '.kwgggwggwwwk...',
        '.kwwggggwwwwk...',
        '.kwwwggwwwwwk...',
        '.kwwwwwwwwwwk...',
        '.kwwwwwwwwwwk...',
        '.kkkkkkkkkkkk...',
        '................',
        '................',
    ],
    'demarkall': [  # an empty box, the mark struck out
        '................',
        '................',
        '.kkkkkkkkkkkk...',
        '.kwwwwwwwwwwk...',
        '.kwrrwwwwrrwk...',
        '.kwwrrwwrrwwk...',
        '.kwwwrrrrwwwk...',
        '.kwwwwrrwwwwk...',
        '.kwwwrrrrwwwk...',
        '.kwwrrwwrrwwk...',
        '.kwrrwwwwrrwk...',
        '.kwwwwwwwwwwk...',
        '.kwwwwwwwwwwk...',
        '.kkkkkkkkkkkk...',
        '................',
        '................',
    ],
    'folder': [
        '................',
        '................',
        '.ooooo..........',
        'oyyyyyo.........',
        'oyyyyyyoooooooo.',
        'oyyyyyyyyyyyyyo.',
        'oyooooooooooooooo',
        'oyoyyyyyyyyyyyyyo',
        'oyoyyyyyyyyyyyyo.',
        'ooyyyyyyyyyyyyyo.',
        'ooyyyyyyyyyyyyo..',
        'oyyyyyyyyyyyyyo..',
        'ooooooooooooooo..',
        '................',
        '................',
        '................',
    ],
}


def bitmap(rows):
    rows = [r[:16].ljust(16, '.') for r in rows]
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for ch in row:
            r, g, b = PALETTE[ch]
            pixels += bytes((b, g, r, 255))
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 32, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


here = os.path.dirname(os.path.abspath(__file__))
for name, rows in IMAGES.items():
    with open(os.path.join(here, name + '.bmp'), 'wb') as out:
        out.write(bitmap(rows))
