#!/usr/bin/env python3
"""Draws the pictures of the shipped gallery themes (data/gallery_themes/<theme>/art/) and the
sample photographs used to make each theme's preview, with nothing but the standard library.

    postprocess/tools/draw_theme_art.py            # the themes' art
    postprocess/tools/draw_theme_art.py --samples <folder> [count]   # made-up landscapes as PNG

The output is deterministic (fixed seeds), so running it again gives the same files."""

import math
import os
import random
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
THEMES = os.path.join(ROOT, "data", "gallery_themes")


def write_png(path, width, height, pixel, alpha=False):
    """pixel(x, y) gives (r, g, b) or (r, g, b, a) with channels 0-255."""
    channels = 4 if alpha else 3
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            p = pixel(x, y)
            rows.extend(max(0, min(255, int(round(c)))) for c in p[:channels])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def smooth(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def value_noise(seed, cells):
    rng = random.Random(seed)
    grid = [[rng.random() for _ in range(cells + 1)] for _ in range(cells + 1)]
    for row in grid:
        row[cells] = row[0]
    grid[cells] = grid[0][:]

    def at(u, v):  # u, v in [0, 1), tiles seamlessly
        x, y = u * cells, v * cells
        x0, y0 = int(x) % cells, int(y) % cells
        fx, fy = smooth(x - int(x)), smooth(y - int(y))
        top = grid[y0][x0] + (grid[y0][x0 + 1] - grid[y0][x0]) * fx
        bottom = grid[y0 + 1][x0] + (grid[y0 + 1][x0 + 1] - grid[y0 + 1][x0]) * fx
        return top + (bottom - top) * fy

    return at


# ---- "default": a calm light theme with a blue-green banner ----

def default_banner(path):
    w, h = 1600, 240
    rng = random.Random(7)
    circles = [(rng.uniform(0, w), rng.uniform(-40, h + 40), rng.uniform(30, 140), rng.uniform(0.04, 0.12)) for _ in range(26)]
    left, right = (18, 94, 112), (44, 62, 128)

    def pixel(x, y):
        t = x / (w - 1)
        c = mix(left, right, t)
        c = mix(c, (10, 30, 60), 0.35 * (y / (h - 1)))
        light = 0.0
        for cx, cy, r, a in circles:
            d = math.hypot(x - cx, y - cy)
            if d < r:
                light += a * (1 - (d / r) ** 2)
        return mix(c, (255, 255, 255), min(0.5, light))

    write_png(path, w, h, pixel)


def default_paper(path):
    n = value_noise(3, 8)
    fine = random.Random(5)
    size = 160
    grain = [[fine.random() for _ in range(size)] for _ in range(size)]

    def pixel(x, y):
        v = n(x / size, y / size) * 0.6 + grain[y][x] * 0.4
        base = (246, 244, 239)
        return tuple(c - 6 * v for c in base)

    write_png(path, size, size, pixel)


# ---- "midnight": a dark theme under a field of stars ----

def midnight_stars(path):
    size = 320
    rng = random.Random(11)
    stars = [(rng.uniform(0, size), rng.uniform(0, size), rng.choice([0.6, 0.8, 1.0, 1.4]), rng.uniform(0.25, 1.0))
             for _ in range(140)]
    haze = value_noise(13, 4)

    def pixel(x, y):
        c = mix((9, 12, 26), (24, 20, 48), haze(x / size, y / size))
        glow = 0.0
        for sx, sy, r, a in stars:
            dx = min(abs(x - sx), size - abs(x - sx))
            dy = min(abs(y - sy), size - abs(y - sy))
            d = math.hypot(dx, dy)
            if d < r * 2.5:
                glow += a * math.exp(-(d / r) ** 2)
        return mix(c, (235, 235, 255), min(1.0, glow))

    write_png(path, size, size, pixel)


def midnight_moon(path):
    size = 96

    def pixel(x, y):
        d = math.hypot(x - 48, y - 48)
        shadow = math.hypot(x - 62, y - 40)
        if d <= 30 and shadow > 26:
            edge = min(1.0, 30 - d, shadow - 26)
            return (252, 211, 120, 255 * edge)
        halo = max(0.0, 1 - (d - 30) / 18) if d > 30 else 0.0
        return (252, 211, 120, 60 * halo * halo)

    write_png(path, size, size, pixel, alpha=True)


# ---- "journal": a travel journal of pasted prints on cream paper ----

def journal_paper(path):
    size = 256
    fibres = value_noise(21, 16)
    blotch = value_noise(23, 3)
    rng = random.Random(29)
    specks = [[rng.random() for _ in range(size)] for _ in range(size)]

    def pixel(x, y):
        v = fibres(x / size, y / size) * 0.5 + blotch(x / size, y / size) * 0.5
        c = mix((247, 239, 221), (239, 229, 207), v)
        if specks[y][x] > 0.997:
            c = mix(c, (150, 120, 90), 0.4)
        return c

    write_png(path, size, size, pixel)


def journal_tape(path):
    w, h = 120, 34
    rng = random.Random(31)
    ragged_left = [rng.uniform(0, 5) for _ in range(h)]
    ragged_right = [rng.uniform(0, 5) for _ in range(h)]

    def pixel(x, y):
        if x < ragged_left[y] or x > w - 1 - ragged_right[y]:
            return (0, 0, 0, 0)
        stripe = 0.06 if (x // 6) % 2 == 0 else 0.0
        return mix((231, 214, 160), (255, 255, 255), stripe) + (200,)

    write_png(path, w, h, pixel, alpha=True)


def journal_rule(path):
    w, h = 360, 24

    def pixel(x, y):
        cy = h / 2
        a = 0.0
        if abs(y - cy) < 0.9 and 40 < x < w - 40:
            a = 1.0
        d = math.hypot(x - w / 2, y - cy)
        if d < 7:
            a = max(a, min(1.0, 7 - d))
        for cx in (40, w - 40):
            dd = math.hypot(x - cx, y - cy)
            if dd < 3:
                a = max(a, min(1.0, 3 - dd))
        return (122, 86, 60, 255 * a)

    write_png(path, w, h, pixel, alpha=True)


# ---- made-up landscapes for the theme previews ----

def landscape(path, seed, w=480, h=360):
    rng = random.Random(seed)
    sky_top = (rng.randint(20, 90), rng.randint(60, 140), rng.randint(150, 230))
    sky_low = mix(sky_top, (rng.randint(220, 255), rng.randint(170, 230), rng.randint(120, 200)), 0.8)
    sun = (rng.uniform(0.15, 0.85) * w, rng.uniform(0.15, 0.45) * h, rng.uniform(18, 40))
    layers = []
    for i in range(3):
        base = h * (0.45 + 0.15 * i) + rng.uniform(-20, 20)
        amp = [rng.uniform(8, 40) / (k + 1) for k in range(4)]
        phase = [rng.uniform(0, 6.28) for _ in range(4)]
        freq = [rng.uniform(1, 3) * (k + 1) for k in range(4)]
        tone = mix((rng.randint(30, 90), rng.randint(80, 140), rng.randint(50, 110)), (15, 25, 35), i * 0.35)
        layers.append((base, amp, phase, freq, tone))

    def pixel(x, y):
        c = mix(sky_top, sky_low, y / h)
        d = math.hypot(x - sun[0], y - sun[1])
        if d < sun[2]:
            c = (255, 244, 210)
        elif d < sun[2] * 3:
            c = mix(c, (255, 236, 190), 0.5 * (1 - (d - sun[2]) / (sun[2] * 2)) ** 2)
        for base, amp, phase, freq, tone in layers:
            ridge = base + sum(a * math.sin(f * x / w * 6.28 + p) for a, f, p in zip(amp, freq, phase))
            if y >= ridge:
                c = mix(tone, (0, 0, 0), 0.25 * (y - ridge) / h)
        return c

    write_png(path, w, h, pixel)


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--samples":
        for i in range(int(sys.argv[3]) if len(sys.argv) == 4 else 12):
            landscape(os.path.join(sys.argv[2], "view-%02d.png" % (i + 1)), 100 + i)
        return
    default_banner(os.path.join(THEMES, "default", "art", "banner.png"))
    default_paper(os.path.join(THEMES, "default", "art", "paper.png"))
    midnight_stars(os.path.join(THEMES, "midnight", "art", "stars.png"))
    midnight_moon(os.path.join(THEMES, "midnight", "art", "moon.png"))
    journal_paper(os.path.join(THEMES, "journal", "art", "paper.png"))
    journal_tape(os.path.join(THEMES, "journal", "art", "tape.png"))
    journal_rule(os.path.join(THEMES, "journal", "art", "rule.png"))


if __name__ == "__main__":
    main()
