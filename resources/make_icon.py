#!/usr/bin/env python3
"""Draw the Varnel program icon and write it as PNG and ICO.

The picture (48 x 48 pixels) shows a studio microphone on its stand next to
a green audio waveform, on a light rounded tile: "sound input".

Only the Python standard library is used.  Shapes are described as signed
distance functions and rendered with 4 x 4 supersampling; the result is
reduced to a palette of at most 256 colours with a deterministic median cut.

Outputs, written next to this script:
  varnel.png  48 x 48, 8-bit palettised PNG with transparency (tRNS)
  varnel.ico  one 48 x 48 image, 8-bit (256-colour) BMP with AND mask

Running the script twice produces byte-identical files.
"""

import math
import os
import struct
import zlib

SIZE = 48
SUPERSAMPLE = 4

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


def scene(px, py):
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
        if sd_segment(px, py, 12.9, 9.0, 12.9, 24.5, 0.7) <= 0.0:
            colour = lerp(colour, MIC_SHINE, 0.85)

    # --- waveform -----------------------------------------------------------
    for (bx, hh) in WAVE_BARS:
        if sd_segment(px, py, bx, WAVE_CY - hh, bx, WAVE_CY + hh,
                      WAVE_HALF_WIDTH) <= 0.0:
            v = min(abs(py - WAVE_CY) / 14.0, 1.0)
            colour = lerp(WAVE_LIGHT, WAVE_DARK, v)

    return (colour[0], colour[1], colour[2], 1.0)


def render():
    """Render the scene to a list of (r, g, b, a) 0..255 integer tuples."""
    n = SUPERSAMPLE
    pixels = []
    for y in range(SIZE):
        for x in range(SIZE):
            acc_r = acc_g = acc_b = acc_a = 0.0
            for sy in range(n):
                for sx in range(n):
                    px = x + (sx + 0.5) / n
                    py = y + (sy + 0.5) / n
                    r, g, b, a = scene(px, py)
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
# PNG writer (palettised, with tRNS)
# ---------------------------------------------------------------------------

def png_chunk(kind, data):
    body = kind + data
    return (struct.pack(">I", len(data)) + body
            + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))


def write_png(path, pixels):
    # Fully transparent pixels all become one entry; keep the rest as RGBA.
    counts = {}
    for p in pixels:
        key = (0, 0, 0, 0) if p[3] == 0 else p
        counts[key] = counts.get(key, 0) + 1
    has_clear = (0, 0, 0, 0) in counts
    counts.pop((0, 0, 0, 0), None)
    palette = median_cut(counts, 255 if has_clear else 256)
    if has_clear:
        palette = [(0, 0, 0, 0)] + palette
    # Order entries so that those with alpha < 255 come first (short tRNS).
    palette.sort(key=lambda c: (c[3] == 255, c))
    cache = {(0, 0, 0, 0): palette.index((0, 0, 0, 0))} if has_clear else {}
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # filter: none
        for x in range(SIZE):
            p = pixels[y * SIZE + x]
            if p[3] == 0:
                p = (0, 0, 0, 0)
            rows.append(nearest(palette, p, cache))
    plte = b"".join(struct.pack("BBB", *c[:3]) for c in palette)
    alphas = [c[3] for c in palette]
    while alphas and alphas[-1] == 255:
        alphas.pop()
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 3,
                                           0, 0, 0))
    data += png_chunk(b"PLTE", plte)
    if alphas:
        data += png_chunk(b"tRNS", bytes(alphas))
    data += png_chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)
    return len(palette)


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
    pixels = render()
    png_path = os.path.join(HERE, "varnel.png")
    ico_path = os.path.join(HERE, "varnel.ico")
    n_png = write_png(png_path, pixels)
    n_ico = write_ico(ico_path, pixels)
    print("wrote %s (%d palette entries)" % (png_path, n_png))
    print("wrote %s (%d palette entries)" % (ico_path, n_ico))


if __name__ == "__main__":
    main()
