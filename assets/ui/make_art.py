#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the panel artwork as SVG: every toolbar icon in its normal, hot (_H) and disabled (_D)
look, the application icon and the four 1024 x 100 panel backgrounds.

All icons share one style: a bold symbol with a top-lit gradient and a dark outline on a clear
background, so the button's own face, its raised frame under the mouse and the theme's colours
show around the symbol. The hot look brightens the colours and adds a soft glow; the disabled look
is the same drawing in flat greys. Run it from anywhere; it rewrites icons/ and backgrounds/.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def rgb(hex_colour):
    h = hex_colour.lstrip('#')
    return tuple(int(h[i:i + 2], 16) / 255 for i in (0, 2, 4))


def hexc(r, g, b):
    return '#%02x%02x%02x' % tuple(max(0, min(255, round(c * 255))) for c in (r, g, b))


def mix(a, b, t):
    ca, cb = rgb(a), rgb(b)
    return hexc(*(x + (y - x) * t for x, y in zip(ca, cb)))


def grey(hex_colour, lift=0.0):
    r, g, b = rgb(hex_colour)
    lum = 0.3 * r + 0.59 * g + 0.11 * b
    v = 0.45 + 0.35 * lum + lift  # squeeze into a mid-grey band so disabled icons recede
    return hexc(v, v, v)


class Look:
    """Turns a base colour into the top, bottom and outline shades of one icon variant."""

    def __init__(self, variant):
        self.variant = variant

    def top(self, c):
        if self.variant == 'D':
            return grey(c, 0.08)
        return mix(c, '#ffffff', 0.55 if self.variant == 'H' else 0.35)

    def bottom(self, c):
        if self.variant == 'D':
            return grey(c, -0.06)
        return mix(c, '#ffffff', 0.18) if self.variant == 'H' else c

    def line(self, c):
        if self.variant == 'D':
            return '#6b6b6b'
        return mix(c, '#000000', 0.55 if self.variant == 'H' else 0.62)

    def flat(self, c):
        if self.variant == 'D':
            return grey(c)
        return mix(c, '#ffffff', 0.25) if self.variant == 'H' else c


class Icon:
    def __init__(self, look):
        self.look = look
        self.defs = []
        self.body = []
        self.count = 0

    def fill(self, colour):
        """A vertical gradient id for `colour` in this look."""
        self.count += 1
        gid = 'g%d' % self.count
        self.defs.append(
            '<linearGradient id="%s" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            % (gid, self.look.top(colour), self.look.bottom(colour)))
        return 'url(#%s)' % gid

    def add(self, svg):
        self.body.append(svg)

    def shape(self, tag, colour, width=1.4, extra=''):
        self.add('<%s %s fill="%s" stroke="%s" stroke-width="%g" stroke-linejoin="round" stroke-linecap="round"/>'
                 % (tag, extra, self.fill(colour), self.look.line(colour), width))

    def stroke(self, tag, colour, width, extra='', outline=True):
        """A thick line with a dark rim: the rim first, the colour on top."""
        if outline:
            self.add('<%s %s fill="none" stroke="%s" stroke-width="%g" stroke-linecap="round" stroke-linejoin="round"/>'
                     % (tag, extra, self.look.line(colour), width + 2.2))
        self.add('<%s %s fill="none" stroke="%s" stroke-width="%g" stroke-linecap="round" stroke-linejoin="round"/>'
                 % (tag, extra, self.look.flat(colour), width))

    def svg(self):
        halo = ''
        if self.look.variant == 'H':
            self.defs.append('<radialGradient id="halo" cx="0.5" cy="0.5" r="0.5"><stop offset="0" stop-color="#fffbe0" stop-opacity="0.42"/>'
                             '<stop offset="0.6" stop-color="#fff3b0" stop-opacity="0.18"/>'
                             '<stop offset="1" stop-color="#fff3b0" stop-opacity="0"/></radialGradient>')
            halo += '<circle cx="16" cy="16" r="16" fill="url(#halo)"/>'
        opacity = ' opacity="0.8"' if self.look.variant == 'D' else ''
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">'
                '<defs>%s</defs>%s<g%s>%s</g></svg>\n'
                % (''.join(self.defs), halo, opacity, ''.join(self.body)))


