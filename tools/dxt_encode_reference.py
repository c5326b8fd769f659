#!/usr/bin/env python3
"""A slow, plain second implementation of the library's DXT1/DXT5 encoder, written apart from
the C++ one, to cross-check its bytes (the pinned test bytes were checked with it).

Single precision is emulated by rounding through struct ('f'). A value kept in single
precision is computed in Python's double arithmetic and rounded once, when it is stored, as
the C++ encoder does; double arithmetic on two singles followed by that rounding is correctly
rounded for + - * /.

Usage: dxt_encode_reference.py <raw pixels> <width> <height> <bytes per pixel 3|4>
                               <alpha block 0|1> <dithering 0|1>   > blocks
Compare: cmp against the library's EncodeDxtImage output for the same input.
"""
import struct
import sys


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def mul_div_255(a, b):
    t = a * b + 128
    return (t + (t >> 8)) >> 8  # Python's >> is arithmetic


WIDEN5 = [(i << 3) | (i >> 2) for i in range(32)]
WIDEN6 = [(i << 2) | (i >> 4) for i in range(64)]
SNAP5 = [WIDEN5[mul_div_255(min(max(i - 8, 0), 255), 31)] for i in range(272)]
SNAP6 = [WIDEN6[mul_div_255(min(max(i - 8, 0), 255), 63)] for i in range(272)]


def single_color_table(widen):
    table = []
    for i in range(256):
        best, pair = 256, None
        for s in range(len(widen)):
            for f in range(s + 1):
                e = abs(widen[f] + mul_div_255(widen[s] - widen[f], 85) - i)
                if e < best:
                    best, pair = e, (f, s)
        table.append(pair)
    return table


SINGLE5 = single_color_table(WIDEN5)
SINGLE6 = single_color_table(WIDEN6)


def pack565(r, g, b):
    return (mul_div_255(r, 31) << 11) + (mul_div_255(g, 63) << 5) + mul_div_255(b, 31)


def interpolate(max16, min16):
    c0 = (WIDEN5[max16 >> 11], WIDEN6[(max16 >> 5) & 63], WIDEN5[max16 & 31])
    c1 = (WIDEN5[min16 >> 11], WIDEN6[(min16 >> 5) & 63], WIDEN5[min16 & 31])
    c2 = tuple(c0[i] + mul_div_255(c1[i] - c0[i], 85) for i in range(3))
    c3 = tuple(c0[i] + mul_div_255(c1[i] - c0[i], 170) for i in range(3))
    return [c0, c1, c2, c3]


def div16(a):  # truncating toward zero
    return abs(a) // 16 * (1 if a >= 0 else -1)


def dither_channel(snap, u):
    prev, out = [0] * 4, []
    for row in range(4):
        v, cur, q = u[4 * row:4 * row + 4], [0] * 4, [0] * 4
        q[0] = snap[v[0] + div16(3 * prev[1] + 5 * prev[0]) + 8]
        cur[0] = v[0] - q[0]
        q[1] = snap[v[1] + div16(7 * cur[0] + 3 * prev[2] + 5 * prev[1] + prev[0]) + 8]
        cur[1] = v[1] - q[1]
        q[2] = snap[v[2] + div16(7 * cur[1] + 3 * prev[3] + 5 * prev[2] + prev[1]) + 8]
        cur[2] = v[2] - q[2]
        q[3] = snap[v[3] + div16(7 * cur[2] + 5 * prev[3] + prev[2]) + 8]
        cur[3] = v[3] - q[3]
        out += q
        prev = cur
    return out


def fit_endpoints(px):  # px: 16 (r, g, b)
    mean = [(sum(p[i] for p in px) + 8) >> 4 for i in range(3)]
    d = [[p[i] - mean[i] for i in range(3)] for p in px]

    def cov(i, j):
        return f32(sum(x[i] * x[j] for x in d) / 255.0)

    crr, crg, crb, cgg, cgb, cbb = cov(0, 0), cov(0, 1), cov(0, 2), cov(1, 1), cov(1, 2), cov(2, 2)
    vr, vg, vb = [f32(float(max(p[i] for p in px) - min(p[i] for p in px))) for i in range(3)]
    for _ in range(4):
        vr, vg, vb = (f32(vr * crr + vg * crg + vb * crb), f32(vr * crg + vg * cgg + vb * cgb),
                      f32(vr * crb + vg * cgb + vb * cbb))
    magn = max(abs(vr), abs(vg), abs(vb))
    if magn < 4.0:
        w = (148, 300, 58)
    else:
        s = f32(512.0 / magn)
        # The products are exact in double; round() ties to even.
        w = tuple(int(round(v * s)) for v in (vr, vg, vb))
    lo, hi, lo_p, hi_p = 2147483647, -2147483647, 0, 0
    for i, p in enumerate(px):
        dot = p[0] * w[0] + p[1] * w[1] + p[2] * w[2]
        if dot < lo:
            lo, lo_p = dot, i
        if dot > hi:
            hi, hi_p = dot, i
    return pack565(*px[hi_p]), pack565(*px[lo_p])


