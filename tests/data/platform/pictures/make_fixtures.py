#!/usr/bin/env python3
"""Writes the picture fixtures of the platform tests: BMP and GIF files byte by byte from
the layouts of the formats, JPEG files through Ghostscript's jpeg devices. Every picture
shows the same 5 x 3 pattern (JPEG: four 8 x 8 quadrants), so the tests know each pixel."""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))

# Palette of the pattern; index -> (r, g, b).
COLOURS = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 128, 0), (0, 0, 255), (255, 255, 0)]
# Rows top to bottom.
PATTERN = [
    [2, 3, 4, 5, 1],
    [1, 0, 2, 3, 4],
    [5, 4, 3, 2, 0],
]
W, H = 5, 3


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def bmp(name, bpp, rows_bytes, palette=None, compression=0, top_down=False, header=40, masks=None):
    pal = b""
    if palette is not None:
        if header == 12:
            pal = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in palette)
        else:
            pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    extra = b"".join(struct.pack("<I", m) for m in masks) if masks else b""
    pixels = rows_bytes
    offset = 14 + header + len(extra) + len(pal)
    if header == 12:
        info = struct.pack("<IHHHH", 12, W, H, 1, bpp)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, W, -H if top_down else H, 1, bpp, compression, len(pixels),
                           2835, 2835, len(palette) if palette else 0, 0)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    write(name, head + info + extra + pal + pixels)


def pad(row):
    return row + b"\0" * ((4 - len(row) % 4) % 4)


def rows(top_down=False):
    return PATTERN if top_down else list(reversed(PATTERN))