GREEN = '#34b84a'
RED = '#e0402f'
AMBER = '#f2b035'
BLUE = '#3a8ee6'
TEAL = '#1f9e8f'
STEEL = '#7f93aa'
PAPER = '#f4f1e8'
INK = '#2f5fa8'
SCREEN = '#1b2a36'
LCD = '#58e6ef'
WHITE = '#ffffff'


def icon_start(i):
    i.shape('path', GREEN, 1.6, 'd="M10 5.5 L26.5 16 L10 26.5 Z"')
    i.add('<path d="M12 9 L21 14.6" stroke="#ffffff" stroke-opacity="0.55" stroke-width="1.6" stroke-linecap="round"/>')


def icon_stop(i):
    i.shape('rect', RED, 1.6, 'x="5" y="5" width="22" height="22" rx="5"')
    for x in (10.5, 17.5):
        i.add('<rect x="%g" y="10" width="4" height="12" rx="1" fill="%s"/>' % (x, i.look.flat(WHITE)))


def icon_open(i):
    i.shape('path', AMBER, 1.4, 'd="M3.5 8 h8 l2.5 2.5 h11 v3 h-19 l-2.5 11 Z"')
    i.shape('path', AMBER, 1.4, 'd="M3.5 25 L7 13 H29 L25.5 25 Z"')
    i.add('<path d="M8.2 15.2 H26.5" stroke="#ffffff" stroke-opacity="0.6" stroke-width="1.2" stroke-linecap="round"/>')


def icon_reset(i):
    i.stroke('path', BLUE, 3.4, 'd="M25 16 A9 9 0 1 1 21.5 8.9"')
    i.shape('path', BLUE, 1.3, 'd="M18 4 L27 6.5 L21.5 13.5 Z"')


def icon_time(i):
    i.shape('circle', TEAL, 1.5, 'cx="16" cy="16" r="13"')
    i.shape('circle', PAPER, 1.0, 'cx="16" cy="16" r="9.8"')
    for k in range(12):
        a = math.radians(k * 30)
        r1 = 7.6 if k % 3 == 0 else 8.5
        i.add('<line x1="%.2f" y1="%.2f" x2="%.2f" y2="%.2f" stroke="%s" stroke-width="%g" stroke-linecap="round"/>'
              % (16 + r1 * math.sin(a), 16 - r1 * math.cos(a), 16 + 9.2 * math.sin(a), 16 - 9.2 * math.cos(a),
                 i.look.line(TEAL), 1.4 if k % 3 == 0 else 0.8))
    hand = i.look.line(SCREEN)
    i.add('<path d="M16 16 L16 9.5 M16 16 L20.5 18.5" stroke="%s" stroke-width="1.8" stroke-linecap="round"/>' % hand)
    i.add('<circle cx="16" cy="16" r="1.4" fill="%s"/>' % i.look.flat(RED))


SEGMENTS = {  # seven-segment digits: a b c d e f g
    '1': 'bc', '2': 'abged', '3': 'abgcd',
}


def seven_segment(i, digit, x, y, w=5.0, h=11.0, colour=LCD):
    t = 1.5
    bars = {
        'a': (x + t / 2, y, x + w - t / 2, y), 'g': (x + t / 2, y + h / 2, x + w - t / 2, y + h / 2),
        'd': (x + t / 2, y + h, x + w - t / 2, y + h),
        'f': (x, y + t / 2, x, y + h / 2 - t / 2), 'b': (x + w, y + t / 2, x + w, y + h / 2 - t / 2),
        'e': (x, y + h / 2 + t / 2, x, y + h - t / 2), 'c': (x + w, y + h / 2 + t / 2, x + w, y + h - t / 2),
    }
    for s in SEGMENTS[digit]:
        x1, y1, x2, y2 = bars[s]
        i.add('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" stroke-linecap="round"/>'
              % (x1, y1, x2, y2, i.look.flat(colour), t))


def icon_numeric(i):
    i.shape('rect', STEEL, 1.4, 'x="2.5" y="5.5" width="27" height="21" rx="3.5"')
    i.add('<rect x="5" y="8" width="22" height="16" rx="1.5" fill="%s"/>' % i.look.flat(SCREEN))
    for k, d in enumerate('123'):
        seven_segment(i, d, 7.4 + k * 6.6 + (1.2 if k else 0), 10.5)
    i.add('<circle cx="14.3" cy="21.6" r="1" fill="%s"/>' % i.look.flat(LCD))


