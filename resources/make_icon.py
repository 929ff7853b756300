#!/usr/bin/env python3
"""Draw the Varnel program icon and write it as ICO, PNGs and SVG.

The picture (designed on a 48 x 48 grid) shows a studio microphone on its
stand next to a green audio waveform, on a light rounded tile: "sound input".

Only the Python standard library is used.  Shapes are described as signed
distance functions and rendered with supersampling (at least 4 x 4 samples a
pixel, more for the small sizes so that thin parts still average right).  The
SVG draws the same shapes from the same constants as vector paths.

Outputs, written next to this script (or under the directory given as the
only argument, which the tests use to compare against the committed files):
  varnel.ico  one 48 x 48 image, 8-bit (256-colour) BMP with AND mask, reduced
              with a deterministic median cut; varnel.rc names it
  icons/hicolor/NxN/apps/varnel.png      N in PNG_SIZES, 32-bit RGBA PNG
  icons/hicolor/scalable/apps/varnel.svg the desktops' scalable icon

Running the script twice produces byte-identical files.
"""

import math
import os
import struct
import sys
import zlib

SIZE = 48  # the design grid, and the size of the ICO image
SUPERSAMPLE = 4
PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)  # the hicolor theme's usual sizes

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------------------
# Geometry: signed distance functions (negative inside, in pixels)
# ---------------------------------------------------------------------------

def sd_round_rect(px, py, x0, y0, x1, y1, r):
    cx = (x0 + x1) * 0.5
    cy = (y0 + y1) * 0.5
    hx = (x1 - x0) * 0.5 - r
    hy = (y1 - y0) * 0.5 - r
    qx = abs(px - cx) - hx
    qy = abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def sd_segment(px, py, ax, ay, bx, by, half_width):
    """Distance to a line segment with round caps."""
    dx = bx - ax
    dy = by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0 else ((px - ax) * dx + (py - ay) * dy) / l2
    t = min(max(t, 0.0), 1.0)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy)) - half_width


def sd_lower_arc(px, py, cx, cy, radius, half_width):
    """Lower half of a circle outline (a U shape) with round ends."""
    if py >= cy:
        return abs(math.hypot(px - cx, py - cy) - radius) - half_width
    # Above the centre line: distance to the two end points of the arc.
    d1 = math.hypot(px - (cx - radius), py - cy)
    d2 = math.hypot(px - (cx + radius), py - cy)
    return min(d1, d2) - half_width


# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

def hex_rgb(text):
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


TILE_TOP = hex_rgb("f7f9fc")
TILE_BOTTOM = hex_rgb("dce4ee")
TILE_EDGE = hex_rgb("8a9ab0")

MIC_DARK = hex_rgb("2e3846")
MIC_LIGHT = hex_rgb("5d6b7f")
MIC_SHINE = hex_rgb("b8c4d4")
GRILL = hex_rgb("1c232d")
STAND = hex_rgb("3a4452")

WAVE_LIGHT = hex_rgb("4fd36a")
WAVE_DARK = hex_rgb("1e9a3c")
BASELINE = hex_rgb("1e9a3c")


# ---------------------------------------------------------------------------
# Scene
# ---------------------------------------------------------------------------

# Tile
TILE = (2.0, 2.0, 46.0, 46.0, 9.0)

# Microphone (capsule, holder, stem, foot)
MIC_CX = 15.5
CAPSULE = (10.0, 6.0, 21.0, 28.0, 5.5)
HOLDER = (MIC_CX, 22.0, 8.5, 1.2)
STEM = (MIC_CX, 31.5, MIC_CX, 37.5, 1.3)
FOOT = (10.0, 38.5, 21.0, 38.5, 1.5)
GRILL_LINES = (12.5, 15.5, 18.5)
HIGHLIGHT = (12.9, 9.0, 12.9, 24.5, 0.7)
HIGHLIGHT_STRENGTH = 0.85

# Waveform: symmetric vertical bars around a centre line
WAVE_CY = 22.5
WAVE_BARS = [
    # (x, half height)
    (27.0, 2.5),
    (30.0, 6.5),
    (33.0, 12.0),
    (36.0, 8.0),
    (39.0, 14.0),
    (42.0, 5.0),
]
WAVE_HALF_WIDTH = 1.05
WAVE_REACH = 14.0  # the bars are darkest this far from the centre line
# Below 48 pixels six bars three units apart merge into one green blur; the
# small icons draw three wider bars, on whole pixels at 16 and 32.
SMALL_WAVE_BARS = [(28.5, 7.5), (34.5, 13.5), (40.5, 4.5)]
SMALL_WAVE_HALF_WIDTH = 1.5


