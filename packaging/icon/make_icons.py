#!/usr/bin/env python3
"""The program icon, cut from one of the demo's own frames.

Reads an 8-bit RGB or RGBA PNG (as ombrith-render writes it), takes the
square SIZE x SIZE at X, Y, and writes it scaled by area averaging to each
of the given sizes: OUT_DIR/ombrith-N.png, and OUT_DIR/ombrith.ico holding
those up to 48 pixels (what Windows shows a program with; the larger ones
would weigh on every program that carries the icon). Only the standard library is used, and the files carry no time:
the same frame gives the same bytes.

usage: make_icons.py FRAME.png X Y SIZE OUT_DIR N...
"""
import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != SIGNATURE:
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, header = 8, [], None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: not an 8-bit RGB or RGBA picture without interlacing")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    rows, prior = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prior[i]
            c = prior[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
            elif kind != 0:
                raise ValueError(f"{path}: unknown row filter {kind}")
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prior = line
    return width, height, rows


def scale(pixels, size, n):
    """Area average of a size x size square down to n x n."""
    def spans(i):
        # Source pixels under output pixel i, with the share each covers.
        start, end = i * size / n, (i + 1) * size / n
        out, s = [], int(start)
        while s < end:
            out.append((s, min(end, s + 1) - max(start, s)))
            s += 1
        return out

    result = []
    for y in range(n):
        row = []
        for x in range(n):
            total = [0.0, 0.0, 0.0]
            area = 0.0
            for sy, wy in spans(y):
                for sx, wx in spans(x):
                    w = wy * wx
                    pixel = pixels[sy][sx]
                    for k in range(3):
                        total[k] += pixel[k] * w
                    area += w
            row.append(tuple(int(t / area + 0.5) for t in total))
        result.append(row)
    return result


def chunk(kind, body):
    crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)


def png_bytes(pixels):
    n = len(pixels)
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)
    return (SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_bytes(images):
    """An icon file whose pictures are PNG files, smallest first."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def write(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def main(argv):
    if len(argv) < 7:
        sys.exit(__doc__.strip().splitlines()[-1])
    frame, x, y, size, out_dir = argv[1], int(argv[2]), int(argv[3]), int(argv[4]), argv[5]
    sizes = sorted(int(n) for n in argv[6:])
    width, height, rows = read_png(frame)
    if x < 0 or y < 0 or size < 1 or x + size > width or y + size > height:
        sys.exit(f"make_icons: the square {size} at {x},{y} is not inside the {width}x{height} frame")
    if any(n < 1 or n > 256 for n in sizes):
        sys.exit("make_icons: icon sizes are 1 to 256")
    square = [row[x:x + size] for row in rows[y:y + size]]
    images = []
    for n in sizes:
        data = png_bytes(scale(square, size, n))
        write(os.path.join(out_dir, f"ombrith-{n}.png"), data)
        images.append((n, data))
    write(os.path.join(out_dir, "ombrith.ico"), ico_bytes([i for i in images if i[0] <= 48]))


if __name__ == "__main__":
    main(sys.argv)
