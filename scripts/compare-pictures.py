#!/usr/bin/python3
"""Compares two pictures of the same size pixel by pixel.

Prints the largest difference of any channel (premultiplied, 0-255), how many pixels differ
at all and by more than the allowed amount; exits 1 when some channel differs by more than
--max (default 2).

    scripts/compare-pictures.py reference.png picture.png [--max 2]
"""
import argparse
import sys

from PIL import Image


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("reference")
    parser.add_argument("picture")
    parser.add_argument("--max", type=int, default=2)
    args = parser.parse_args()
    a = Image.open(args.reference).convert("RGBA")
    b = Image.open(args.picture).convert("RGBA")
    if a.size != b.size:
        print(f"sizes differ: {a.size} and {b.size}")
        return 1
    largest = 0
    differing = 0
    beyond = 0
    for p, q in zip(a.getdata(), b.getdata()):
        if p == q:
            continue
        pa = [(c * p[3] + 127) // 255 for c in p[:3]] + [p[3]]
        qa = [(c * q[3] + 127) // 255 for c in q[:3]] + [q[3]]
        d = max(abs(x - y) for x, y in zip(pa, qa))
        if d:
            differing += 1
            largest = max(largest, d)
            if d > args.max:
                beyond += 1
    print(f"{a.size[0]}x{a.size[1]}: largest difference {largest}/255, {differing} pixels differ, "
          f"{beyond} by more than {args.max}")
    return 1 if largest > args.max else 0


if __name__ == "__main__":
    sys.exit(main())
