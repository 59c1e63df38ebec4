#!/usr/bin/env python3
"""Checks screenshots of the demo against the colour mapping.

Every pixel of the picture, and so of every frame, is one of the colours
that the mapping can produce (tests/doubles/mapping_colours.inc, the list the
native and browser tests read too), as a display shows them: the low 24 bits.
A 32-bit display shows them unchanged.

usage: colour_oracle.py WIDTH HEIGHT SHOT.png [OTHER.png]
       colour_oracle.py --placed SCALE LEFT TOP WIDTH HEIGHT SHOT.png
       colour_oracle.py --rate PRESENTS.log
Checks the top-left WIDTH x HEIGHT of SHOT; with OTHER, also that the two
differ (the lenses moved). With --placed, SHOT is a whole screen holding the
frame scaled SCALE times at LEFT, TOP: every pixel around it black, every
SCALE x SCALE block one colour, the colours the mapping's. With --rate, the
file lists the microseconds at which frames were shown: in the last five
seconds, no second may hold more than 61. Exit status 0 when all holds, 1
otherwise.
"""
import os
import re
import subprocess
import sys


def mapping_colours():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "doubles",
                        "mapping_colours.inc")
    with open(path, encoding="latin-1") as listing:
        return {int(word, 16) & 0xFFFFFF
                for line in listing if not line.startswith("//")
                for word in re.findall(r"0x[0-9A-Fa-f]{8}", line)}


def pixels(path, width, height):
    raw = subprocess.run(
        ["convert", path, "-crop", f"{width}x{height}+0+0", "+repage", "-depth", "8", "rgb:-"],
        check=True, stdout=subprocess.PIPE).stdout
    if len(raw) != width * height * 3:
        raise SystemExit(f"{path}: expected {width}x{height} pixels, got {len(raw) // 3}")
    return [(raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2] for i in range(0, len(raw), 3)]


def colours_ok(frame, allowed, name):
    foreign = [p for p in frame if p not in allowed]
    distinct = len(set(frame))
    print(f"{name}: {len(frame)} pixels, {distinct} distinct colours, "
          f"{len(foreign)} outside the mapping")
    if foreign:
        print("first foreign colours: " + " ".join(f"{p:06x}" for p in sorted(set(foreign))[:8]))
    return not foreign and distinct >= 32


def placed(scale, left, top, width, height, path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          stdout=subprocess.PIPE, text=True).stdout.split()
    screen_w, screen_h = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    row_bytes = screen_w * 3
    rows = [raw[y * row_bytes:(y + 1) * row_bytes] for y in range(screen_h)]
    x0, x1 = left * 3, (left + width * scale) * 3
    y1 = top + height * scale
    if x1 > row_bytes or y1 > screen_h:
        print(f"{path}: the frame does not fit the {screen_w}x{screen_h} screen")
        return False
    black = [y for y in range(screen_h)
             if (top <= y < y1 and (rows[y][:x0].strip(b"\0") or rows[y][x1:].strip(b"\0")))
             or (not top <= y < y1 and rows[y].strip(b"\0"))]
    frame, blocky = [], 0
    for y in range(height):
        first = rows[top + y * scale][x0:x1]
        line = [int.from_bytes(first[x * scale * 3:x * scale * 3 + 3], "big") for x in range(width)]
        wide = b"".join(p.to_bytes(3, "big") * scale for p in line)
        blocky += sum(1 for k in range(scale) if rows[top + y * scale + k][x0:x1] != wide)
        frame += line
    print(f"{path}: {len(black)} rows with light outside the frame, "
          f"{blocky} frame rows not made of {scale}x{scale} blocks")
    return colours_ok(frame, mapping_colours(), path) and not black and not blocky


def rate(path):
    with open(path) as log:
        times = [int(line) for line in log if line.strip()]
    if len(times) < 2:
        print(f"{path}: {len(times)} frames shown")
        return False
    end = times[-1]
    last = [t for t in times if t > end - 5000000]
    busiest = max(sum(1 for u in last if t <= u < t + 1000000) for t in last)
    print(f"{path}: {len(last)} frames in the last 5 s ({len(last) / 5:.1f} a second), "
          f"at most {busiest} in one second")
    return busiest <= 61


def main():
    if len(sys.argv) == 8 and sys.argv[1] == "--placed":
        return 0 if placed(*map(int, sys.argv[2:7]), sys.argv[7]) else 1
    if len(sys.argv) == 3 and sys.argv[1] == "--rate":
        return 0 if rate(sys.argv[2]) else 1
    if len(sys.argv) not in (4, 5):
        print(__doc__, file=sys.stderr)
        return 2
    width, height = int(sys.argv[1]), int(sys.argv[2])
    allowed = mapping_colours()
    shot = pixels(sys.argv[3], width, height)
    ok = colours_ok(shot, allowed, sys.argv[3])
    if len(sys.argv) == 5:
        other = pixels(sys.argv[4], width, height)
        changed = sum(1 for a, b in zip(shot, other) if a != b)
        print(f"{changed} pixels differ from {sys.argv[4]}")
        ok = ok and changed > 0
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