def assign_indices(px, colors, dithering):
    direction = [colors[0][i] - colors[1][i] for i in range(3)]
    dots = [sum(p[i] * direction[i] for i in range(3)) for p in px]
    stops = [sum(c[i] * direction[i] for i in range(3)) for c in colors]
    c0_point = (stops[1] + stops[3]) >> 1
    half_point = (stops[3] + stops[2]) >> 1
    c3_point = (stops[2] + stops[0]) >> 1
    scale = 16 if dithering else 1
    c0_point, half_point, c3_point = c0_point * scale, half_point * scale, c3_point * scale

    def choose(v):
        return (1 if v < c0_point else 3) if v < half_point else (2 if v < c3_point else 0)

    mask = 0
    if not dithering:
        for p in range(15, -1, -1):
            mask = (mask << 2) | choose(dots[p])
        return mask
    prev = [0] * 4
    for row in range(4):
        d, cur, ix = dots[4 * row:4 * row + 4], [0] * 4, [0] * 4
        ix[0] = choose(16 * d[0] + 3 * prev[1] + 5 * prev[0])
        cur[0] = d[0] - stops[ix[0]]
        ix[1] = choose(16 * d[1] + 7 * cur[0] + 3 * prev[2] + 5 * prev[1] + prev[0])
        cur[1] = d[1] - stops[ix[1]]
        ix[2] = choose(16 * d[2] + 7 * cur[1] + 3 * prev[3] + 5 * prev[2] + prev[1])
        cur[2] = d[2] - stops[ix[2]]
        ix[3] = choose(16 * d[3] + 7 * cur[2] + 5 * prev[3] + prev[2])
        cur[3] = d[3] - stops[ix[3]]
        for x in range(4):
            mask |= ix[x] << (8 * row + 2 * x)
        prev = cur
    return mask


def refine_endpoints(px, max16, min16, mask):
    products, weights = (0x090000, 0x000900, 0x040102, 0x010402), (3, 0, 2, 1)
    acc, at1, at2 = 0, [0, 0, 0], [0, 0, 0]
    for p in range(16):
        s = (mask >> (2 * p)) & 3
        acc += products[s]
        for i in range(3):
            at1[i] += weights[s] * px[p][i]
            at2[i] += px[p][i]
    at2 = [3 * at2[i] - at1[i] for i in range(3)]
    xx, yy, xy = acc >> 16, (acc >> 8) & 255, acc & 255
    if xx == 0 or yy == 0 or xx * yy == xy * xy:
        return max16, min16, False
    frb = f32(0.36470588235294118 / float(xx * yy - xy * xy))
    fg = f32(frb * 63.0 / 31.0)

    def level(v, f, top):  # (v * f + 0.5) in double, rounded half to even
        return min(max(int(round(float(v) * f + 0.5)), 0), top)

    new_max = (level(at1[0] * yy - at2[0] * xy, frb, 31) << 11 |
               level(at1[1] * yy - at2[1] * xy, fg, 63) << 5 |
               level(at1[2] * yy - at2[2] * xy, frb, 31))
    new_min = (level(at2[0] * xx - at1[0] * xy, frb, 31) << 11 |
               level(at2[1] * xx - at1[1] * xy, fg, 63) << 5 |
               level(at2[2] * xx - at1[2] * xy, frb, 31))
    return new_max, new_min, (new_max != max16 or new_min != min16)


def color_block(block, dithering):  # block: 16 (b, g, r, a)
    if all(p == block[0] for p in block):
        b, g, r, _ = block[0]
        max16 = SINGLE5[r][0] << 11 | SINGLE6[g][0] << 5 | SINGLE5[b][0]
        min16 = SINGLE5[r][1] << 11 | SINGLE6[g][1] << 5 | SINGLE5[b][1]
        mask = 0xAAAAAAAA
    else:
        px = [(p[2], p[1], p[0]) for p in block]
        fit = px
        if dithering:
            fit = list(zip(dither_channel(SNAP5, [p[0] for p in px]),
                           dither_channel(SNAP6, [p[1] for p in px]),
                           dither_channel(SNAP5, [p[2] for p in px])))
        max16, min16 = fit_endpoints(fit)
        mask = assign_indices(px, interpolate(max16, min16), dithering) if max16 != min16 else 0
        max16, min16, changed = refine_endpoints(fit, max16, min16, mask)
        if changed:
            mask = assign_indices(px, interpolate(max16, min16), dithering) if max16 != min16 else 0
    if max16 < min16:
        max16, min16, mask = min16, max16, mask ^ 0x55555555
    return struct.pack("<HHI", max16, min16, mask)


def alpha_block(block):
    alphas = [p[3] for p in block]
    hi, lo = max(alphas), min(alphas)
    dist = hi - lo
    bias, d4, d2, bits = 7 * lo - dist // 2, 4 * dist, 2 * dist, 0
    for p, alpha in enumerate(alphas):
        a, n = 7 * alpha - bias, 0
        if a > d4:
            n, a = n + 4, a - d4
        if a > d2:
            n, a = n + 2, a - d2
        if a > dist:
            n += 1
        index = (-n) & 7
        bits |= (index ^ 1 if index < 2 else index) << (3 * p)
    return bytes([hi, lo]) + bits.to_bytes(6, "little")


def encode(data, width, height, bpp, with_alpha, dithering):
    out = bytearray()
    for by in range((height + 3) // 4):
        for bx in range((width + 3) // 4):
            block = []
            for y in range(4):
                for x in range(4):
                    o = (min(4 * by + y, height - 1) * width + min(4 * bx + x, width - 1)) * bpp
                    block.append((data[o], data[o + 1], data[o + 2], data[o + 3] if bpp == 4 else 0))
            if with_alpha:
                out += alpha_block(block)
            out += color_block(block, dithering)
    return bytes(out)


def main():
    path, width, height, bpp, with_alpha, dithering = sys.argv[1], *map(int, sys.argv[2:7])
    with open(path, "rb") as f:
        sys.stdout.buffer.write(encode(f.read(), width, height, bpp, with_alpha, dithering))


if __name__ == "__main__":
    main()
