#!/usr/bin/env python3
"""Draws the application icon (a white ring on a blue disc) and writes it as a Windows .ico
with the sizes Windows asks for at 96 to 192 dpi and more: 16, 20, 24, 32, 40, 48 and 64 pixel
images (32-bit BGRA, bottom-up, with an AND mask) and a 256 pixel one as PNG (as Windows keeps
its large icons; a bitmap of that size would be 260 KB).

    python3 tools/make-icon.py src/app/win32/orvanel.ico
"""
import struct
import sys
import zlib


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


def png_image(size):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b""
    for y in range(size):  # top-down, RGBA, filter 0 on every row
        row = b"".join(struct.pack("BBBB", *(lambda b, g, r, a: (r, g, b, a))(*pixel(x, y, size)))
                       for x in range(size))
        raw += b"\0" + row
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def main(path):
    images = [png_image(s) if s >= 256 else image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for s, data in zip(SIZES, images):
        # A width or height of 256 is written as 0 in the directory.
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "orvanel.ico")
