#!/usr/bin/env python3
"""Draws the application icon (two pictures side by side, the second one
lower) at 16, 32 and 48 pixels and writes app/win/picjoin.ico."""
import struct
import sys


def pixel(size, x, y):
    # Coordinates in a 16-unit grid so every size shows the same drawing.
    u = 16.0 / size
    gx, gy = (x + 0.5) * u, (y + 0.5) * u
    # First picture: sky blue with a green hill, on the left.
    if 1 <= gx < 9 and 2 <= gy < 11:
        if gx < 1.8 or gx >= 8.2 or gy < 2.8 or gy >= 10.2:
            return (40, 40, 40, 255)
        if (gx - 5) ** 2 / 9 + (gy - 11) ** 2 / 9 < 1:
            return (60, 170, 70, 255)
        return (120, 190, 250, 255)
    # Second picture: orange with a sun, to the right and a little lower.
    if 8 <= gx < 15 and 5 <= gy < 14:
        if gx < 8.8 or gx >= 14.2 or gy < 5.8 or gy >= 13.2:
            return (40, 40, 40, 255)
        if (gx - 11.5) ** 2 + (gy - 8.5) ** 2 < 2.2:
            return (255, 240, 120, 255)
        return (245, 140, 50, 255)
    return (0, 0, 0, 0)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        row = b""
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = 0
        line = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "app/win/picjoin.ico")