def icon_options(i):
    teeth, r_out, r_in = 8, 13.0, 9.6
    points = []
    for k in range(teeth * 4):
        a = 2 * math.pi * k / (teeth * 4) - math.pi / 2
        r = r_out if k % 4 in (1, 2) else r_in
        points.append('%.2f,%.2f' % (16 + r * math.cos(a), 16 + r * math.sin(a)))
    i.shape('polygon', STEEL, 1.3, 'points="%s"' % ' '.join(points))
    i.shape('circle', SCREEN, 1.2, 'cx="16" cy="16" r="4.2"')
    i.add('<path d="M9.5 9.5 A9 9 0 0 1 22.5 9.5" fill="none" stroke="#ffffff" stroke-opacity="0.45" stroke-width="1.2"/>')


def icon_log(i):
    i.shape('path', PAPER, 1.3, 'd="M6.5 3.5 H20 L25.5 9 V28.5 H6.5 Z"')
    i.shape('path', PAPER, 1.0, 'd="M20 3.5 V9 H25.5"')
    for k, length in enumerate((13, 11, 14, 9)):
        y = 13 + k * 3.6
        i.add('<line x1="9.5" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="1.5" stroke-linecap="round"/>'
              % (y, 9.5 + length, y, i.look.flat(INK)))
    i.stroke('line', AMBER, 2.6, 'x1="29" y1="14" x2="19.5" y2="25.5"')
    i.add('<path d="M19.5 25.5 L18.3 28 L20.8 27" fill="%s"/>' % i.look.line(AMBER))


def icon_zero(i):
    ox, oy = 13, 18
    i.stroke('line', RED, 2.0, 'x1="%g" y1="%g" x2="29" y2="%g"' % (ox, oy, oy))
    i.stroke('line', GREEN, 2.0, 'x1="%g" y1="%g" x2="%g" y2="3"' % (ox, oy, ox))
    i.stroke('line', BLUE, 2.0, 'x1="%g" y1="%g" x2="4" y2="27"' % (ox, oy))
    i.stroke('circle', AMBER, 1.6, 'cx="%g" cy="%g" r="5.5"' % (ox, oy))
    i.add('<circle cx="%g" cy="%g" r="2" fill="%s" stroke="%s" stroke-width="0.8"/>'
          % (ox, oy, i.look.flat(WHITE), i.look.line(SCREEN)))


def arrow(i, mirror):
    d = 'M27 16 L16 5.5 V11 H5 V21 H16 V26.5 Z'
    transform = ' transform="translate(32 0) scale(-1 1)"' if mirror else ''
    i.shape('path', BLUE, 1.5, 'd="%s"%s' % (d, transform))


def icon_arrow_prev(i):
    arrow(i, True)


def icon_arrow_next(i):
    arrow(i, False)


def icon_full_screen(i):
    i.shape('rect', STEEL, 1.2, 'x="9" y="10" width="14" height="12" rx="1.5"')
    i.add('<rect x="11" y="12" width="10" height="8" fill="%s"/>' % i.look.flat(SCREEN))
    for sx, sy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        cx, cy = 16 - sx * 12.5, 16 - sy * 12.5
        d = 'M%g %g L%g %g L%g %g' % (cx + sx * 6, cy, cx, cy, cx, cy + sy * 6)
        i.stroke('path', BLUE, 2.4, 'd="%s"' % d)
        i.stroke('line', BLUE, 2.0, 'x1="%g" y1="%g" x2="%g" y2="%g"' % (cx, cy, cx + sx * 5, cy + sy * 5),
                 outline=False)


def icon_exit(i):
    i.shape('circle', RED, 1.5, 'cx="16" cy="16" r="13"')
    i.add('<path d="M10.5 10.5 L21.5 21.5 M21.5 10.5 L10.5 21.5" stroke="%s" stroke-width="3.4" stroke-linecap="round"/>'
          % i.look.flat(WHITE))


