#!/usr/bin/env python3
"""Designs the low-pass filters of modem/resample.cpp and prints them as C++ tables.

Decimators (48 kHz to 8 kHz and to 9,600 Hz): Kaiser-windowed sinc, flat through the
receive band and at least 40 dB down by the new Nyquist frequency.
Interpolator (9,600 Hz held five times to 48 kHz): weighted least squares, so that the
filter and the five-sample hold together are flat to 2,500 Hz, about -3 dB at 3,000 Hz,
and put the images above 6,000 Hz at least 40 dB down.
"""
import math

FS = 48000.0


def i0(x):
    s, t, k = 1.0, 1.0, 1
    while t > 1e-12 * s:
        t *= (x / (2 * k)) ** 2
        s += t
        k += 1
    return s


def kaiser_lowpass(ntaps, cutoff_hz, beta):
    m = (ntaps - 1) / 2.0
    h = []
    for n in range(ntaps):
        x = n - m
        sinc = 2 * cutoff_hz / FS if x == 0 else math.sin(2 * math.pi * cutoff_hz / FS * x) / (math.pi * x)
        w = i0(beta * math.sqrt(1 - (x / m) ** 2)) / i0(beta)
        h.append(sinc * w)
    s = sum(h)
    return [v / s for v in h]


def solve(a, b):
    n = len(b)
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(a[r][c]))
        a[c], a[p] = a[p], a[c]
        b[c], b[p] = b[p], b[c]
        for r in range(c + 1, n):
            f = a[r][c] / a[c][c]
            for k in range(c, n):
                a[r][k] -= f * a[c][k]
            b[r] -= f * b[c]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        x[r] = (b[r] - sum(a[r][k] * x[k] for k in range(r + 1, n))) / a[r][r]
    return x


def hold(f):
    if f == 0:
        return 1.0
    return math.sin(math.pi * f * 5 / FS) / (5 * math.sin(math.pi * f / FS))


def interp_target(f):
    if f <= 2500:
        return 1.0
    if f >= 3500:
        return 0.0
    return math.cos(math.pi / 2 * (f - 2500) / 1000)


def wls_interpolator(ntaps):
    # Even length, symmetric: A(f) = sum_k 2 c_k cos(2 pi f (k + 0.5) / FS), k = 0..ntaps/2-1.
    half = ntaps // 2
    grid = []
    for i in range(0, 2401):
        f = i * 10.0
        if f <= 3500:
            grid.append((f, interp_target(f) / hold(f), 1.0 if f <= 2500 else 0.3))
        elif f >= 5800:
            grid.append((f, 0.0, 60.0))
    a = [[0.0] * half for _ in range(half)]
    b = [0.0] * half
    for f, d, w in grid:
        basis = [2 * math.cos(2 * math.pi * f * (k + 0.5) / FS) for k in range(half)]
        for r in range(half):
            b[r] += w * basis[r] * d
            for c in range(half):
                a[r][c] += w * basis[r] * basis[c]
    c = solve(a, b)
    dc = 2 * sum(c)
    c = [v / dc for v in c]
    return list(reversed(c)) + c


def response_db(h, f):
    re = sum(v * math.cos(2 * math.pi * f / FS * k) for k, v in enumerate(h))
    im = sum(v * math.sin(2 * math.pi * f / FS * k) for k, v in enumerate(h))
    return 20 * math.log10(max(math.hypot(re, im), 1e-12))


def table(name, h):
    print(f"inline constexpr std::array<float, {len(h)}> {name} = {{")
    for i in range(0, len(h), 6):
        print("    " + " ".join(f"{v:.9e}f," for v in h[i:i + 6]))
    print("};")


if __name__ == "__main__":
    d8 = kaiser_lowpass(144, 3450, 5.0)
    d96 = kaiser_lowpass(112, 4050, 5.0)
    it = wls_interpolator(64)
    for name, h, fs in (("8k", d8, [300, 3000, 3500, 4000, 7000]), ("9600", d96, [300, 3000, 3300, 4800])):
        print("//", name, " ".join(f"{f}:{response_db(h, f):.2f}" for f in fs))
    print("// interp", " ".join(f"{f}:{response_db(it, f) + 20 * math.log10(abs(hold(f))):.2f}"
                               for f in [300, 1000, 2000, 2500, 3000, 6000, 6600, 7800, 9600, 12000]))
    table("kDecimate8kTaps", d8)
    table("kDecimate9600Taps", d96)
    table("kInterpolateTaps", it)
