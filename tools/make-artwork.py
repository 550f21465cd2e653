#!/usr/bin/env python3
"""Draws the artwork of Kelo Kelo: the four blob images and the bitmap icon.

Every shape is described by a signed distance function; a pixel is the average
of several sub-samples and each sub-sample gets an analytic coverage from the
distance, which gives clean edges even on the small marks.

Run from anywhere:  /usr/bin/python3 tools/make-artwork.py [--out-dir DIR]
"""

import argparse
import json
import math
import os

from PIL import Image  # Debian's python3-pil

SIZE = 128
SUPERSAMPLE = 3  # sub-samples per axis and pixel
ICO_SIZES = (16, 32, 48, 256)

# Vivid, clearly different hues.  Red and green also differ in lightness,
# which helps where hue alone does not.  The body colours are kept in
# blob-colours.json beside this script, where the tests of the real window
# read them too, in the order the images are written.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "blob-colours.json")) as f:
    COLOURS = {name: tuple(rgb) for name, rgb in json.load(f).items()}

# Every colour also has its own mark, so that players who cannot tell the
# colours apart can still match blobs by shape.
MARKS = {
    "blue": "ring",
    "green": "triangle",
    "red": "cross",
    "yellow": "star",
}

WHITE = (255, 255, 255)
# Yellow is too light for a white mark to stand out; it gets a dark one.
MARK_COLOURS = {
    "blue": WHITE,
    "green": WHITE,
    "red": WHITE,
    "yellow": (92, 56, 0),
}


# ---------------------------------------------------------------- helpers

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


def over(dst, colour, alpha):
    """Composites a straight colour with the given alpha over a premultiplied pixel."""
    if alpha <= 0.0:
        return dst
    r, g, b, a = dst
    keep = 1.0 - alpha
    return (colour[0] * alpha + r * keep,
            colour[1] * alpha + g * keep,
            colour[2] * alpha + b * keep,
            alpha + a * keep)


# ------------------------------------------------------ distance functions

def sd_circle(x, y, radius):
    return math.hypot(x, y) - radius


def sd_segment(x, y, ax, ay, bx, by):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    h = clamp((px * dx + py * dy) / (dx * dx + dy * dy))
    return math.hypot(px - dx * h, py - dy * h)


def sd_polygon(x, y, points):
    """Exact signed distance to a closed polygon (negative inside)."""
    best = float("inf")
    inside = False
    count = len(points)
    for i in range(count):
        ax, ay = points[i]
        bx, by = points[(i + 1) % count]
        best = min(best, sd_segment(x, y, ax, ay, bx, by))
        # Even-odd rule, by casting a ray towards +x.
        if (ay > y) != (by > y):
            cross_x = ax + (y - ay) * (bx - ax) / (by - ay)
            if x < cross_x:
                inside = not inside
    return -best if inside else best


def regular_star(cx, cy, outer, inner, tips):
    points = []
    for i in range(tips * 2):
        angle = -math.pi / 2 + i * math.pi / tips
        radius = outer if i % 2 == 0 else inner
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


def regular_polygon(cx, cy, radius, corners):
    return [(cx + radius * math.cos(-math.pi / 2 + i * 2 * math.pi / corners),
             cy + radius * math.sin(-math.pi / 2 + i * 2 * math.pi / corners))
            for i in range(corners)]


# Marks in blob units (the blob is about two units wide).  Their strokes are
# thick so that they still read when the blob is shown 32 pixels wide.
TRIANGLE = regular_polygon(0.0, 0.08, 0.50, 3)
STAR = regular_star(0.0, 0.05, 0.55, 0.25, 5)


def sd_mark(kind, x, y):
    if kind == "ring":
        return abs(sd_circle(x, y, 0.30)) - 0.105
    if kind == "triangle":
        # Slightly rounded corners look friendlier and survive scaling.
        return sd_polygon(x, y, TRIANGLE) - 0.04
    if kind == "cross":
        arm = 0.27
        return min(sd_segment(x, y, -arm, -arm, arm, arm),
                   sd_segment(x, y, -arm, arm, arm, -arm)) - 0.11
    if kind == "star":
        return sd_polygon(x, y, STAR) - 0.03
    raise ValueError(kind)


# ----------------------------------------------------------------- blob

# The outline is a superellipse: rounder than a square, fuller than a circle,
# so neighbouring blobs in the well nearly touch like soft jelly.
EXPONENT = 2.35


def blob_field(x, y):
    """Superellipse "radius" of a point: 1 on the outline, 0 at the centre."""
    # The bottom is a little wider than the top, as if the blob settled.
    sx = x * (1.0 - 0.06 * y)
    return (abs(sx) ** EXPONENT + abs(y) ** EXPONENT) ** (1.0 / EXPONENT)


def sd_blob(x, y):
    rho = blob_field(x, y)
    # The field grows about as fast as the distance near the outline, so its
    # difference is a good enough distance estimate for antialiasing.
    return rho - 1.0


