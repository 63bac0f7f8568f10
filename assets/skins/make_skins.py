#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the default skin and the planet and star skins as 24-bit bitmaps.

Each skin is an equirectangular map (256 x 128, or 128 x 64 for small bodies): column u runs
once round the sphere, row v from the south pole (bottom row, stored first) to the north pole,
which is how a textured sphere reads it. Noise is sampled on the sphere itself, so no skin has a
seam at the date line or pinches at the poles. Deterministic: the same script gives the same
files. Run it from anywhere; it writes beside itself.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def hash3(ix, iy, iz, seed):
    n = (ix * 374761393 + iy * 668265263 + iz * 2147483647 + seed * 144665) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def value_noise(x, y, z, seed):
    ix, iy, iz = math.floor(x), math.floor(y), math.floor(z)
    fx, fy, fz = x - ix, y - iy, z - iz
    # Smoothstep weights hide the lattice.
    sx, sy, sz = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy), fz * fz * (3 - 2 * fz)

    def lerp(a, b, t):
        return a + (b - a) * t

    c = [[[hash3(ix + i, iy + j, iz + k, seed) for k in (0, 1)] for j in (0, 1)] for i in (0, 1)]
    x00 = lerp(c[0][0][0], c[1][0][0], sx)
    x10 = lerp(c[0][1][0], c[1][1][0], sx)
    x01 = lerp(c[0][0][1], c[1][0][1], sx)
    x11 = lerp(c[0][1][1], c[1][1][1], sx)
    return lerp(lerp(x00, x10, sy), lerp(x01, x11, sy), sz)


def fbm(p, seed, octaves=5, scale=2.0):
    x, y, z = p[0] * scale, p[1] * scale, p[2] * scale
    total, amplitude, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amplitude * value_noise(x, y, z, seed + o * 17)
        norm += amplitude
        amplitude *= 0.5
        x, y, z = x * 2.03, y * 2.03, z * 2.03
    return total / norm


