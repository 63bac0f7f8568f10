#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the application icon that desktops show in their menus, docks and software centres.

It is the toolbar's ICON_app drawing (a blue planet, an amber orbit and its moon) grown to a
128 x 128 canvas, on the rounded slate tile of the toolbar icons, with a faint field of stars and
the moon's trail. The build renders it to PNG at the hicolor sizes. Run it from anywhere; it
rewrites orbilan.svg beside this script.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

# The toolbar icons' colours (assets/ui/make_art.py).
TILE_TOP, TILE_BOTTOM = '#3c4857', '#171d25'
AMBER = '#f2b035'
MOON, MOON_RIM = '#f3d27a', '#6b4a10'
TRAIL = '#fff8e0'
PLANET_STOPS = (('0', '#bfe3ff'), ('0.55', '#2f7fd6'), ('1', '#0d2f66'))
PLANET_RIM = '#0b2550'

# The orbit: an ellipse about the planet, tilted as in ICON_app.
CX, CY, RX, RY, TILT = 64, 68, 58, 21, -18


def stars(seed=11, count=26):
    rnd = random.Random(seed)
    out = []
    for _ in range(count):
        x, y = rnd.uniform(12, 116), rnd.uniform(12, 116)
        # Keep the planet's disc clear.
        if (x - 64) ** 2 + (y - 64) ** 2 < 40 ** 2:
            continue
        out.append('<circle cx="%.1f" cy="%.1f" r="%.2f" fill="#ffffff" fill-opacity="%.2f"/>'
                   % (x, y, rnd.uniform(0.6, 1.4), rnd.uniform(0.25, 0.7)))
    return ''.join(out)


def orbit_arc(front):
    """Half of the tilted orbit: the back half passes behind the planet, the front half before it."""
    sweep = 0 if front else 1
    return ('<path d="M%g %g A%g %g 0 0 %d %g %g" fill="none" stroke="%s" stroke-width="%g" '
            'stroke-linecap="round" transform="rotate(%g %g %g)"/>'
            % (CX - RX, CY, RX, RY, sweep, CX + RX, CY, AMBER, 5.0 if front else 4.0, TILT, CX, CY))


def on_orbit(degrees):
    """The point of the tilted orbit at that angle from its right end, turning toward the viewer."""
    t, tilt = math.radians(degrees), math.radians(TILT)
    dx, dy = RX * math.cos(t), RY * math.sin(t)
    return CX + dx * math.cos(tilt) - dy * math.sin(tilt), CY + dx * math.sin(tilt) + dy * math.cos(tilt)


# The moon's place on the front half of the orbit, and where its trail begins.
MOON_AT, TRAIL_FROM = 48, 100


def svg():
    stops = ''.join('<stop offset="%s" stop-color="%s"/>' % s for s in PLANET_STOPS)
    defs = ('<linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            '<radialGradient id="planet" cx="0.38" cy="0.32" r="0.75">%s</radialGradient>'
            '<linearGradient id="trail" gradientUnits="userSpaceOnUse" x1="%.2f" y1="%.2f" x2="%.2f" y2="%.2f">'
            '<stop offset="0" stop-color="%s" stop-opacity="0"/><stop offset="1" stop-color="%s" stop-opacity="0.95"/>'
            '</linearGradient>' % ((TILE_TOP, TILE_BOTTOM, stops) + on_orbit(TRAIL_FROM) + on_orbit(MOON_AT) + (TRAIL, TRAIL)))
    tile = ('<rect x="4" y="4" width="120" height="120" rx="24" fill="url(#tile)"/>'
            '<rect x="4.75" y="4.75" width="118.5" height="118.5" rx="23.25" fill="none" '
            'stroke="#ffffff" stroke-opacity="0.14" stroke-width="1.5"/>')
    planet = '<circle cx="64" cy="64" r="34" fill="url(#planet)" stroke="%s" stroke-width="2.5"/>' % PLANET_RIM
    # The moon rides the front of the orbit; its trail fades along the way it came.
    points = [on_orbit(TRAIL_FROM + (MOON_AT - TRAIL_FROM) * k / 24) for k in range(25)]
    trail = ('<path d="M%s" fill="none" stroke="url(#trail)" stroke-width="7" stroke-linecap="round"/>'
             % ' L'.join('%.2f %.2f' % p for p in points))
    mx, my = on_orbit(MOON_AT)
    moon = '<circle cx="%.2f" cy="%.2f" r="10" fill="%s" stroke="%s" stroke-width="2.2"/>' % (mx, my, MOON, MOON_RIM)
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
            '<defs>%s</defs>%s%s%s%s%s%s%s</svg>\n'
            % (defs, tile, stars(), orbit_arc(False), planet, orbit_arc(True), trail, moon))


def main():
    with open(os.path.join(HERE, 'orbilan.svg'), 'w') as f:
        f.write(svg())


if __name__ == '__main__':
    main()
