#!/usr/bin/env python3
"""Draws the tileable pictures of the designer's picture strip (app/images/*.png).

Every picture is made from periodic functions over the tile, so its edges meet seamlessly
when it is repeated. Run again to regenerate them; the output is deterministic."""
import math
import os
import random

from PIL import Image

SIZE = 128
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "images")


def periodic_noise(seed, waves=12):
    rng = random.Random(seed)
    terms = []
    for _ in range(waves):
        fx, fy = rng.randint(-4, 4), rng.randint(-4, 4)
        if fx == 0 and fy == 0:
            fx = 1
        terms.append((fx, fy, rng.uniform(0, 2 * math.pi), rng.uniform(0.3, 1.0) / math.hypot(fx, fy)))
    def f(x, y):
        return sum(a * math.sin(2 * math.pi * (fx * x + fy * y) / SIZE + p) for fx, fy, p, a in terms)
    return f


def save(name, pixel):
    image = Image.new("RGB", (SIZE, SIZE))
    image.putdata([pixel(x, y) for y in range(SIZE) for x in range(SIZE)])
    image.save(os.path.join(OUT, name), optimize=True)


def clamp(v):
    return max(0, min(255, int(v)))


def wood():
    n = periodic_noise(1)
    def pixel(x, y):
        t = 0.5 + 0.5 * math.sin(2 * math.pi * 6 * y / SIZE + 1.5 * n(x, y))
        return (clamp(120 + 70 * t), clamp(70 + 45 * t), clamp(30 + 20 * t))
    save("wood.png", pixel)


def marble():
    n = periodic_noise(2, 16)
    def pixel(x, y):
        t = abs(math.sin(2 * math.pi * 2 * (x + y) / SIZE + 2.2 * n(x, y)))
        v = 170 + 80 * t
        return (clamp(v), clamp(v - 4), clamp(v - 10))
    save("marble.png", pixel)


def bricks():
    def pixel(x, y):
        row = y // 16
        shift = 16 if row % 2 else 0
        bx = (x + shift) % 32
        mortar = y % 16 < 2 or bx < 2
        if mortar:
            return (200, 196, 186)
        shade = ((row * 7 + (x + shift) // 32 * 13) % 5) * 8
        return (clamp(150 + shade), clamp(60 + shade // 2), clamp(40 + shade // 3))
    save("bricks.png", pixel)


def metal():
    n = periodic_noise(3, 20)
    def pixel(x, y):
        v = 150 + 18 * math.sin(2 * math.pi * 20 * y / SIZE + 0.6 * n(x, y)) + 10 * n(0, y) / 3
        return (clamp(v), clamp(v + 4), clamp(v + 10))
    save("metal.png", pixel)


def gold_dots():
    def pixel(x, y):
        cx, cy = (x % 32) - 16, (y % 32) - 16
        d = math.hypot(cx, cy)
        if d < 9:
            t = 1 - d / 9
            return (clamp(200 + 55 * t), clamp(150 + 80 * t), clamp(30 + 40 * t))
        return (40, 30, 70)
    save("dots.png", pixel)


def stripes():
    def pixel(x, y):
        t = ((x + y) // 16) % 2
        return (230, 60, 60) if t else (245, 240, 230)
    save("stripes.png", pixel)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for make in (wood, marble, bricks, metal, gold_dots, stripes):
        make()
