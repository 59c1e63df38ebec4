#!/usr/bin/env python3
"""Checks screenshots of the demo against the colour mapping.

Every pixel of the picture, and so of every frame, is one of the colours
that the mapping can produce (tests/doubles/mapping_colours.inc, the list the
native and browser tests read too), as a display shows them: the low 24 bits.
A 32-bit display shows them unchanged.

usage: colour_oracle.py WIDTH HEIGHT SHOT.png [OTHER.png]
Checks the top-left WIDTH x HEIGHT of SHOT; with OTHER, also that the two
differ (the lenses moved). Exit status 0 when all holds, 1 otherwise.
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


def main():
    if len(sys.argv) not in (4, 5):
        print(__doc__, file=sys.stderr)
        return 2
    width, height = int(sys.argv[1]), int(sys.argv[2])
    allowed = mapping_colours()
    shot = pixels(sys.argv[3], width, height)
    foreign = [p for p in shot if p not in allowed]
    distinct = len(set(shot))
    print(f"{sys.argv[3]}: {len(shot)} pixels, {distinct} distinct colours, "
          f"{len(foreign)} outside the mapping")
    ok = not foreign and distinct >= 32
    if foreign:
        print("first foreign colours: " + " ".join(f"{p:06x}" for p in sorted(set(foreign))[:8]))
    if len(sys.argv) == 5:
        other = pixels(sys.argv[4], width, height)
        changed = sum(1 for a, b in zip(shot, other) if a != b)
        print(f"{changed} pixels differ from {sys.argv[4]}")
        ok = ok and changed > 0
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