def icon_app(i):
    i.add('<ellipse cx="16" cy="17" rx="15" ry="5.5" fill="none" stroke="%s" stroke-width="1.6" '
          'transform="rotate(-18 16 17)"/>' % i.look.flat(AMBER))
    i.defs.append('<radialGradient id="planet" cx="0.38" cy="0.32" r="0.75"><stop offset="0" stop-color="#bfe3ff"/>'
                  '<stop offset="0.55" stop-color="#2f7fd6"/><stop offset="1" stop-color="#0d2f66"/></radialGradient>')
    i.add('<circle cx="16" cy="16" r="9" fill="url(#planet)" stroke="#0b2550" stroke-width="1"/>')
    i.add('<path d="M4.2 21.5 A15 5.5 -18 0 0 29 10" fill="none" stroke="%s" stroke-width="1.6" '
          'transform="rotate(0 16 17)"/>' % i.look.flat(AMBER))
    i.add('<circle cx="27.5" cy="9.6" r="2.6" fill="%s" stroke="#6b4a10" stroke-width="0.8"/>' % i.look.flat('#f3d27a'))


ICONS = {
    'START': icon_start, 'STOP': icon_stop, 'OPEN': icon_open, 'RESET': icon_reset, 'TIME': icon_time,
    'NUMERIC': icon_numeric, 'OPTIONS': icon_options, 'LOG': icon_log, 'ZERO': icon_zero,
    'ARROW_PREV': icon_arrow_prev, 'ARROW_NEXT': icon_arrow_next, 'FULL_SCREEN': icon_full_screen,
    'EXIT': icon_exit,
}

# Background of each theme: top and bottom of the gradient, and the colour of the sky details.
BACKGROUNDS = [
    ('#4a4a4a', '#1c1c1c', '#ffffff'),
    ('#8e1b14', '#3a0705', '#ffd9b0'),
    ('#1768a3', '#05253d', '#d8f0ff'),
    ('#fbfbfb', '#d6d6d6', '#4a4a4a'),
]


def background(top, bottom, detail, seed):
    rnd = random.Random(seed)
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="1024" height="100" viewBox="0 0 1024 100">',
             '<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
             '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
             '<linearGradient id="sheen" x1="0" y1="0" x2="1" y2="0">'
             '<stop offset="0" stop-color="%s" stop-opacity="0.10"/>'
             '<stop offset="0.5" stop-color="%s" stop-opacity="0"/>'
             '<stop offset="1" stop-color="%s" stop-opacity="0.06"/></linearGradient></defs>'
             % (top, bottom, detail, detail, detail),
             '<rect width="1024" height="100" fill="url(#sky)"/>',
             '<rect width="1024" height="100" fill="url(#sheen)"/>']
    # Faint orbits sweeping across the strip, as in a long exposure of the view.
    for cx, rx, ry, tilt, alpha in ((150, 420, 70, -6, 0.10), (620, 520, 95, 4, 0.08), (900, 300, 55, -10, 0.07)):
        parts.append('<ellipse cx="%d" cy="60" rx="%d" ry="%d" fill="none" stroke="%s" stroke-opacity="%g" '
                     'stroke-width="1.2" transform="rotate(%d %d 60)"/>' % (cx, rx, ry, detail, alpha, tilt, cx))
    for _ in range(140):
        x, y = rnd.uniform(0, 1024), rnd.uniform(0, 100)
        parts.append('<circle cx="%.1f" cy="%.1f" r="%.2f" fill="%s" fill-opacity="%.2f"/>'
                     % (x, y, rnd.uniform(0.35, 0.9), detail, rnd.uniform(0.08, 0.28)))
    parts.append('<rect width="1024" height="1" fill="%s" fill-opacity="0.25"/>' % detail)
    parts.append('</svg>\n')
    return ''.join(parts)


def write(path, text):
    with open(path, 'w') as f:
        f.write(text)


def main():
    icons = os.path.join(HERE, 'icons')
    backgrounds = os.path.join(HERE, 'backgrounds')
    os.makedirs(icons, exist_ok=True)
    os.makedirs(backgrounds, exist_ok=True)
    for name, draw in ICONS.items():
        for variant, suffix in (('N', ''), ('H', '_H'), ('D', '_D')):
            icon = Icon(Look(variant))
            draw(icon)
            write(os.path.join(icons, 'ICON_%s%s.svg' % (name, suffix)), icon.svg())
    app = Icon(Look('N'))
    icon_app(app)
    write(os.path.join(icons, 'ICON_app.svg'), app.svg())
    for theme, (top, bottom, detail) in enumerate(BACKGROUNDS):
        write(os.path.join(backgrounds, 'IMG_BACK_%d.svg' % theme), background(top, bottom, detail, 7 + theme))


if __name__ == '__main__':
    main()