def scene(px, py, bars=WAVE_BARS, bar_half_width=WAVE_HALF_WIDTH):
    """Return (r, g, b, a) with components in 0..1 scale (rgb 0..255)."""
    # --- tile -------------------------------------------------------------
    d_tile = sd_round_rect(px, py, *TILE)
    if d_tile > 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    t = (py - TILE[1]) / (TILE[3] - TILE[1])
    colour = lerp(TILE_TOP, TILE_BOTTOM, t)
    # one-pixel border just inside the tile outline
    if d_tile > -1.0:
        colour = TILE_EDGE

    # --- microphone stand -----------------------------------------------
    if (sd_lower_arc(px, py, *HOLDER) <= 0.0
            or sd_segment(px, py, *STEM) <= 0.0
            or sd_segment(px, py, *FOOT) <= 0.0):
        colour = STAND

    # --- microphone capsule ---------------------------------------------
    d_cap = sd_round_rect(px, py, *CAPSULE)
    if d_cap <= 0.0:
        # horizontal shading: lighter on the left, darker on the right
        u = (px - CAPSULE[0]) / (CAPSULE[2] - CAPSULE[0])
        shade = 1.0 - abs(u - 0.38) * 1.9
        shade = min(max(shade, 0.0), 1.0)
        colour = lerp(MIC_DARK, MIC_LIGHT, shade)
        # grill slots on the upper part
        for gy in GRILL_LINES:
            if (sd_segment(px, py, CAPSULE[0] + 2.6, gy, CAPSULE[2] - 2.6,
                           gy, 0.5) <= 0.0):
                colour = GRILL
        # glossy highlight stripe
        if sd_segment(px, py, *HIGHLIGHT) <= 0.0:
            colour = lerp(colour, MIC_SHINE, HIGHLIGHT_STRENGTH)

    # --- waveform -----------------------------------------------------------
    for (bx, hh) in bars:
        if sd_segment(px, py, bx, WAVE_CY - hh, bx, WAVE_CY + hh,
                      bar_half_width) <= 0.0:
            v = min(abs(py - WAVE_CY) / WAVE_REACH, 1.0)
            colour = lerp(WAVE_LIGHT, WAVE_DARK, v)

    return (colour[0], colour[1], colour[2], 1.0)


def render(size=SIZE):
    """Render the scene at size x size pixels to a list of (r, g, b, a)
    0..255 integer tuples."""
    scale = SIZE / size
    # Keep at least 4 x 4 samples a pixel of the design grid, so that a
    # 16-pixel icon averages its one-unit lines as finely as the 48 one.
    n = max(SUPERSAMPLE, math.ceil(SUPERSAMPLE * scale))
    if size < SIZE:
        wave = (SMALL_WAVE_BARS, SMALL_WAVE_HALF_WIDTH)
    else:
        wave = (WAVE_BARS, WAVE_HALF_WIDTH)
    pixels = []
    for y in range(size):
        for x in range(size):
            acc_r = acc_g = acc_b = acc_a = 0.0
            for sy in range(n):
                for sx in range(n):
                    px = (x + (sx + 0.5) / n) * scale
                    py = (y + (sy + 0.5) / n) * scale
                    r, g, b, a = scene(px, py, *wave)
                    acc_r += r * a
                    acc_g += g * a
                    acc_b += b * a
                    acc_a += a
            samples = n * n
            if acc_a <= 0.0:
                pixels.append((0, 0, 0, 0))
                continue
            # un-premultiply
            r = int(round(acc_r / acc_a))
            g = int(round(acc_g / acc_a))
            b = int(round(acc_b / acc_a))
            a = int(round(255.0 * acc_a / samples))
            pixels.append((r, g, b, a))
    return pixels


# ---------------------------------------------------------------------------
# Palette reduction (deterministic median cut)
# ---------------------------------------------------------------------------

