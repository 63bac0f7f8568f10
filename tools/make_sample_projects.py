#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the bundled sample projects into assets/Projects from published elements and masses.

Run it from the top of the repository; the files it writes are committed, so building never needs it.
"""
import math
import random
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "assets" / "Projects"
G = 6.674e-11
AU = 1.495978707e11
DAY = 86400.0

# Mean elements at J2000 (Standish): a [AU], e, I, L, longitude of perihelion, ascending node [deg].
ELEMENTS = {
    "Mercury": (0.38709927, 0.20563593, 7.00497902, 252.25032350, 77.45779628, 48.33076593),
    "Venus": (0.72333566, 0.00677672, 3.39467605, 181.97909950, 131.60246718, 76.67984255),
    "Earth": (1.00000261, 0.01671123, -0.00001531, 100.46457166, 102.93768193, 0.0),
    "Mars": (1.52371034, 0.09339410, 1.84969142, -4.55343205, -23.94362959, 49.55953891),
    "Jupiter": (5.20288700, 0.04838624, 1.30439695, 34.39644051, 14.72847983, 100.47390909),
    "Saturn": (9.53667594, 0.05386179, 2.48599187, 49.95424423, 92.59887831, 113.66242448),
    "Uranus": (19.18916464, 0.04725744, 0.77263783, 313.23810451, 170.95427630, 74.01692503),
    "Neptune": (30.06992276, 0.00859048, 1.77004347, -55.12002969, 44.96476227, 131.78422574),
}
# Mass [kg] and mean density [kg/m3].
BODIES = {
    "Sun": (1.98847e30, 1408), "Mercury": (3.3011e23, 5429), "Venus": (4.8675e24, 5243),
    "Earth": (5.9722e24, 5514), "Moon": (7.342e22, 3344), "Mars": (6.4171e23, 3934),
    "Jupiter": (1.89819e27, 1326), "Saturn": (5.6834e26, 687), "Uranus": (8.6810e25, 1270),
    "Neptune": (1.02413e26, 1638),
}


class Body:
    def __init__(self, name, skin, pos, vel, mass, density):
        self.name, self.skin, self.pos, self.vel = name, skin, list(pos), list(vel)
        self.mass, self.density = mass, density


def kepler_state(mu, a, e, inc, node, argp, mean_anomaly):
    """Position and velocity on a Kepler orbit; angles in radians, ecliptic frame."""
    E = mean_anomaly
    for _ in range(50):
        E -= (E - e * math.sin(E) - mean_anomaly) / (1 - e * math.cos(E))
    n = math.sqrt(mu / a**3)
    edot = n / (1 - e * math.cos(E))
    b = a * math.sqrt(1 - e * e)
    x, y = a * (math.cos(E) - e), b * math.sin(E)
    vx, vy = -a * math.sin(E) * edot, b * math.cos(E) * edot

    def rotate(px, py):
        co, so = math.cos(argp), math.sin(argp)
        cn, sn = math.cos(node), math.sin(node)
        ci, si = math.cos(inc), math.sin(inc)
        x1, y1 = co * px - so * py, so * px + co * py
        return [cn * x1 - sn * ci * y1, sn * x1 + cn * ci * y1, si * y1]

    return rotate(x, y), rotate(vx, vy)


def to_centre_of_mass(bodies):
    total = sum(b.mass for b in bodies)
    for k in range(3):
        p = sum(b.mass * b.pos[k] for b in bodies) / total
        v = sum(b.mass * b.vel[k] for b in bodies) / total
        for b in bodies:
            b.pos[k] -= p
            b.vel[k] -= v


def number(value):
    return repr(float(value))


def write_project(file_name, title, subtitle, dt, g, bodies, pace, method=None):
    """pace: simulated seconds per second of wall time at which the project is best watched."""
    lines = [f'"{title}", "{subtitle}"', f"Objects, {len(bodies)}", f"dt, {number(dt)}", f"G, {number(g)}"]
    for i, b in enumerate(bodies, 1):
        lines += [
            f'Object, {i}, "{b.name}", {b.skin}',
            "Position, " + ", ".join(number(c) for c in b.pos),
            "Velocity, " + ", ".join(number(c) for c in b.vel),
            f"Mass, {number(b.mass)}",
            f"Density, {number(b.density)}",
        ]
    # After the bodies, where the original loader reads nothing: the method (at its default
    # tolerance), then the pace.
    if method:
        lines.append(f'Method, "{method}", 0')
    lines.append(f"Pace, {number(pace)}")
    (OUT / file_name).write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))


def skin(name):
    return f"../skins/{name}.bmp"


def solar_system():
    sun_mass, sun_density = BODIES["Sun"]
    bodies = [Body("Sun", skin("sun"), (0, 0, 0), (0, 0, 0), sun_mass, sun_density)]
    for name, (a, e, inc, L, peri, node) in ELEMENTS.items():
        mass, density = BODIES[name]
        if name == "Earth":
            mass += BODIES["Moon"][0]  # the elements are those of the Earth-Moon barycentre
        mu = G * (sun_mass + mass)
        pos, vel = kepler_state(mu, a * AU, e, math.radians(inc), math.radians(node),
                                math.radians(peri - node), math.radians(L - peri))
        if name != "Earth":
            bodies.append(Body(name, skin(name.lower()), pos, vel, mass, density))
            continue
        # Split the barycentre into the Earth and the Moon (lunar orbit: a 384,400 km, e 0.0549,
        # inclination 5.145 deg to the ecliptic; node and phase chosen freely).
        earth_mass, moon_mass = BODIES["Earth"][0], BODIES["Moon"][0]
        rel_p, rel_v = kepler_state(G * (earth_mass + moon_mass), 3.844e8, 0.0549, math.radians(5.145),
                                    math.radians(125.0), math.radians(318.0), math.radians(135.0))
        f_moon = moon_mass / (earth_mass + moon_mass)
        earth = Body("Earth", skin("earth"), [pos[k] - f_moon * rel_p[k] for k in range(3)],
                     [vel[k] - f_moon * rel_v[k] for k in range(3)], earth_mass, BODIES["Earth"][1])
        moon = Body("Moon", skin("moon"), [pos[k] + (1 - f_moon) * rel_p[k] for k in range(3)],
                    [vel[k] + (1 - f_moon) * rel_v[k] for k in range(3)], moon_mass, BODIES["Moon"][1])
        bodies += [earth, moon]
    to_centre_of_mass(bodies)
    write_project("solar_system.txt", "The Sun and planets on 1 January 2000",
                  "Standish mean elements and fact-sheet masses (G = 6.674e-11; step one hour)",
                  3600, G, bodies, pace=10 * DAY)


def earth_moon_craft():
    earth_mass, earth_density = BODIES["Earth"]
    moon_mass, moon_density = BODIES["Moon"]
    mu = G * (earth_mass + moon_mass)
    # The Moon starts 124 degrees ahead of the craft, so that the craft passes about 3,400 km
    # above it four and a half days after the burn (found by running the project).
    moon_p, moon_v = kepler_state(mu, 3.844e8, 0.0549, 0.0, 0.0, 0.0, math.radians(124.0))
    r = 6.771e6  # a 400 km low orbit
    craft_v = math.sqrt(G * earth_mass / r)
    bodies = [
        Body("Earth", skin("earth"), (0, 0, 0), (0, 0, 0), earth_mass, earth_density),
        Body("Moon", skin("moon"), moon_p, moon_v, moon_mass, moon_density),
        Body("Ranger", skin("spacecraft"), (r, 0, 0), (0, craft_v, 0), 10000, 100),
    ]
    to_centre_of_mass(bodies)
    write_project("earth_moon_craft.txt", "Earth, Moon and a spacecraft",
                  "the craft fires a 300 s burn from low orbit towards the Moon (see earth_moon_craft.JI)",
                  10, G, bodies, pace=60)
    # Burn from t = 60 s for 300 s, 5.92 t of propellant at 3,500 m/s against the direction of
    # flight: 3.14 km/s by the rocket equation, a trans-lunar injection.
    ji = ["Impulses, 1", "Body, 3", "Burn 1 start and duration (s), 60, 300", "Ejected mass (kg), 5920",
          "Exhaust velocity (m/s), 0, -3500, 0"]
    (OUT / "earth_moon_craft.JI").write_bytes(("\r\n".join(ji) + "\r\n").encode("ascii"))


def figure_eight():
    x1, v3 = (0.97000436, -0.24308753), (-0.93240737, -0.86473146)
    density = 3 / (4 * math.pi * 0.03**3)  # spheres of radius 0.03
    bodies = [
        Body("A", skin("sun"), (x1[0], x1[1], 0), (-v3[0] / 2, -v3[1] / 2, 0), 1, density),
        Body("B", skin("star_blue"), (-x1[0], -x1[1], 0), (-v3[0] / 2, -v3[1] / 2, 0), 1, density),
        Body("C", skin("star_red"), (0, 0, 0), (v3[0], v3[1], 0), 1, density),
    ]
    write_project("figure_eight.txt", "Figure-eight choreography",
                  "three equal masses chase each other on one curve (Chenciner and Montgomery 2000; G = 1; period 6.32591398)",
                  1e-4, 1, bodies, pace=2, method="gauss-radau")


def pythagorean():
    bodies = [
        Body(f"Mass {m}", skin(s), p, (0, 0, 0), m, m / (4 / 3 * math.pi * 0.05**3))
        for m, p, s in ((3, (1, 3, 0), "star_red"), (4, (-2, -1, 0), "sun"), (5, (1, -1, 0), "star_blue"))
    ]
    write_project("pythagorean.txt", "Pythagorean three-body problem",
                  "masses 3, 4, 5 at rest on a 3-4-5 triangle (Burrau 1913; G = 1). Run by the adaptive "
                  "Gauss-Radau method, which follows the close encounters to the published outcome",
                  1e-5, 1, bodies, pace=2, method="gauss-radau")


def cluster():
    # Sixty rocks in a ball of radius 3 turning at 0.7 of the rate that would hold it up: it falls
    # inward, flattens and keeps about ten survivors after ten seconds with collisions on.
    rng = random.Random(1913)
    spin = 0.7 * math.sqrt(60 / 3**3)
    bodies = []
    while len(bodies) < 60:
        p = [rng.uniform(-3, 3) for _ in range(3)]
        if math.dist(p, (0, 0, 0)) > 3:
            continue
        v = [rng.gauss(0, 0.05) for _ in range(3)]
        v[0] -= spin * p[1]
        v[1] += spin * p[0]
        mass = rng.uniform(0.5, 1.5)
        bodies.append(Body(f"Rock {len(bodies) + 1}", skin("rock"), p, v, mass, mass / (4 / 3 * math.pi * 0.05**3)))
    bodies[0].skin = skin("sun")
    to_centre_of_mass(bodies)
    write_project("cluster.txt", "Collapsing cluster",
                  "sixty rocks in a slowly turning ball fall together; switch COLLISION ON to watch them merge (G = 1)",
                  1e-3, 1, bodies, pace=1)


def binary_star():
    density = 3 / (4 * math.pi * 0.1**3)
    bodies = [
        Body("Alpha", skin("star_blue"), (1, 0, 0), (0, 0.5, 0), 1, density),
        Body("Beta", skin("star_red"), (-1, 0, 0), (0, -0.5, 0), 1, density),
    ]
    write_project("binary_star.txt", "Binary star",
                  "two equal stars on one circular orbit about their centre of mass (G = 1; period 4 pi)",
                  1e-3, 1, bodies, pace=4)


if __name__ == "__main__":
    OUT.mkdir(parents=True, exist_ok=True)
    for make in (solar_system, earth_moon_craft, figure_eight, pythagorean, cluster, binary_star):
        make()
