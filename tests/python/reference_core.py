"""An independent evaluation of the fifteen core patterns, used to check the module bit for bit.

Written from the pattern definitions, not from the C++ sources: fused multiply-adds are
evaluated exactly with fractions and rounded once, sines come from the same libm through
Python's math module.
"""

import math
from fractions import Fraction

PI = 3.141592653589793
TWO_PI = 6.283185307179586


def fma(a, b, c):
    return float(Fraction(a) * Fraction(b) + Fraction(c))


def smooth(u):
    return (u * u) * fma(u, -2.0, 3.0)


def bounce(p):
    u = (p & 63) / 64
    return (fma(abs(u - 0.5), -4.0, 1.0), 0.0, 0.0)


def sway(p):
    u = (p & 127) / 128
    return (math.sin(u * TWO_PI), 0.0, 0.0)


def circle(p):
    u = (p & 63) / 64
    theta = fma(u, TWO_PI, -1.5707963267948966)
    return (math.cos(theta), math.sin(theta), 0.0)


def figure_eight(p):
    theta = ((p & 127) / 128) * TWO_PI
    return (math.sin(theta), math.sin(theta + theta), 0.0)


def step_touch(p):
    positions = [-1.0, 0.0, 1.0, 0.0]
    s = (p >> 5) & 3
    u = (p & 31) / 32
    e = smooth(u)
    a, b = positions[s], positions[(s + 1) % 4]
    return (fma(b - a, e, a), math.sin(u * PI) * -0.35, 0.0)


def box_step(p):
    corners = [(-1.0, -1.0), (1.0, -1.0), (1.0, 1.0), (-1.0, 1.0)]
    s = (p >> 6) & 3
    e = smooth((p & 63) / 64)
    a, b = corners[s], corners[(s + 1) % 4]
    return (fma(b[0] - a[0], e, a[0]), fma(b[1] - a[1], e, a[1]), 0.0)


def helix(p):
    u = (p & 255) / 256
    a = u * 12.566370614359172
    return (math.cos(a), math.sin(a), math.sin(u * TWO_PI))


DRIFT_KEYS = [(0, 0, 0.0), (23, 2, -0.1), (33, 13, -0.8), (49, 5, -0.4), (87, -3, 0.2),
              (100, -14, 0.9), (118, -5, 0.5), (154, 1, 0.0), (169, 12, 1.0), (187, 4, 0.5),
              (215, -2, -0.2), (228, -10, -0.9), (243, -3, -0.3), (256, 0, 0.0)]


def _drift_table():
    keys = [(pip, n / 14, y) for pip, n, y in DRIFT_KEYS]
    table = []
    for i in range(256):
        # The segment whose end is the first keyframe at or after i (segment 0 for i = 0).
        k = 0
        while k < 13 and i > keys[k + 1][0]:
            k += 1
        (p0, x0, y0), (p1, x1, y1) = keys[k], keys[k + 1]
        e = smooth((i - p0) / (p1 - p0))
        table.append((fma(x1 - x0, e, x0), fma(y1 - y0, e, y0), 0.0))
    return table


_DRIFT = _drift_table()


def clay_background(p):
    return _DRIFT[p & 255]


def _strokes(strokes):
    hands = {"R": 1, "L": -1}
    return [(start, hands[hand], weight, length) for start, length, weight, hand in strokes]


RUDIMENTS = {
    "single_stroke_roll": (64, _strokes([(8 * i, 8, 0.92, "RL"[i % 2]) for i in range(8)])),
    "double_stroke_roll": (64, _strokes([(8 * i, 8, (0.88, 0.72)[i % 2], "RRLL"[i % 4]) for i in range(8)])),
    "multiple_bounce_roll": (64, _strokes(
        [(s, 6, w, "R") for s, w in zip((0, 6, 12, 18), (0.92, 0.68, 0.48, 0.32))]
        + [(s, 6, w, "L") for s, w in zip((32, 38, 44, 50), (0.92, 0.68, 0.48, 0.32))])),
    "single_paradiddle": (128, _strokes(
        [(8 * i, 8, 1.0 if i % 4 == 0 else 0.72, "RLRRLRLL"[i % 8]) for i in range(16)])),
    "flam": (64, _strokes([(0, 10, 0.34, "L"), (5, 14, 0.9, "R"), (32, 10, 0.34, "R"), (37, 14, 0.9, "L")])),
    "drag": (64, _strokes([(0, 8, 0.28, "L"), (5, 8, 0.32, "L"), (10, 14, 0.88, "R"),
                           (32, 8, 0.28, "R"), (37, 8, 0.32, "R"), (42, 14, 0.88, "L")])),
    "five_stroke_roll": (128, _strokes([(0, 9, 0.72, "R"), (8, 9, 0.62, "R"), (16, 9, 0.72, "L"),
                                        (24, 9, 0.62, "L"), (36, 14, 1.0, "R"), (64, 9, 0.72, "L"),
                                        (72, 9, 0.62, "L"), (80, 9, 0.72, "R"), (88, 9, 0.62, "R"),
                                        (100, 14, 1.0, "L")])),
}


def _rudiment(name):
    period, strokes = RUDIMENTS[name]

    def evaluate(p):
        x = y = 0.0
        for start, hand, weight, length in strokes:
            u = (p - start) & (period - 1)
            e = 0.0
            if u < length:
                s = math.sin((u / length) * PI)
                e = s * (s * weight)
            x = x + e if hand > 0 else x - e
            y = fma(e, -0.72, y)
        return (min(1.0, max(-1.0, x)), min(1.0, max(-1.0, y)), 0.0)

    evaluate.__name__ = name
    return evaluate


# name -> (function, period, dimensions), in catalogue order
CORE = {
    "bounce": (bounce, 64, 1),
    "sway": (sway, 128, 1),
    "circle": (circle, 64, 2),
    "figure_eight": (figure_eight, 128, 2),
    "step_touch": (step_touch, 128, 2),
    "box_step": (box_step, 256, 2),
    "helix": (helix, 256, 3),
    "clay_background": (clay_background, 256, 2),
}
for _name in RUDIMENTS:
    CORE[_name] = (_rudiment(_name), RUDIMENTS[_name][0], 2)