def median_cut(colours, max_colours):
    """colours: dict colour-tuple -> count.  Returns a sorted palette."""
    if len(colours) <= max_colours:
        return sorted(colours)
    boxes = [sorted(colours.items())]
    while len(boxes) < max_colours:
        # split the box with the widest channel range (ties: lowest index)
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            dims = len(box[0][0])
            for ch in range(dims):
                lo = min(c[0][ch] for c in box)
                hi = max(c[0][ch] for c in box)
                key = (hi - lo, -i, -ch)
                if best is None or key > best[0]:
                    best = (key, i, ch)
        if best is None:
            break
        _, i, ch = best
        box = sorted(boxes[i], key=lambda item: (item[0][ch], item[0]))
        total = sum(c for _, c in box)
        half = total / 2.0
        run = 0
        cut = 1
        for k, (_, c) in enumerate(box):
            run += c
            if run >= half:
                cut = min(max(k + 1, 1), len(box) - 1)
                break
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(c for _, c in box)
        dims = len(box[0][0])
        palette.append(tuple(
            int(round(sum(col[ch] * c for col, c in box) / total))
            for ch in range(dims)))
    return sorted(set(palette))


def nearest(palette, colour, cache):
    hit = cache.get(colour)
    if hit is not None:
        return hit
    best_i = 0
    best_d = None
    for i, p in enumerate(palette):
        d = sum((p[k] - colour[k]) ** 2 for k in range(len(colour)))
        if best_d is None or d < best_d:
            best_i, best_d = i, d
    cache[colour] = best_i
    return best_i


# ---------------------------------------------------------------------------
# PNG writer (32-bit RGBA)
# ---------------------------------------------------------------------------

def png_chunk(kind, data):
    body = kind + data
    return (struct.pack(">I", len(data)) + body
            + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))


def write_png(path, size, pixels):
    rows = bytearray()
    for y in range(size):
        rows.append(0)  # filter: none
        for p in pixels[y * size:(y + 1) * size]:
            rows.extend(p if p[3] else (0, 0, 0, 0))
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6,
                                           0, 0, 0))
    data += png_chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# SVG writer: the scene above as vector shapes, from the same constants
# ---------------------------------------------------------------------------

def num(v):
    return ("%.4f" % v).rstrip("0").rstrip(".")


def hex_colour(c):
    return "#%02x%02x%02x" % tuple(int(round(v)) for v in c)


def svg_rect(x0, y0, x1, y1, r, attrs):
    return ('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" %s/>'
            % (num(x0), num(y0), num(x1 - x0), num(y1 - y0), num(r), attrs))


def svg_line(ax, ay, bx, by, half_width, paint):
    return ('<path d="M%s %sL%s %s" stroke="%s" stroke-width="%s" '
            'stroke-linecap="round"/>'
            % (num(ax), num(ay), num(bx), num(by), paint,
               num(2 * half_width)))


def svg_stops(stops):
    return "".join('<stop offset="%s" stop-color="%s"/>'
                   % (num(offset), hex_colour(c)) for offset, c in stops)


def capsule_stops():
    # The capsule's shade is 1 - |u - 0.38| * 1.9, clamped: linear pieces
    # meeting at u = 0.38 (lightest) and at the u where it reaches 0.
    peak, slope = 0.38, 1.9
    dark_from = peak + 1.0 / slope
    left = 1.0 - peak * slope
    return [(0.0, lerp(MIC_DARK, MIC_LIGHT, left)), (peak, MIC_LIGHT),
            (dark_from, MIC_DARK), (1.0, MIC_DARK)]