def blob_sample(colour, mark, mark_colour, x, y, aa):
    """Premultiplied RGBA of one blob at (x, y) in blob units."""
    pixel = (0.0, 0.0, 0.0, 0.0)
    d = sd_blob(x, y)
    edge = coverage(d, aa)
    if edge <= 0.0:
        return pixel

    rho = min(blob_field(x, y), 1.0)

    # A dome lit from the upper left.
    height = math.sqrt(max(0.0, 1.0 - rho * rho * 0.92))
    nx, ny, nz = x * 0.9, y * 0.9, height * 1.3
    length = math.sqrt(nx * nx + ny * ny + nz * nz) or 1.0
    nx, ny, nz = nx / length, ny / length, nz / length
    lx, ly, lz = -0.45, -0.6, 0.66
    diffuse = max(0.0, nx * lx + ny * ly + nz * lz)
    body = scale(colour, 0.62 + 0.5 * diffuse)
    # A warm glow from the bounce light at the lower right keeps the shadow side alive.
    bounce = smoothstep(0.3, 1.0, (x * 0.5 + y * 0.8)) * smoothstep(1.0, 0.75, rho)
    body = mix(body, scale(colour, 1.15), 0.35 * bounce)
    # Darker towards the rim so the round shape reads even without the highlight.
    body = mix(body, scale(colour, 0.45), smoothstep(0.72, 1.0, rho) * 0.75)

    pixel = over(pixel, body, edge)

    # A thin dark outline separates blobs of the same colour.
    rim = coverage(-(d + 0.055), aa) * edge
    pixel = over(pixel, scale(colour, 0.36), rim)

    # The mark, with a soft drop shadow and an outline of the contrasting tone.
    md = sd_mark(mark, x, y)
    light_mark = sum(mark_colour) > 382
    outline = scale(colour, 0.35) if light_mark else mix(colour, WHITE, 0.7)
    shadow = coverage(sd_mark(mark, x - 0.03, y - 0.05) - 0.04, aa * 4.0) * 0.35
    pixel = over(pixel, (0, 0, 0), shadow * edge)
    pixel = over(pixel, outline, coverage(md - 0.045, aa) * 0.85 * edge)
    pixel = over(pixel, mark_colour, coverage(md, aa) * edge)

    # Glossy window highlight at the top left, drawn over the mark as real gloss would be.
    hx, hy = (x + 0.36) / 0.42, (y + 0.5) / 0.24
    angle = math.radians(-32)
    rx = hx * math.cos(angle) - hy * math.sin(angle) * 0.42 / 0.24
    ry = hx * math.sin(angle) * 0.24 / 0.42 + hy * math.cos(angle)
    gloss = smoothstep(1.0, 0.35, math.hypot(rx, ry))
    pixel = over(pixel, WHITE, 0.7 * gloss * edge)
    # A small bright spot inside it.
    spot = smoothstep(0.12, 0.03, math.hypot(x + 0.5, y + 0.55))
    pixel = over(pixel, WHITE, 0.9 * spot * edge)
    # A faint reflected crescent along the lower rim.
    crescent = smoothstep(0.8, 0.92, rho) * smoothstep(1.0, 0.93, rho) \
        * smoothstep(0.2, 0.9, y) * 0.35
    pixel = over(pixel, WHITE, crescent * edge)

    return pixel


# ---------------------------------------------------------------- scenes

def render(blobs, size=SIZE, supersample=SUPERSAMPLE):
    """Renders blobs, given back to front as (colour name, cx, cy, radius) in pixels."""
    rows = []
    step = 1.0 / supersample
    weight = 1.0 / (supersample * supersample)
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(supersample):
                for sx in range(supersample):
                    fx = px + (sx + 0.5) * step
                    fy = py + (sy + 0.5) * step
                    pixel = (0.0, 0.0, 0.0, 0.0)
                    for name, cx, cy, radius in blobs:
                        # Sub-sample footprint in blob units.
                        aa = step / radius * 1.2
                        r, g, b, a = blob_sample(COLOURS[name], MARKS[name], MARK_COLOURS[name],
                                                 (fx - cx) / radius, (fy - cy) / radius, aa)
                        if a > 0.0:
                            keep = 1.0 - a
                            pixel = (r + pixel[0] * keep, g + pixel[1] * keep,
                                     b + pixel[2] * keep, a + pixel[3] * keep)
                    for i in range(4):
                        acc[i] += pixel[i] * weight
            alpha = acc[3]
            if alpha > 1e-6:
                rgb = [int(round(clamp(c / alpha, 0.0, 255.0))) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.extend(rgb)
            row.append(int(round(clamp(alpha) * 255.0)))
        rows.append(bytes(row))
    return rows


def image(rows, size=SIZE):
    return Image.frombytes("RGBA", (size, size), b"".join(rows))


def write_png(path, rows, size=SIZE):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Each row with the filter that leaves the smallest differences: on smooth shading a
    # difference compresses far better than the pixel.
    image(rows, size).save(path, optimize=True)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default=root,
                        help="directory that receives images/ and data/icons/ (default: the source tree)")
    args = parser.parse_args()

    # The blob keeps a small margin so the rim is not cut when the image is scaled.
    radius = SIZE / 2 - 4
    for name in COLOURS:
        path = os.path.join(args.out_dir, "images", "kelo_%s.png" % name)
        write_png(path, render([(name, SIZE / 2, SIZE / 2 + 1, radius)]))
        print("wrote", path)

    # The icon: a small heap of blobs, the back ones first.  The scalable
    # data/icons/kelokelo.svg is drawn by hand after the same layout.
    icon = [
        ("green", 34, 93, 31),
        ("blue", 94, 93, 31),
        ("red", 64, 38, 32),
    ]
    path = os.path.join(args.out_dir, "data", "icons", "kelokelo.png")
    write_png(path, render(icon))
    print("wrote", path)

    # The Windows program's icon, at the sizes Explorer and the task bar ask for, each drawn at
    # its size, PNG-compressed as every Windows since Vista reads them.
    images = []
    for size in ICO_SIZES:
        factor = size / SIZE
        scaled = [(name, cx * factor, cy * factor, radius * factor) for name, cx, cy, radius in icon]
        images.append(image(render(scaled, size), size))
    path = os.path.join(args.out_dir, "data", "icons", "kelokelo.ico")
    images[-1].save(path, sizes=[(size, size) for size in ICO_SIZES], append_images=images[:-1])
    print("wrote", path)


if __name__ == "__main__":
    main()