def sphere_points(width, height):
    """Yields (u, v, point, latitude) for every pixel, bottom row first."""
    for row in range(height):
        lat = -math.pi / 2 + (row + 0.5) / height * math.pi
        for col in range(width):
            lon = (col + 0.5) / width * 2 * math.pi
            p = (math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat))
            yield col, row, p, lat


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def ramp(stops, t):
    """Colour at t from a list of (position, colour) stops in rising order."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


def random_unit(seed, k):
    z = 2 * hash3(k, 1, 7, seed) - 1
    a = 2 * math.pi * hash3(k, 2, 9, seed)
    r = math.sqrt(1 - z * z)
    return (r * math.cos(a), r * math.sin(a), z)


def craters(seed, count, smallest, largest):
    result = []
    for k in range(count):
        size = smallest + (largest - smallest) * hash3(k, 3, 5, seed) ** 2
        result.append((random_unit(seed, k), size))
    return result


def crater_shade(p, crater_list):
    """Darker floors and a bright rim for each crater the point falls in."""
    shade = 0.0
    for centre, size in crater_list:
        d = math.acos(max(-1.0, min(1.0, p[0] * centre[0] + p[1] * centre[1] + p[2] * centre[2])))
        if d < size * 1.2:
            t = d / size
            shade += -0.22 * (1 - t * t) if t < 1 else 0.07 * (1.2 - t) / 0.2
    return shade


def write_bmp(name, width, height, pixels):
    row_bytes = width * 3
    padding = (4 - row_bytes % 4) % 4
    data = bytearray()
    for row in range(height):
        for col in range(width):
            r, g, b = pixels[row * width + col]
            data += bytes((clamp_byte(b), clamp_byte(g), clamp_byte(r)))
        data += b"\0" * padding
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + data)


def clamp_byte(v):
    return max(0, min(255, int(round(v * 255))))


def render(name, width, height, shader):
    pixels = [shader(u, v, p, lat) for u, v, p, lat in sphere_points(width, height)]
    write_bmp(name, width, height, pixels)


def banded(stops, seed, band_count, turbulence, storm=None):
    """A gas giant: colour bands by latitude, bent by noise; an optional oval storm."""

    def shader(u, v, p, lat):
        warp = (fbm(p, seed, 4, 3.0) - 0.5) * turbulence
        t = 0.5 + 0.5 * math.sin((math.sin(lat) + warp) * band_count)
        fine = fbm(p, seed + 50, 3, 12.0) - 0.5
        colour = ramp(stops, t + 0.25 * fine)
        if storm:
            centre, size, storm_colour = storm
            d = math.acos(max(-1.0, min(1.0, sum(p[i] * centre[i] for i in range(3)))))
            if d < size:
                colour = mix(storm_colour, colour, (d / size) ** 2)
        return colour

    return shader


def star(core, edge, seed):
    def shader(u, v, p, lat):
        cells = fbm(p, seed, 5, 10.0)
        spots = fbm(p, seed + 9, 3, 3.0)
        return mix(edge, core, 0.35 + 1.1 * cells - 0.3 * max(0.0, 0.45 - spots))

    return shader


def rocky(stops, seed, crater_list, scale=3.0):
    def shader(u, v, p, lat):
        t = fbm(p, seed, 5, scale) + crater_shade(p, crater_list)
        return ramp(stops, t)

    return shader


def polar_caps(base, cap_colour, cap_latitude, seed):
    def shader(u, v, p, lat):
        colour = base(u, v, p, lat)
        edge = cap_latitude + 0.08 * (fbm(p, seed, 3, 6.0) - 0.5)
        if abs(lat) > edge:
            return mix(colour, cap_colour, (abs(lat) - edge) / 0.06)
        return colour

    return shader


def earth(u, v, p, lat):
    height = fbm(p, 11, 6, 1.8)
    if height < 0.52:
        colour = ramp([(0.2, (0.02, 0.07, 0.28)), (0.52, (0.08, 0.3, 0.6))], height)
    else:
        dryness = fbm(p, 12, 3, 4.0) + 0.35 * (1 - abs(math.sin(lat)) * 2.2)
        land = mix((0.16, 0.42, 0.14), (0.66, 0.56, 0.34), (dryness - 0.45) * 3)
        colour = mix(land, (0.45, 0.38, 0.3), (height - 0.62) * 4)
    clouds = fbm(p, 13, 5, 4.0)
    colour = mix(colour, (0.95, 0.95, 0.97), (clouds - 0.58) * 3)
    edge = 1.2 + 0.1 * (fbm(p, 14, 3, 5.0) - 0.5)
    if abs(lat) > edge:
        colour = mix(colour, (0.94, 0.96, 1.0), (abs(lat) - edge) / 0.05)
    return colour


def spacecraft(u, v, p, lat):
    # Panels of a hull: a grid of slightly different greys, gold foil round the middle.
    panel = hash3(u // 16, v // 16, 0, 21)
    colour = mix((0.55, 0.57, 0.6), (0.8, 0.81, 0.84), panel)
    if u % 16 == 0 or v % 16 == 0:
        colour = (0.3, 0.31, 0.33)
    if abs(lat) < 0.35:
        foil = fbm(p, 22, 3, 12.0)
        colour = mix((0.62, 0.45, 0.12), (0.95, 0.8, 0.35), foil)
    return colour


def default_skin(u, v, p, lat):
    # A plain stony grey with faint meridians and parallels, so rotation shows.
    colour = ramp([(0.3, (0.42, 0.44, 0.47)), (0.7, (0.72, 0.73, 0.75))], fbm(p, 31, 5, 4.0))
    if u % 32 == 0 or v % 16 == 0:
        colour = mix(colour, (0.25, 0.3, 0.45), 0.5)
    return colour


SKINS = [
    ("def.bmp", 256, 128, default_skin),
    ("sun.bmp", 256, 128, star((1.0, 0.93, 0.55), (0.9, 0.45, 0.05), 1)),
    ("star_blue.bmp", 128, 64, star((0.85, 0.92, 1.0), (0.35, 0.5, 0.95), 2)),
    ("star_red.bmp", 128, 64, star((1.0, 0.55, 0.3), (0.55, 0.08, 0.02), 3)),
    ("mercury.bmp", 256, 128, rocky([(0.3, (0.3, 0.28, 0.26)), (0.7, (0.68, 0.64, 0.6))], 4, craters(4, 60, 0.03, 0.2))),
    ("venus.bmp", 256, 128, banded([(0.0, (0.78, 0.66, 0.42)), (0.5, (0.92, 0.84, 0.62)), (1.0, (0.98, 0.93, 0.78))], 5, 3.0, 2.5)),
    ("earth.bmp", 256, 128, earth),
    ("moon.bmp", 256, 128, rocky([(0.25, (0.28, 0.28, 0.3)), (0.45, (0.45, 0.45, 0.46)), (0.7, (0.78, 0.78, 0.77))], 6, craters(6, 80, 0.02, 0.22), 2.0)),
    ("mars.bmp", 256, 128, polar_caps(rocky([(0.3, (0.4, 0.16, 0.08)), (0.55, (0.72, 0.36, 0.17)), (0.75, (0.86, 0.56, 0.34))], 7, craters(7, 25, 0.02, 0.1)), (0.95, 0.93, 0.92), 1.3, 8)),
    ("jupiter.bmp", 256, 128, banded([(0.0, (0.52, 0.36, 0.24)), (0.3, (0.72, 0.55, 0.38)), (0.6, (0.88, 0.8, 0.66)), (1.0, (0.95, 0.92, 0.85))], 9, 19.0, 0.6, ((0.55, -0.78, -0.3), 0.2, (0.78, 0.36, 0.22)))),
    ("saturn.bmp", 256, 128, banded([(0.0, (0.7, 0.6, 0.4)), (0.5, (0.88, 0.8, 0.6)), (1.0, (0.96, 0.91, 0.76))], 10, 9.0, 0.5)),
    ("uranus.bmp", 256, 128, banded([(0.0, (0.55, 0.8, 0.84)), (1.0, (0.72, 0.9, 0.92))], 15, 4.0, 0.3)),
    ("neptune.bmp", 256, 128, banded([(0.0, (0.12, 0.24, 0.7)), (0.6, (0.25, 0.42, 0.88)), (1.0, (0.55, 0.7, 0.98))], 16, 5.0, 0.8, ((0.6, 0.6, -0.52), 0.16, (0.08, 0.12, 0.4)))),
    ("rock.bmp", 128, 64, rocky([(0.25, (0.2, 0.18, 0.16)), (0.7, (0.52, 0.47, 0.42))], 17, craters(17, 30, 0.05, 0.3), 4.0)),
    ("spacecraft.bmp", 128, 64, spacecraft),
]


def main():
    for name, width, height, shader in SKINS:
        render(name, width, height, shader)
        print("wrote", name)


if __name__ == "__main__":
    main()
