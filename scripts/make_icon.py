#!/usr/bin/env python3
"""Draws the application icon (a folder holding a photo) and writes resources/quillmere.ico.

The icon is committed; run this again only to change the drawing."""
import struct
import sys


def pixel(x, y, n):
    """RGBA of pixel (x, y) in an n x n icon; coordinates scaled to a 32-unit grid."""
    u, v = x * 32.0 / n, y * 32.0 / n
    # Folder tab and body.
    if 3 <= u < 14 and 6 <= v < 10:
        return (226, 168, 46, 255)
    if 2 <= u < 30 and 9 <= v < 27:
        # Photo card sticking out of the folder.
        if 7 <= u < 25 and 4 <= v < 20:
            if 8 <= u < 24 and 5 <= v < 19:
                if (u - 19) ** 2 + (v - 9) ** 2 < 6:
                    return (244, 120, 32, 255)
                if v > 15 - (u - 8) * 0.35 and v > 12 + (u - 16) * 0.4:
                    return (60, 150, 70, 255)
                return (170, 215, 245, 255)
            return (255, 255, 255, 255)
        if v >= 14:
            return (247, 196, 72, 255) if v < 26 else (200, 140, 30, 255)
        return (226, 168, 46, 255)
    return (0, 0, 0, 0)


def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in
                       (pixel(x, y, n) for x in range(n)))
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((n + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = [16, 32, 48]
    blobs = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, blob in zip(sizes, blobs):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/quillmere.ico")