def pack_bits(indices, bpp):
    out, acc, n = bytearray(), 0, 0
    for i in indices:
        acc = (acc << bpp) | i
        n += bpp
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def make_bmps():
    mono = [(0, 0, 0), (255, 255, 255)]
    bmp("bmp_1bit.bmp", 1, b"".join(pad(pack_bits([1 if c == 1 else 0 for c in r], 1)) for r in rows()), mono)
    bmp("bmp_4bit.bmp", 4, b"".join(pad(pack_bits(r, 4)) for r in rows()), COLOURS)
    bmp("bmp_8bit.bmp", 8, b"".join(pad(bytes(r)) for r in rows()), COLOURS)
    # RLE8: the bottom row as runs of one, the middle row as an absolute run, the top row
    # mixed; then the end-of-bitmap mark.
    bottom, middle, top = rows()
    rle = bytearray()
    for c in bottom:
        rle += bytes([1, c])
    rle += b"\0\0"
    rle += bytes([0, len(middle)]) + bytes(middle) + b"\0"  # absolute run, padded to even
    rle += b"\0\0"
    rle += bytes([1, top[0], 1, top[1]])
    rle += bytes([0, 3]) + bytes(top[2:]) + b"\0"
    rle += b"\0\1"
    bmp("bmp_rle8.bmp", 8, bytes(rle), COLOURS, compression=1)
    rgb = lambda r: b"".join(struct.pack("<BBB", COLOURS[c][2], COLOURS[c][1], COLOURS[c][0]) for c in r)
    bmp("bmp_24bit.bmp", 24, b"".join(pad(rgb(r)) for r in rows()))
    bmp("bmp_24bit_topdown.bmp", 24, b"".join(pad(rgb(r)) for r in rows(True)), top_down=True)
    bmp("bmp_core_24bit.bmp", 24, b"".join(pad(rgb(r)) for r in rows()), header=12)
    bgra = lambda r: b"".join(struct.pack("<BBBB", COLOURS[c][2], COLOURS[c][1], COLOURS[c][0], 0) for c in r)
    bmp("bmp_32bit.bmp", 32, b"".join(bgra(r) for r in rows()))
    # 16-bit with 5-6-5 bit fields: values chosen to scale back to the palette exactly.
    def c565(c):
        r, g, b = COLOURS[c]
        return struct.pack("<H", ((r * 31 + 127) // 255) << 11 | ((g * 63 + 127) // 255) << 5 | ((b * 31 + 127) // 255))
    bmp("bmp_16bit_565.bmp", 16, b"".join(pad(b"".join(c565(c) for c in r)) for r in rows()), compression=3,
        masks=[0xF800, 0x07E0, 0x001F])


def lzw_literal(indices, min_size=8):
    """LZW data that codes every pixel literally, with a clear code often enough that the
    code size never grows."""
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    size = min_size + 1
    codes = [clear]
    for n, i in enumerate(indices):
        if n and n % 200 == 0:
            codes.append(clear)
        codes.append(i)
    codes.append(eoi)
    acc, bits, out = 0, 0, bytearray()
    for c in codes:
        acc |= c << bits
        bits += size
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    blocks = bytearray([min_size])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    blocks += b"\0"
    return bytes(blocks)


def colour_table(colours, entries=256):
    t = b"".join(bytes(c) for c in colours)
    return t + b"\0" * (3 * entries - len(t))


def make_gifs():
    flat = [c for r in PATTERN for c in r]
    # Global colour table of 256 entries, no extensions.
    data = b"GIF87a" + struct.pack("<HHBBB", W, H, 0xF7, 0, 0) + colour_table(COLOURS)
    data += b"," + struct.pack("<HHHHB", 0, 0, W, H, 0) + lzw_literal(flat) + b";"
    write("gif_global.gif", data)
    # A 3 x 2 frame at (1, 1) of a 5 x 4 screen, local colour table, index 0 transparent.
    frame = [0, 2, 3, 4, 0, 5]
    data = b"GIF89a" + struct.pack("<HHBBB", 5, 4, 0x00, 0, 0)
    data += b"!\xf9\x04" + struct.pack("<BHB", 1, 0, 0) + b"\0"
    data += b"," + struct.pack("<HHHHB", 1, 1, 3, 2, 0x87) + colour_table(COLOURS) + lzw_literal(frame) + b";"
    write("gif_local_transparent.gif", data)
    # Interlaced: 2 x 9, row y has colour y % 6; rows stored in the four-pass order.
    rows9 = [[y % 6, y % 6] for y in range(9)]
    order = list(range(0, 9, 8)) + list(range(4, 9, 8)) + list(range(2, 9, 4)) + list(range(1, 9, 2))
    stored = [c for y in order for c in rows9[y]]
    data = b"GIF89a" + struct.pack("<HHBBB", 2, 9, 0xF7, 0, 0) + colour_table(COLOURS)
    data += b"," + struct.pack("<HHHHB", 0, 0, 2, 9, 0x40) + lzw_literal(stored) + b";"
    write("gif_interlaced.gif", data)


QUADRANTS_PS = b"""%!PS
1 0 0 setrgbcolor 0 8 8 8 rectfill
0 1 0 setrgbcolor 8 8 8 8 rectfill
0 0 1 setrgbcolor 0 0 8 8 rectfill
1 1 1 setrgbcolor 8 0 8 8 rectfill
showpage
"""

GREY_QUADRANTS_PS = b"""%!PS
0.2 setgray 0 8 8 8 rectfill
0.5 setgray 8 8 8 8 rectfill
0.8 setgray 0 0 8 8 rectfill
1 setgray 8 0 8 8 rectfill
showpage
"""


def make_jpegs():
    ps = os.path.join(HERE, "quadrants.ps.tmp")
    try:
        for device, name, source in (("jpeg", "jpeg_rgb.jpg", QUADRANTS_PS),
                                     ("jpeggray", "jpeg_gray.jpg", GREY_QUADRANTS_PS)):
            with open(ps, "wb") as f:
                f.write(source)
            subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device, "-r72",
                            "-g16x16", "-dJPEGQ=95", "-sOutputFile=" + os.path.join(HERE, name), ps], check=True)
    finally:
        os.remove(ps)


if __name__ == "__main__":
    make_bmps()
    make_gifs()
    make_jpegs()
