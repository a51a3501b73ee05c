#!/usr/bin/env python3
"""Draws the extension's three icons (16x16 and 32x32, 32-bit with mask) into .ico files."""
import math
import struct
import sys


def globe(x, y, n):
    c = (n - 1) / 2
    r = n / 2 - 0.5
    d = math.hypot(x - c, y - c)
    if d > r:
        return None
    if abs(x - c) < n / 16 or abs(y - c) < n / 16 or abs(d - r * 0.55) < n / 20:
        return (255, 255, 255, 255)
    return (40, 110, 200, 255)


def server(x, y, n, plus=False):
    m = n // 8
    if plus and x < n // 2 and y < n // 2:
        c = n // 4
        if abs(x - c) <= max(1, n // 16) and abs(y - c) <= n // 5 or abs(y - c) <= max(1, n // 16) and abs(x - c) <= n // 5:
            return (230, 180, 20, 255)
    if m <= x < n - m and 2 * m <= y < n - m:
        if x in (m, n - m - 1) or y in (2 * m, n - m - 1):
            return (60, 60, 60, 255)
        if (y - 2 * m) % max(2, n // 4) == 0:
            return (90, 90, 90, 255)
        if x >= n - 3 * m and (y - 2 * m) % max(2, n // 4) == max(1, n // 8):
            return (40, 200, 60, 255)
        return (200, 200, 205, 255)
    return None


def image(draw, n):
    pixels = []
    mask = []
    for y in reversed(range(n)):  # bottom-up
        row_mask = 0
        bits = []
        for x in range(n):
            p = draw(x, y, n)
            if p is None:
                pixels.append(b"\0\0\0\0")
                bits.append(1)
            else:
                r, g, b, a = p
                pixels.append(bytes((b, g, r, a)))
                bits.append(0)
        stride = ((n + 31) // 32) * 4
        row = bytearray(stride)
        for x, bit in enumerate(bits):
            if bit:
                row[x // 8] |= 0x80 >> (x % 8)
        mask.append(bytes(row))
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(pixels) + b"".join(mask)


def icon(draw, path):
    sizes = (16, 32)
    images = [image(draw, n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


folder = sys.argv[1] if len(sys.argv) > 1 else "."
icon(globe, folder + "/main.ico")
icon(lambda x, y, n: server(x, y, n), folder + "/profile.ico")
icon(lambda x, y, n: server(x, y, n, True), folder + "/new_profile.ico")
