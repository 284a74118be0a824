#!/usr/bin/env python3
"""Draws the drive combo box's five 16 x 16 drive icons and writes them as
32-bit .ico files beside this script (run it again after changing a picture)."""
import os
import struct

def blank():
    return [[None] * 16 for _ in range(16)]

def rect(img, l, t, r, b, c):
    for y in range(t, b):
        for x in range(l, r):
            img[y][x] = c

def frame(img, l, t, r, b, c):
    for x in range(l, r):
        img[t][x] = c
        img[b - 1][x] = c
    for y in range(t, b):
        img[y][l] = c
        img[y][r - 1] = c

def disc(img, cx, cy, rad, c):
    for y in range(16):
        for x in range(16):
            if (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad:
                img[y][x] = c

BLACK, WHITE, GREY, DARK = (0, 0, 0), (255, 255, 255), (160, 160, 160), (90, 90, 90)

def floppy():
    img = blank()
    rect(img, 1, 1, 15, 15, (40, 60, 150))
    frame(img, 1, 1, 15, 15, BLACK)
    rect(img, 4, 2, 12, 6, (200, 200, 210))
    rect(img, 9, 3, 11, 5, DARK)
    rect(img, 3, 9, 13, 14, WHITE)
    return img

def hdd():
    img = blank()
    rect(img, 1, 5, 15, 12, GREY)
    frame(img, 1, 5, 15, 12, BLACK)
    rect(img, 2, 6, 14, 7, WHITE)
    rect(img, 11, 9, 13, 10, (0, 200, 0))
    return img

def net():
    img = blank()
    rect(img, 1, 3, 15, 10, GREY)
    frame(img, 1, 3, 15, 10, BLACK)
    rect(img, 11, 7, 13, 8, (0, 200, 0))
    rect(img, 7, 10, 9, 13, DARK)
    rect(img, 2, 13, 14, 14, DARK)
    return img

def cd():
    img = blank()
    disc(img, 7.5, 7.5, 7.4, DARK)
    disc(img, 7.5, 7.5, 6.6, (215, 215, 225))
    disc(img, 7.5, 7.5, 3, (170, 200, 240))
    disc(img, 7.5, 7.5, 1.5, None)
    return img

def ram():
    img = blank()
    rect(img, 3, 3, 13, 13, (20, 110, 40))
    frame(img, 3, 3, 13, 13, BLACK)
    for k in range(4, 13, 2):
        img[1][k] = img[2][k] = GREY
        img[13][k] = img[14][k] = GREY
        img[k][1] = img[k][2] = GREY
        img[k][13] = img[k][14] = GREY
    rect(img, 6, 6, 10, 10, (230, 190, 40))
    return img

def write_ico(path, img):
    xor = b""
    for y in range(15, -1, -1):
        for x in range(16):
            c = img[y][x]
            xor += bytes((c[2], c[1], c[0], 255)) if c else bytes((0, 0, 0, 0))
    mask = b""
    for y in range(15, -1, -1):
        bits = 0
        for x in range(16):
            if img[y][x] is None:
                bits |= 1 << (15 - x)
        mask += struct.pack(">H", bits) + b"\0\0"
    header = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    data = header + xor + mask
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(data), 22))
        f.write(data)

here = os.path.dirname(os.path.abspath(__file__))
for name, draw in (("floppy", floppy), ("hdd", hdd), ("net", net), ("cd", cd), ("ram", ram)):
    write_ico(os.path.join(here, name + ".ico"), draw())
