#!/usr/bin/env python3
"""The toolkit's indexed colours and scheme gradients, worked out from the rules on their own.

Reads the system colours 1-29 as "index r g b" lines (and "lowcolor 1" for an 8-bit screen) on
standard input; prints "entry i r g b" for 0-62 and "gradient n r g b r g b factor" for 0-9.
Single-precision steps are rounded to single precision one by one, as the program computes them.
"""
import math
import struct
import sys


def f32(x):
    return struct.unpack('f', struct.pack('f', x))[0]


RANGE = (195.0, 390.0, 65.0)


def weighted(c):
    return [f32(f32(c[i] * RANGE[i]) / 255.0) for i in range(3)]


def back(w):
    out = []
    for i in range(3):
        v = min(max(w[i], 0.0), RANGE[i])
        out.append(min(max(int(f32(f32(f32(v * 255.0) / RANGE[i]) + 0.5)), 0), 255))
    return tuple(out)


def length(w):
    return f32(math.sqrt(f32(f32(f32(w[0] * w[0]) + f32(w[1] * w[1])) + f32(w[2] * w[2]))))


def sub(a, b):
    return [f32(a[i] - b[i]) for i in range(3)]


def threshold(a, x):
    brightness = int(length(a))
    return f32(f32(2.0 - f32(min(brightness, 220) / 220.0)) * x)


def differ(a, k, x):
    wa, wk = weighted(a), weighted(k)
    limit = threshold(wa, x)
    d = sub(wa, wk)
    return f32(f32(f32(d[0] * d[0]) + f32(d[1] * d[1])) + f32(d[2] * d[2])) > f32(limit * limit)


def closer(a, k, x):
    wa, wk = weighted(a), weighted(k)
    limit = threshold(wa, x)
    dist = length(sub(wa, wk))
    if dist <= 0:
        return k
    frac = f32(f32(dist - limit) / dist)
    return back([f32(wk[i] + f32(f32(wa[i] - wk[i]) * frac)) for i in range(3)])


def away(a, k, x):
    wa, wk = weighted(a), weighted(k)
    limit = threshold(wa, x)
    la, lk = length(wa), length(wk)
    target = f32(442.0 - limit) if lk > la else limit
    lighten = not (target < la)
    if lighten:
        wa = [f32(RANGE[i] - wa[i]) for i in range(3)]
        wk = [f32(RANGE[i] - wk[i]) for i in range(3)]
    u = max(length(wk), f32(0.001))
    dot = f32(f32(f32(wa[0] * wk[0]) + f32(wa[1] * wk[1])) + f32(wa[2] * wk[2]))
    s = f32(dot / u)
    aa = f32(f32(f32(wa[0] * wa[0]) + f32(wa[1] * wa[1])) + f32(wa[2] * wa[2]))
    q = f32(aa - f32(s * s))
    root = f32(math.sqrt(max(f32(f32(limit * limit) - q), 0.0)))
    scale = f32(f32(s - root) / u)
    moved = [f32(wk[i] * scale) for i in range(3)]
    if lighten:
        moved = [f32(RANGE[i] - moved[i]) for i in range(3)]
    return back(moved)


def blend(a, b, w):
    d = 100 if w < 100 else 1000
    return tuple((w * a[i] + (d - w) * b[i] + d // 2) // d for i in range(3))


def main():
    system = {}
    low = False
    for line in sys.stdin:
        parts = line.split()
        if not parts:
            continue
        if parts[0] == 'lowcolor':
            low = parts[1] == '1'
            continue
        system[int(parts[0])] = tuple(int(v) for v in parts[1:4])
    WINDOW, FRAME, WTEXT, HI, HITEXT, FACE, SHADOW, GREY, BTEXT = 5, 7, 8, 13, 14, 15, 16, 17, 18
    e = [(0, 0, 0)] * 63
    for i in range(1, 30):
        e[i] = system[i]
    for i in (30, 51, 53, 55, 56):
        e[i] = e[FACE]
    for i in (31, 36, 41):
        e[i] = e[WINDOW]
    for i in (32, 33, 37, 50):
        e[i] = e[HI]
    for i in (34, 38, 39, 40, 42, 43, 48, 52, 54, 57, 60, 61):
        e[i] = e[SHADOW]
    e[35] = e[58] = e[GREY]
    e[44] = e[WTEXT]
    e[45] = e[FRAME]
    e[46] = e[BTEXT]
    e[47] = e[49] = e[HITEXT]
    e[59] = (0, 0, 0)
    if not low:
        for entry, a, b, w in ((30, WINDOW, FACE, 165), (31, HI, WINDOW, 30), (33, HI, WINDOW, 50),
                               (41, FACE, WINDOW, 143), (35, GREY, WINDOW, 70), (38, SHADOW, WINDOW, 75),
                               (39, SHADOW, WINDOW, 70), (43, 46, SHADOW, 20), (61, 46, SHADOW, 15),
                               (40, SHADOW, WINDOW, 90), (42, FACE, SHADOW, 90)):
            e[entry] = blend(e[a], e[b], w)
        if differ(e[FACE], e[30], 35):
            e[30] = closer(e[FACE], e[30], 35)
        for written, ref, cand, x in ((31, 30, 31, 50), (32, 30, HI, 100), (33, 30, 33, 30), (35, 41, 35, 80),
                                      (37, 33, 37, 100), (38, 30, 38, 85), (39, 30, 39, 50), (43, 41, 43, 100),
                                      (61, 30, 61, 100), (40, 30, 40, 80), (44, 41, 44, 180), (45, 31, 45, 180),
                                      (46, 30, 46, 180), (47, 33, 47, 180)):
            if not differ(e[ref], e[cand], x):
                e[written] = away(e[ref], e[cand], x)
        if differ(e[41], e[35], 145):
            e[35] = closer(e[41], e[35], 145)
        e[36] = tuple(e[30][i] * 50 // 100 + e[WINDOW][i] * 40 // 100 + e[HI][i] * 10 // 100 for i in range(3))
        m = max(e[FACE])
        e[48] = (35, 35, 35) if m == 0 else tuple(v * (m + min(255 - m, 35)) // m for v in e[FACE])
        m = max(e[SHADOW])
        if e[FACE] == (0, 0, 0):
            e[49] = (127, 127, 127)
        else:
            e[49] = (0, 0, 0) if m == 0 else tuple(v * max(m - 43, 0) // m for v in e[SHADOW])
        e[34] = tuple(int(v * 0.75) for v in e[31])
        e[22] = tuple(min(v + 15, 255) for v in e[FACE])
        e[53] = e[30]
        e[58] = e[40]
        e[60] = e[40]
    face, shadow, window = e[FACE], e[SHADOW], e[WINDOW]
    g = [(shadow, shadow, 0.5), (face, blend(face, window, 215), 0.5), (face, shadow, 0.5),
         (blend(face, window, 205), face, 0.5), (blend(face, window, 145), blend(face, window, 93), 0.5),
         (blend(face, window, 40), blend(face, shadow, 95), 0.5),
         (blend(face, window, 165), blend(face, window, 42), 0.5),
         ((255, 213, 140), (255, 173, 85), 0.5), ((254, 142, 75), (255, 207, 139), 0.5),
         ((255, 242, 200), (255, 212, 151), 0.5)]
    if low:
        g[1] = (face, face, 0.5)
        g[3] = (face, face, 0.5)
    for i, c in enumerate(e):
        print('entry', i, *c)
    for i, (a, b, f) in enumerate(g):
        print('gradient', i, *a, *b, f)


main()