def svg_document():
    x0, y0, x1, y1, r = TILE
    cx0, cy0, cx1, cy1, cr = CAPSULE
    hx, hy, hr, hw = HOLDER
    defs = (
        '<linearGradient id="tile" gradientUnits="userSpaceOnUse" '
        'x1="0" y1="%s" x2="0" y2="%s">%s</linearGradient>'
        % (num(y0), num(y1), svg_stops([(0, TILE_TOP), (1, TILE_BOTTOM)]))
        + '<linearGradient id="capsule" gradientUnits="userSpaceOnUse" '
        'x1="%s" y1="0" x2="%s" y2="0">%s</linearGradient>'
        % (num(cx0), num(cx1), svg_stops(capsule_stops()))
        + '<linearGradient id="wave" gradientUnits="userSpaceOnUse" '
        'x1="0" y1="%s" x2="0" y2="%s">%s</linearGradient>'
        % (num(WAVE_CY - WAVE_REACH), num(WAVE_CY + WAVE_REACH),
           svg_stops([(0, WAVE_DARK), (0.5, WAVE_LIGHT), (1, WAVE_DARK)])))
    stand = hex_colour(STAND)
    shapes = [
        svg_rect(x0, y0, x1, y1, r, 'fill="url(#tile)"'),
        # the one-pixel border just inside the outline
        svg_rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, r - 0.5,
                 'fill="none" stroke="%s"' % hex_colour(TILE_EDGE)),
        '<path d="M%s %sA%s %s 0 0 0 %s %s" fill="none" stroke="%s" '
        'stroke-width="%s" stroke-linecap="round"/>'
        % (num(hx - hr), num(hy), num(hr), num(hr), num(hx + hr), num(hy),
           stand, num(2 * hw)),
        svg_line(*STEM, stand),
        svg_line(*FOOT, stand),
        svg_rect(cx0, cy0, cx1, cy1, cr, 'fill="url(#capsule)"'),
    ]
    for gy in GRILL_LINES:
        shapes.append(svg_line(cx0 + 2.6, gy, cx1 - 2.6, gy, 0.5,
                               hex_colour(GRILL)))
    shapes.append(svg_line(*HIGHLIGHT, hex_colour(MIC_SHINE))
                  .replace("/>", ' stroke-opacity="%s"/>'
                           % num(HIGHLIGHT_STRENGTH)))
    for (bx, hh) in WAVE_BARS:
        shapes.append(svg_line(bx, WAVE_CY - hh, bx, WAVE_CY + hh,
                               WAVE_HALF_WIDTH, "url(#wave)"))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n<defs>%s</defs>\n%s\n</svg>\n'
            % (SIZE, SIZE, SIZE, SIZE, defs, "\n".join(shapes)))


def write_svg(path):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(svg_document())


# ---------------------------------------------------------------------------
# ICO writer (one 48 x 48, 8-bit palettised BMP with AND mask)
# ---------------------------------------------------------------------------

def write_ico(path, pixels):
    # The ICO has binary transparency: pixels at least half covered are
    # opaque and keep their colour; the rest are masked out.
    opaque = [p[3] >= 128 for p in pixels]
    counts = {}
    for p, o in zip(pixels, opaque):
        if o:
            counts[p[:3]] = counts.get(p[:3], 0) + 1
    # Index 0 is black, used under the mask for transparent pixels.
    palette = [(0, 0, 0)] + [c for c in median_cut(counts, 255)
                             if c != (0, 0, 0)]
    cache = {}
    xor_rows = []
    and_rows = []
    mask_stride = ((SIZE + 31) // 32) * 4
    xor_stride = ((SIZE * 8 + 31) // 32) * 4
    for y in range(SIZE - 1, -1, -1):  # BMP rows are stored bottom-up
        row = bytearray(xor_stride)
        mask = bytearray(mask_stride)
        for x in range(SIZE):
            i = y * SIZE + x
            if opaque[i]:
                row[x] = nearest(palette, pixels[i][:3], cache)
            else:
                row[x] = 0
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(bytes(row))
        and_rows.append(bytes(mask))
    xor_data = b"".join(xor_rows)
    and_data = b"".join(and_rows)
    colour_table = b"".join(struct.pack("BBBB", b, g, r, 0)
                            for (r, g, b) in palette)
    colour_table += b"\0" * (4 * (256 - len(palette)))
    header = struct.pack("<IiiHHIIiiII",
                         40,            # header size
                         SIZE,          # width
                         SIZE * 2,      # height (XOR + AND)
                         1,             # planes
                         8,             # bits per pixel
                         0,             # BI_RGB
                         len(xor_data) + len(and_data),
                         0, 0,          # resolution
                         256,           # colours used
                         0)             # colours important
    image = header + colour_table + xor_data + and_data
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII",
                        SIZE, SIZE,
                        0,              # colour count: 0 means 256
                        0,              # reserved
                        1,              # planes
                        8,              # bits per pixel
                        len(image),
                        6 + 16)         # offset of the image data
    with open(path, "wb") as f:
        f.write(icondir + entry + image)
    return len(palette)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    written = []
    for size in PNG_SIZES:
        pixels = render(size)
        folder = os.path.join(out, "icons", "hicolor", "%dx%d" % (size, size),
                              "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "varnel.png"), size, pixels)
        written.append(os.path.join(folder, "varnel.png"))
        if size == SIZE:
            write_ico(os.path.join(out, "varnel.ico"), pixels)
            written.append(os.path.join(out, "varnel.ico"))
    folder = os.path.join(out, "icons", "hicolor", "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    write_svg(os.path.join(folder, "varnel.svg"))
    written.append(os.path.join(folder, "varnel.svg"))
    for path in written:
        print("wrote %s" % path)


if __name__ == "__main__":
    main()
