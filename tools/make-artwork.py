#!/usr/bin/env python3
"""Draws the artwork of Kelo Kelo: the four blob images and the bitmap icon.

Every shape is described by a signed distance function; a pixel is the average of several
sub-samples and each sub-sample gets an analytic coverage from the distance, which gives clean
edges even on the small marks.
"""

import argparse
import itertools
import json
import math
import os

from PIL import Image  # Debian's python3-pil

SIZE = 128
SUPERSAMPLE = 3  # sub-samples per axis and pixel
ICO_SIZES = (16, 32, 48, 256)
WHITE = (255, 255, 255)
# The outline is a superellipse: rounder than a square, fuller than a circle,
# so neighbouring blobs in the well nearly touch like soft jelly.
EXPONENT = 2.35
GLOSS_COS, GLOSS_SIN = math.cos(math.radians(-32)), math.sin(math.radians(-32))

# Vivid, clearly different hues.  Red and green also differ in lightness, which helps where hue
# alone does not.  The body colours are kept in blob-colours.json beside this script, where the
# tests of the real window read them too, in the order the images are written.
TOOLS = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(TOOLS, "blob-colours.json")) as f:
    COLOURS = {name: tuple(rgb) for name, rgb in json.load(f).items()}


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def smoothstep(edge0, edge1, x):
    t = clamp((x - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def scale(colour, factor):
    return tuple(clamp(c * factor, 0.0, 255.0) for c in colour)


def coverage(distance, aa):
    """Share of a sample footprint of width aa that lies inside (distance < 0)."""
    return clamp(0.5 - distance / aa)


def sd_segment(x, y, ax, ay, bx, by):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    h = clamp((px * dx + py * dy) / (dx * dx + dy * dy))
    return math.hypot(px - dx * h, py - dy * h)


def sd_polygon(x, y, points):
    """Exact signed distance to a closed polygon (negative inside)."""
    edges = [(*a, *b) for a, b in zip(points, points[1:] + points[:1])]
    best = min(sd_segment(x, y, *edge) for edge in edges)
    # Even-odd rule, by casting a ray towards +x.
    crossings = sum(1 for ax, ay, bx, by in edges
                    if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay))
    return -best if crossings % 2 else best


def polygon(cy, radii, corners):
    """Corners around (0, cy) from the top, clockwise, at the radii taken in turn."""
    angles = (-math.pi / 2 + i * 2 * math.pi / corners for i in range(corners))
    return [(r * math.cos(a), cy + r * math.sin(a)) for r, a in zip(itertools.cycle(radii), angles)]


TRIANGLE = polygon(0.08, (0.50,), 3)
STAR = polygon(0.05, (0.55, 0.25), 10)

# Every colour also has its own mark, so that players who cannot tell the colours apart can still
# match blobs by shape: its colour and distance function in blob units (the blob is about two
# units wide).  Thick strokes still read when the blob is shown 32 pixels wide, and the
# triangle's slightly rounded corners look friendlier and survive scaling.  Yellow is too light
# for a white mark to stand out; it gets a dark one.
MARKS = {
    "blue": (WHITE, lambda x, y: abs(math.hypot(x, y) - 0.30) - 0.105),
    "green": (WHITE, lambda x, y: sd_polygon(x, y, TRIANGLE) - 0.04),
    "red": (WHITE, lambda x, y: min(sd_segment(x, y, -0.27, -0.27, 0.27, 0.27),
                                    sd_segment(x, y, -0.27, 0.27, 0.27, -0.27)) - 0.11),
    "yellow": ((92, 56, 0), lambda x, y: sd_polygon(x, y, STAR) - 0.03),
}


def blob_sample(name, x, y, aa):
    """Premultiplied RGBA of one blob at (x, y) in blob units."""
    colour, (mark_colour, sd_mark) = COLOURS[name], MARKS[name]
    # The superellipse's "radius", 1 on the outline, wider at the bottom as if the blob settled;
    # near the outline it grows about as fast as the distance, enough for antialiasing.
    field = (abs(x * (1.0 - 0.06 * y)) ** EXPONENT + abs(y) ** EXPONENT) ** (1.0 / EXPONENT)
    d = field - 1.0
    edge = coverage(d, aa)
    if edge <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    rho = min(field, 1.0)

    # A dome lit from the upper left.
    height = math.sqrt(max(0.0, 1.0 - rho * rho * 0.92))
    nx, ny, nz = x * 0.9, y * 0.9, height * 1.3
    length = math.sqrt(nx * nx + ny * ny + nz * nz) or 1.0
    diffuse = max(0.0, nx / length * -0.45 + ny / length * -0.6 + nz / length * 0.66)
    body = scale(colour, 0.62 + 0.5 * diffuse)
    # A warm glow from the bounce light at the lower right keeps the shadow side alive.
    bounce = smoothstep(0.3, 1.0, (x * 0.5 + y * 0.8)) * smoothstep(1.0, 0.75, rho)
    body = mix(body, scale(colour, 1.15), 0.35 * bounce)
    # Darker towards the rim so the round shape reads even without the highlight.
    body = mix(body, scale(colour, 0.45), smoothstep(0.72, 1.0, rho) * 0.75)

    md, shadow = sd_mark(x, y), sd_mark(x - 0.03, y - 0.05)
    outline = scale(colour, 0.35) if sum(mark_colour) > 382 else mix(colour, WHITE, 0.7)
    hx, hy = (x + 0.36) / 0.42, (y + 0.5) / 0.24  # in the gloss ellipse, then turned with it
    rx = hx * GLOSS_COS - hy * GLOSS_SIN * 0.42 / 0.24
    ry = hx * GLOSS_SIN * 0.24 / 0.42 + hy * GLOSS_COS
    # Straight colours and their alphas within the blob, bottom first.
    layers = [
        (body, 1.0),
        # A thin dark outline separates blobs of the same colour.
        (scale(colour, 0.36), coverage(-(d + 0.055), aa)),
        # The mark, with a soft drop shadow and an outline of the contrasting tone.
        ((0, 0, 0), coverage(shadow - 0.04, aa * 4.0) * 0.35),
        (outline, coverage(md - 0.045, aa) * 0.85),
        (mark_colour, coverage(md, aa)),
        # Glossy window highlight at the top left, drawn over the mark as real gloss would be,
        # with a small bright spot inside it.
        (WHITE, 0.7 * smoothstep(1.0, 0.35, math.hypot(rx, ry))),
        (WHITE, 0.9 * smoothstep(0.12, 0.03, math.hypot(x + 0.5, y + 0.55))),
        # A faint reflected crescent along the lower rim.
        (WHITE, smoothstep(0.8, 0.92, rho) * smoothstep(1.0, 0.93, rho)
         * smoothstep(0.2, 0.9, y) * 0.35),
    ]
    pixel = (0.0, 0.0, 0.0, 0.0)
    for paint, alpha in layers:
        alpha *= edge
        pixel = tuple(c * alpha + p * (1.0 - alpha) for c, p in zip(paint + (1.0,), pixel))
    return pixel


def render(blobs, size=SIZE):
    """Draws blobs, back to front as (colour name, cx, cy, radius) in a SIZE-wide image's pixels."""
    f = size / SIZE
    blobs = [(name, cx * f, cy * f, radius * f) for name, cx, cy, radius in blobs]
    step = 1.0 / SUPERSAMPLE
    centres = [(i + 0.5) * step for i in range(SUPERSAMPLE)]
    weight = 1.0 / (SUPERSAMPLE * SUPERSAMPLE)
    data = bytearray()
    for py, px in itertools.product(range(size), repeat=2):
        acc = [0.0, 0.0, 0.0, 0.0]
        for oy, ox in itertools.product(centres, repeat=2):
            pixel = (0.0, 0.0, 0.0, 0.0)
            for name, cx, cy, radius in blobs:
                # The sub-sample's footprint in blob units.
                sample = blob_sample(name, (px + ox - cx) / radius, (py + oy - cy) / radius,
                                     step / radius * 1.2)
                pixel = tuple(s + p * (1.0 - sample[3]) for s, p in zip(sample, pixel))
            acc = [a + p * weight for a, p in zip(acc, pixel)]
        *rgb, alpha = acc
        data.extend(int(round(clamp(c / alpha, 0.0, 255.0))) if alpha > 1e-6 else 0 for c in rgb)
        data.append(int(round(clamp(alpha) * 255.0)))
    return Image.frombytes("RGBA", (size, size), bytes(data))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default=os.path.dirname(TOOLS),
                        help="directory that receives images/ and data/icons/ (default: the source tree)")
    out_dir = parser.parse_args().out_dir

    # The blob keeps a small margin so the rim is not cut when the image is scaled.
    files = {os.path.join("images", "kelo_%s.png" % name):
             [render([(name, SIZE / 2, SIZE / 2 + 1, SIZE / 2 - 4)])] for name in COLOURS}
    # The icon: a small heap of blobs, the back ones first.  The scalable
    # data/icons/kelokelo.svg is drawn by hand after the same layout.
    icon = [("green", 34, 93, 31), ("blue", 94, 93, 31), ("red", 64, 38, 32)]
    files[os.path.join("data", "icons", "kelokelo.png")] = [render(icon)]
    # The Windows program's icon, at the sizes Explorer and the task bar ask for, each drawn at
    # its size, PNG-compressed as every Windows since Vista reads them.
    files[os.path.join("data", "icons", "kelokelo.ico")] = [render(icon, s) for s in ICO_SIZES]

    for name, images in files.items():
        path = os.path.join(out_dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        # Each format takes the options meant for it; PNG's optimize makes the smallest file.
        images[-1].save(path, optimize=True, sizes=[image.size for image in images],
                        append_images=images[:-1])
        print("wrote", path)


if __name__ == "__main__":
    main()
