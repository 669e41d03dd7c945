#!/usr/bin/env python3
"""Draws the application icon (a white ring on a blue disc) and writes it as a Windows .ico
with 16, 32 and 48 pixel images (32-bit BGRA, bottom-up, with an AND mask).

    python3 tools/make-icon.py src/app/win32/orvanel.ico
"""
import struct
import sys


def pixel(x, y, size):
    # 4x4 supersampling for smooth edges.
    cover_disc = cover_ring = 0
    c = size / 2.0
    outer, ring_out, ring_in = size * 0.47, size * 0.33, size * 0.19
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            d = ((px - c) ** 2 + (py - c) ** 2) ** 0.5
            if d <= outer:
                cover_disc += 1
                if ring_in <= d <= ring_out:
                    cover_ring += 1
    a = cover_disc / 16.0
    if a == 0:
        return (0, 0, 0, 0)
    t = cover_ring / max(cover_disc, 1)
    # Blue disc (30, 110, 200) shading towards white in the ring.
    r = int(30 + (255 - 30) * t)
    g = int(110 + (255 - 110) * t)
    b = int(200 + (255 - 200) * t)
    return (b, g, r, int(255 * a))


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(x, y, size)) for x in range(size)))
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_stride * size)  # alpha decides; the mask is all opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "orvanel.ico")
