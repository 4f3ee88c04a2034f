#!/usr/bin/python3
"""Draws QUOR's twelve editor images with Cairo.

    python3 tools/make-artwork/make_artwork.py resources/img
    python3 tools/make-artwork/make_artwork.py resources/img --preview /tmp/editor.png

The images are vector drawings (gradients, arcs, text in League Spartan); the same
fonts and Cairo give the same PNGs on every run. Knob legends are computed from the
band filters' own coefficient formulas, so they show what the sound does.
"""

import argparse
import math
import os
import subprocess
import sys

try:
    import cairo
except ImportError:
    # python3-cairo belongs to the system interpreter; a version manager's python3
    # earlier on PATH does not see it.
    system_python = "/usr/bin/python3"
    if os.path.exists(system_python) and os.path.realpath(sys.executable) != os.path.realpath(system_python):
        os.execv(system_python, [system_python] + sys.argv)
    sys.exit("make_artwork: needs python3-cairo (apt-get install python3-cairo)")

# ---------------------------------------------------------------------------
# Layout of the editor: the positions where the plug-in draws each image.

EDITOR_W, EDITOR_H = 1215, 692
STRIP_W = 135
TRACKS = 8
MASTER_X = TRACKS * STRIP_W  # 1080
NAME_TOP, NAME_BOTTOM = 642, 672

# name: (width, height of one frame, frames)
IMAGES = {
    "BG": (1215, 692, 1),
    "BY": (79, 40, 2),
    "HG": (71, 71, 61),
    "MG": (71, 71, 61),
    "LG": (71, 71, 61),
    "IN": (103, 103, 61),
    "OUT": (99, 99, 61),
    "MODE": (50, 26, 2),
    "MUTE": (69, 26, 2),
    "VU": (125, 70, 121),
    "MOUT": (125, 125, 61),
    "GBY": (50, 26, 2),
    "OVER": (21, 10, 2),
}

# Top-left corners inside track strip 1; each further strip is STRIP_W to the right.
STRIP_CONTROLS = {
    "HG": (32, 219),
    "MG": (32, 302),
    "LG": (32, 390),
    "IN": (16, 479),
    "OUT": (18, 107),
    "BY": (28, 594),
    "MUTE": (33, 662),
}
TRACK_METER = (5, 4)
MASTER_CONTROLS = {"MODE": (515, 662), "MOUT": (1085, 277), "GBY": (1134, 662)}
MASTER_METERS = ((1085, 4), (1085, 79))
# Each meter's over lamp, from the meter's corner: in the face's top right corner,
# clear of the scale and of the needle's sweep.
OVER_LAMP = (96, 7)
# The plug-in draws "L" and "R" over the master meters in these rectangles, left of
# their over lamps; each meter's top left corner holds its peak reading.
METER_LABELS = (("L", (1163, 8, 1181, 28)), ("R", (1163, 83, 1181, 103)))

FONT = "League Spartan"

# ---------------------------------------------------------------------------
# What the knobs do to the sound.

KNOB_MIN_DEG, KNOB_MAX_DEG = -135.0, 135.0  # 0 points up, clockwise positive


def knob_angle(value):
    return math.radians(KNOB_MIN_DEG + (KNOB_MAX_DEG - KNOB_MIN_DEG) * value)


def _high_shelf(F, g):
    G2, G1, G0 = F * F * g * g, F * F * g, F * F
    b0 = 6.81147611116674e-10 * G2 - 9.90879243374448e-10 * G1 - 5.68570106117114e-11 * G0 - 2.42315123226797e-06 * F - 0.00351832443758613
    b1 = -1.36229522223335e-09 * G2 + 1.9817584867489e-09 * G1 + 1.13714021223423e-10 * G0 - 0.00703664887517225
    b2 = 6.81147611116674e-10 * G2 - 9.90879243374448e-10 * G1 - 5.68570106117114e-11 * G0 + 2.42315123226797e-06 * F - 0.00351832443758613
    a0 = -6.81161234068896e-10 * G2 + 3.71429601811122e-10 * G1 + 3.66592877326021e-10 * G0 + 2.42319969529262e-06 * F + 0.00351839480407488
    a1 = 1.36232246813779e-09 * G2 - 7.42859203622244e-10 * G1 - 7.33185754652041e-10 * G0 + 0.00703678960814975
    a2 = -6.81161234068896e-10 * G2 + 3.71429601811122e-10 * G1 + 3.66592877326021e-10 * G0 - 2.42319969529262e-06 * F + 0.00351839480407488
    return b0, b1, b2, a0, a1, a2


def _mid_bell(F, g):
    b0 = -3.09641869633349e-10 * F * F + 3.44046521814832e-06 * F * g * g + 4.54141408795579e-06 * F * g - 8.93802946586081e-06 * F - 0.00781923913215528
    b1 = 6.19283739266698e-10 * F * F - 0.0156384782643106
    b2 = -3.09641869633349e-10 * F * F - 3.44046521814832e-06 * F * g * g - 4.54141408795579e-06 * F * g + 8.93802946586081e-06 * F - 0.00781923913215528
    a0 = 3.09648062470742e-10 * F * F - 3.44053402745269e-06 * F * g * g + 1.14224133335568e-05 * F * g + 9.56249101552956e-07 * F + 0.00781939551693793
    a1 = -6.19296124941484e-10 * F * F + 0.0156387910338759
    a2 = 3.09648062470742e-10 * F * F + 3.44053402745269e-06 * F * g * g - 1.14224133335568e-05 * F * g - 9.56249101552956e-07 * F + 0.00781939551693793
    return b0, b1, b2, a0, a1, a2


def _low_shelf(F, g):
    FF, gg = F * F, g * g
    b0 = 1.51266630140008e-09 * FF * gg - 1.51266630140008e-09 * FF * g + 2.59551527350734e-06 * F * gg - 2.59551527350734e-06 * F * g - 1.95160659076062e-06 * F - 0.00610985940345774 * g - 0.000805981453222081
    b1 = -3.02533260280015e-09 * FF * gg + 3.02533260280015e-09 * FF * g - 0.0122197188069155 * g - 0.00161196290644416
    b2 = 1.51266630140008e-09 * FF * gg - 1.51266630140008e-09 * FF * g - 2.59551527350734e-06 * F * gg + 2.59551527350734e-06 * F * g + 1.95160659076062e-06 * F - 0.00610985940345774 * g - 0.000805981453222081
    a0 = -1.5126965547261e-09 * FF * gg + 1.5126965547261e-09 * FF * g - 2.59556718381281e-06 * F * gg + 2.59556718381281e-06 * F * g + 1.95164562289243e-06 * F - 1.41877908666465e-22 * gg - 0.00610985940345774 * g + 0.00691591807490292
    a1 = 3.02539310945221e-09 * FF * gg - 3.02539310945221e-09 * FF * g - 2.83755817332929e-22 * gg - 0.0122197188069155 * g + 0.0138318361498058
    a2 = -1.5126965547261e-09 * FF * gg + 1.5126965547261e-09 * FF * g + 2.59556718381281e-06 * F * gg - 2.59556718381281e-06 * F * g - 1.95164562289243e-06 * F - 1.41877908666465e-22 * gg - 0.00610985940345774 * g + 0.00691591807490292
    return b0, b1, b2, a0, a1, a2


def _gain_db(coeffs, freq, rate):
    b0, b1, b2, a0, a1, a2 = coeffs
    w = 2.0 * math.pi * freq / rate
    z1 = complex(math.cos(w), -math.sin(w))
    z2 = z1 * z1
    return 20.0 * math.log10(abs((b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2)))


# The shelves' extreme gains sit at the Nyquist frequency (high) and at 0 Hz (low),
# the bell's near 1.6 kHz; all three are the same at every sample rate, 48 kHz serves.
RATE = 48000.0


def high_gain_db(value):
    return _gain_db(_high_shelf(RATE, value), RATE / 2, RATE)


def low_gain_db(value):
    return _gain_db(_low_shelf(RATE, value), 0.0, RATE)


def mid_gain_db(value):
    # The chain hands the bell 1 - value, so a rising knob lifts the bell.
    coeffs = _mid_bell(RATE, 1.0 - value)
    best = 0.0
    for i in range(241):  # 800 Hz .. 3.2 kHz, the bell's extreme lies near 1.59 kHz
        d = _gain_db(coeffs, 800.0 * 4.0 ** (i / 240.0), RATE)
        if abs(d) > abs(best):
            best = d
    return best


def linear_db(value):
    return -24.0 + 48.0 * value


def value_for_db(gain_db, db):
    """The knob value at which gain_db (rising with the value) reaches db."""
    lo, hi = 0.0, 1.0
    for _ in range(48):
        mid = 0.5 * (lo + hi)
        if gain_db(mid) < db:
            lo = mid
        else:
            hi = mid
    return 0.5 * (lo + hi)


def fmt_db(db, decimals=0):
    if abs(db) < 0.05:
        return "0"
    text = "%.*f" % (decimals, abs(db))
    return ("+" if db > 0 else "\u2212") + text


class KnobScale:
    """Tick marks and numbers of one knob kind, as knob values with their texts."""

    def __init__(self, gain_db, minor, numbered, end_decimals):
        self.gain_db = gain_db
        self.low = gain_db(0.0)
        self.high = gain_db(1.0)
        marks = sorted({0.0} | {s * d for d in minor + numbered for s in (-1, 1)})
        self.ticks = []  # (value, major)
        for d in marks:
            if self.low < d < self.high:
                self.ticks.append((value_for_db(gain_db, d), d in numbered or -d in numbered or d == 0.0))
        self.ticks += [(0.0, True), (1.0, True)]
        self.numbers = [(value_for_db(gain_db, 0.0), "0")]
        for d in numbered:
            if d < self.high - 0.5:
                self.numbers.append((value_for_db(gain_db, d), fmt_db(d)))
                self.numbers.append((value_for_db(gain_db, -d), fmt_db(-d)))
        self.numbers.append((0.0, fmt_db(self.low, end_decimals)))
        self.numbers.append((1.0, fmt_db(self.high, end_decimals)))


# ---------------------------------------------------------------------------
# Colours and small drawing helpers.

def rgb(hexstr, a=1.0):
    h = hexstr.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, a)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


PANEL = rgb("#2b2e33")
PANEL_DARK = rgb("#1b1d20")
LEGEND = rgb("#e6e2d8")
NUMBERS = rgb("#aeaba4")
TICKS = rgb("#8d8b86")
HIGH_C = rgb("#5fb0ec")
MID_C = rgb("#72cc7c")
LOW_C = rgb("#ee7f56")
DRIVE_C = rgb("#f2b441")
LEVEL_C = rgb("#ece8df")
MUTE_C = rgb("#ec3b2f")
AMBER_C = rgb("#f5a623")
MODE_C = rgb("#42c2ee")
SCRIBBLE = rgb("#ebe5d3")


# Weights by the family names fontconfig knows them by; Regular and Bold are styles of
# the plain family.
WEIGHTS = {
    "Regular": (FONT, cairo.FONT_WEIGHT_NORMAL, FONT + ":regular"),
    "Medium": (FONT + " Medium", cairo.FONT_WEIGHT_NORMAL, FONT + " Medium"),
    "SemiBold": (FONT + " SemiBold", cairo.FONT_WEIGHT_NORMAL, FONT + " SemiBold"),
    "Bold": (FONT, cairo.FONT_WEIGHT_BOLD, FONT + ":bold"),
}


def set_font(ctx, size, weight="SemiBold"):
    family, cairo_weight, _ = WEIGHTS[weight]
    ctx.select_font_face(family, cairo.FONT_SLANT_NORMAL, cairo_weight)
    ctx.set_font_size(size)
    opts = cairo.FontOptions()
    opts.set_antialias(cairo.ANTIALIAS_GRAY)
    # Unhinted outlines at their exact advances: hinted glyphs on whole-pixel advances
    # space small capitals unevenly.
    opts.set_hint_style(cairo.HINT_STYLE_NONE)
    opts.set_hint_metrics(cairo.HINT_METRICS_OFF)
    ctx.set_font_options(opts)


CAP_HEIGHT = 1320.0 / 2000.0  # of the em, League Spartan's capitals and figures


def text(ctx, s, x, y, size, colour, weight="SemiBold", align="c", tracking=0):
    """Draws s with its capitals vertically centred on y."""
    set_font(ctx, size, weight)
    widths = [ctx.text_extents(ch).x_advance for ch in s]
    total = sum(widths) + tracking * (len(s) - 1)
    if align == "c":
        x0 = x - total / 2.0
    elif align == "r":
        x0 = x - total
    else:
        x0 = x
    ctx.set_source_rgba(*colour)
    # A whole-pixel baseline keeps the capitals' feet sharp.
    base = round(y + CAP_HEIGHT * size / 2.0)
    for ch, w in zip(s, widths):
        ctx.move_to(x0, base)
        ctx.text_path(ch)
        x0 += w + tracking
    ctx.fill()
    ctx.new_path()


def round_rect(ctx, x, y, w, h, r):
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def vgrad(y0, y1, *stops):
    g = cairo.LinearGradient(0, y0, 0, y1)
    for off, c in stops:
        g.add_color_stop_rgba(off, *c)
    return g


def polar(cx, cy, r, a):
    return cx + r * math.sin(a), cy - r * math.cos(a)


def arc_cw(ctx, cx, cy, r, a0, a1):
    """Arc from knob angle a0 to a1 (0 up, clockwise)."""
    if a1 < a0:
        a0, a1 = a1, a0
    ctx.arc(cx, cy, r, a0 - math.pi / 2, a1 - math.pi / 2)


# ---------------------------------------------------------------------------
# Knobs.

class KnobStyle:
    def __init__(self, size, body, colour, scale, label):
        self.size = size
        self.body = body  # radius of the knob body
        self.colour = colour
        self.scale = scale
        self.label = label
        self.ring = body + max(3.5, body * 0.17)  # value ring
        self.ring_w = max(2.2, body * 0.11)
        self.tick_in = self.ring + max(3.0, body * 0.12)
        self.tick_out = self.tick_in + max(3.5, body * 0.13)
        self.number_r = self.tick_out + max(6.0, body * 0.25)
        self.number_size = 8.0 if size < 80 else (8.5 if size < 120 else 9.0)
        self.label_size = 9.5 if size < 80 else (10.0 if size < 120 else 11.0)


def draw_knob_well(ctx, st, cx, cy):
    """What does not move: the ring's dim track, its centre notch and the knob's
    shadow, printed on the background under the knob image."""
    ring_w = st.ring_w
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)
    ctx.set_line_width(ring_w + 1.6)
    arc_cw(ctx, cx, cy, st.ring, knob_angle(0.0), knob_angle(1.0))
    ctx.set_source_rgba(0, 0, 0, 0.55)
    ctx.stroke()
    ctx.set_line_width(ring_w)
    arc_cw(ctx, cx, cy, st.ring, knob_angle(0.0), knob_angle(1.0))
    ctx.set_source_rgba(*mix(st.colour, (0.09, 0.09, 0.1, 1.0), 0.78))
    ctx.stroke()
    ctx.set_line_width(1.2)
    x0, y0 = polar(cx, cy, st.ring - ring_w / 2 - 0.3, 0.0)
    x1, y1 = polar(cx, cy, st.ring + ring_w / 2 + 0.3, 0.0)
    ctx.move_to(x0, y0)
    ctx.line_to(x1, y1)
    ctx.set_source_rgba(0, 0, 0, 0.8)
    ctx.stroke()
    # Soft shadow, light from above.
    R = st.body
    sh = cairo.RadialGradient(cx, cy + R * 0.14, R * 0.8, cx, cy + R * 0.14, R * 1.22)
    sh.add_color_stop_rgba(0.0, 0, 0, 0, 0.6)
    sh.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
    ctx.arc(cx, cy + R * 0.14, R * 1.22, 0, 2 * math.pi)
    ctx.set_source(sh)
    ctx.fill()


def shaded_disc(ctx, c, r, fill, rim):
    """A disc at (c, c) filled top to bottom through the fill stops, with a
    one-pixel rim just inside its edge through the rim stops."""
    ctx.arc(c, c, r, 0, 2 * math.pi)
    ctx.set_source(vgrad(c - r, c + r, *fill))
    ctx.fill()
    ctx.arc(c, c, r - 0.5, 0, 2 * math.pi)
    ctx.set_line_width(1.0)
    ctx.set_source(vgrad(c - r, c + r, *rim))
    ctx.stroke()


def draw_knob(ctx, st, value):
    c = st.size / 2.0
    R = st.body
    a = knob_angle(value)

    # The lit part of the value ring, from flat to here.
    if abs(value - 0.5) > 1e-9:
        ctx.set_line_cap(cairo.LINE_CAP_BUTT)
        ctx.set_line_width(st.ring_w + 2.2)
        arc_cw(ctx, c, c, st.ring, 0.0, a)
        ctx.set_source_rgba(st.colour[0], st.colour[1], st.colour[2], 0.25)
        ctx.stroke()
        ctx.set_line_width(st.ring_w)
        arc_cw(ctx, c, c, st.ring, 0.0, a)
        ctx.set_source_rgba(*st.colour)
        ctx.stroke()

    # Skirt.
    shaded_disc(ctx, c, R, ((0.0, rgb("#5a5e66")), (0.5, rgb("#2c2f34")), (1.0, rgb("#141518"))),
                ((0.0, (1, 1, 1, 0.28)), (0.45, (1, 1, 1, 0.0)), (1.0, (0, 0, 0, 0.5))))

    # Cap: satin top lit from above, a thin colour collar around it.
    cap = R * 0.76
    ctx.arc(c, c, cap + max(1.0, R * 0.05), 0, 2 * math.pi)
    ctx.set_source_rgba(*mix(st.colour, (0, 0, 0, 1), 0.25))
    ctx.fill()
    shaded_disc(ctx, c, cap, ((0.0, rgb("#5d626a")), (0.5, rgb("#33363c")), (1.0, rgb("#1e2024"))),
                ((0.0, (1, 1, 1, 0.35)), (0.5, (1, 1, 1, 0.0)), (1.0, (0, 0, 0, 0.35))))

    # Pointer: a bright line from near the centre across the cap to the skirt's edge.
    pw = max(1.8, R * 0.1)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    x0, y0 = polar(c, c, R * 0.3, a)
    x1, y1 = polar(c, c, R * 0.93, a)
    ctx.set_line_width(pw + 1.4)
    ctx.move_to(x0, y0 + 0.6)
    ctx.line_to(x1, y1 + 0.6)
    ctx.set_source_rgba(0, 0, 0, 0.55)
    ctx.stroke()
    ctx.set_line_width(pw)
    ctx.move_to(x0, y0)
    ctx.line_to(x1, y1)
    ctx.set_source_rgba(*rgb("#f6f3ec"))
    ctx.stroke()


def draw_knob_legend(ctx, st, cx, cy):
    """Ticks, numbers and label of a knob, drawn on the background around its centre."""
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    for v, major in st.scale.ticks:
        a = knob_angle(v)
        r1 = st.tick_out if major else st.tick_in + (st.tick_out - st.tick_in) * 0.55
        x0, y0 = polar(cx, cy, st.tick_in, a)
        x1, y1 = polar(cx, cy, r1, a)
        ctx.set_line_width(1.3 if major else 1.0)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_source_rgba(*(LEGEND if major else TICKS))
        ctx.stroke()
    for v, s in st.scale.numbers:
        a = knob_angle(v)
        x, y = polar(cx, cy, st.number_r, a)
        # Numbers on the sides lean away from the ring so they never touch the ticks.
        set_font(ctx, st.number_size, "Medium")
        w = ctx.text_extents(s).x_advance
        x += math.sin(a) * (w / 2.0 - 2.0) if abs(math.sin(a)) > 0.3 else 0.0
        text(ctx, s, x, y, st.number_size, NUMBERS, "Medium")
    ly = cy + st.number_r * 0.72
    text(ctx, st.label, cx, ly, st.label_size, st.colour if st.colour != LEVEL_C else LEGEND, "Bold", tracking=0.5)


# ---------------------------------------------------------------------------
# Level meter: a needle over a backlit face. Deflection is linear in the meter value,
# frame n of VU (1 .. 121) showing the value (n - 1) / 120. The face and its scale are
# printed on the background under each meter; the meter image holds what moves and
# what lies over it (needle, housing, glass), so its frames stay small.
#
# The meter value is not a level: it is a smoothed magnitude (engine/level_meter.h),
# and a track's meter reads the sum of its two channels. So each printed level sits
# where the needle settles for a steady 1 kHz sine at 48 kHz at that level, worked out
# by running the meter's own recursion. 0 on a master meter is a sine peaking at full
# scale in its channel; 0 on a track meter is that sine in both of the track's channels
# (a centred mono source), which is what the master then shows for it at unity gains.
# A track meter therefore tops out just above -3 dBFS; the over lamp tells the rest.

METER_W, METER_H = 125, 70
FACE = (4.0, 4.0, METER_W - 8.0, METER_H - 8.0)
PIVOT = (62.5, 91.0)
SCALE_R = 60.0
METER_SWEEP = math.radians(44.0)
METER_INK = rgb("#1d1b17")
METER_RED = rgb("#c42a20")
METER_FAINT = rgb("#6f6656")

METER_RATE, METER_TONE = 48000.0, 1000.0
METER_SETTLE_S, METER_AVERAGE_S = 1.5, 0.25


def meter_step(state, x, coefficient):
    """One step of the meter, in the engine's order of operations."""
    a = abs(x)
    rising, falling = 1.0125 * a, 0.9875 * a
    if a > state:
        return coefficient * (state - rising) + rising
    return coefficient * (state - falling) + falling


def meter_settled(inputs_per_sample, level_db):
    """The mean meter value over whole periods once a steady sine of level_db dBFS
    has played for METER_SETTLE_S: the needle ripples by a fraction of a frame at
    twice the tone's frequency, and the editor shows it at any moment of the ripple,
    so the mean is where the eye sees it rest."""
    coefficient = math.exp(-4.60517018599 / (METER_RATE * 0.3))
    amplitude = 10.0 ** (level_db / 20.0)
    w = 2.0 * math.pi * METER_TONE / METER_RATE
    settle = int(METER_RATE * METER_SETTLE_S)
    average = int(METER_RATE * METER_AVERAGE_S)  # whole periods of the tone
    state, total = 0.0, 0.0
    for n in range(settle + average):
        x = amplitude * math.sin(w * n)
        # A track's meter reads left + right, added as the chain adds them.
        state = meter_step(state, x + x if inputs_per_sample == 2 else x, coefficient)
        if n >= settle:
            total += state
    return total / average


def meter_frame(value):
    """The frame (1 .. 121) the editor shows for a meter value."""
    return 1 + min(120, max(0, int(0.5 + value * 120)))


class MeterScale:
    """The printed levels of one kind of meter and the meter value each settles at."""

    def __init__(self, name, channels, marks, labelled, hot_db, reference):
        self.name, self.channels, self.labelled, self.hot_db = name, channels, labelled, hot_db
        self.reference = reference
        self.marks = [(d, meter_settled(channels, d)) for d in marks]
        for d, v in self.marks:
            if v > 1.0:
                sys.exit("make_artwork: %+d dBFS is off the %s meter's scale" % (d, name))

    def value(self, db):
        return dict(self.marks)[db]


def meter_scales():
    # Numbers large enough to read at 75%: every mark keeps its tick, the
    # crowded ones lose their number.
    track = MeterScale("track", 2, (-20, -15, -10, -8, -7, -6, -5, -4, -3),
                       {-20: "20", -10: "10", -7: "7", -5: "5", -3: "3"}, -6,
                       "dBFS \u00b7 SINE IN L AND R")
    master = MeterScale("master", 1, (-20, -10, -7, -5, -4, -3, -2, -1, 0, 1, 2, 3),
                        {-20: "20", -10: "10", -5: "5", -3: "3", 0: "0", 3: "+3"}, 0, "dBFS \u00b7 SINE")
    return track, master


def write_meter_table(scales, path):
    """The scales as the plug-in's tests read them: the same numbers the faces print."""
    lines = ["// Made by tools/make-artwork/make_artwork.py, which prints these marks on the",
             "// meter faces: each level in dBFS of a steady %g Hz sine at %g Hz and the" % (METER_TONE, METER_RATE),
             "// mean meter value the needle settles at for it. Do not edit.",
             "#pragma once", "", "struct MeterMark {", "  double mDb;", "  double mValue;", "};", "",
             "inline constexpr double kMeterToneHz = %g;" % METER_TONE,
             "inline constexpr double kMeterToneRate = %g;" % METER_RATE]
    for scale in scales:
        lines.append("")
        lines.append("// %s; the sine in %s." % (scale.name.capitalize() + " meters",
                                              "both channels of the track" if scale.channels == 2 else "the channel"))
        lines.append("inline constexpr MeterMark k%sMeterMarks[] = {" % scale.name.capitalize())
        for d, v in scale.marks:
            lines.append("    {%g, %.17g}," % (d, v))
        lines.append("};")
    text_out = "\n".join(lines) + "\n"
    try:  # laid out as the project's sources are
        text_out = subprocess.run(["clang-format", "--assume-filename=" + os.path.abspath(path)], input=text_out,
                                  capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        pass
    old = open(path).read() if os.path.exists(path) else None
    if old != text_out:
        with open(path, "w") as f:
            f.write(text_out)


def meter_angle(v):
    return -METER_SWEEP + 2 * METER_SWEEP * v


def face_path(ctx):
    fx, fy, fw, fh = FACE
    round_rect(ctx, fx, fy, fw, fh, 2.5)


def draw_meter_face(ctx, scale):
    """Bezel, face and scale: drawn on the background at the meter's corner."""
    W, H = METER_W, METER_H
    round_rect(ctx, 0.5, 0.5, W - 1, H - 1, 5)
    ctx.set_source(vgrad(0, H, (0.0, rgb("#5a5d63")), (0.07, rgb("#303237")), (1.0, rgb("#141518"))))
    ctx.fill_preserve()
    ctx.set_source_rgba(0, 0, 0, 0.9)
    ctx.set_line_width(1.0)
    ctx.stroke()
    fx, fy, fw, fh = FACE
    face_path(ctx)
    g = cairo.RadialGradient(W / 2, fy + 12, 4, W / 2, fy + 14, W * 0.72)
    g.add_color_stop_rgba(0.0, *rgb("#fcf3da"))
    g.add_color_stop_rgba(0.55, *rgb("#f0e2bb"))
    g.add_color_stop_rgba(1.0, *rgb("#cfbb8b"))
    ctx.set_source(g)
    ctx.fill()

    px, py = PIVOT
    hot = meter_angle(scale.value(scale.hot_db))
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)
    ctx.set_line_width(0.9)
    ctx.set_source_rgba(*METER_INK)
    ctx.arc(px, py, SCALE_R, meter_angle(0) - math.pi / 2, hot - math.pi / 2)
    ctx.stroke()
    ctx.set_source_rgba(*METER_RED)
    ctx.arc(px, py, SCALE_R, hot - math.pi / 2, meter_angle(1) - math.pi / 2)
    ctx.stroke()
    ctx.set_line_width(2.6)
    ctx.arc(px, py, SCALE_R + 1.75, hot - math.pi / 2, meter_angle(1) - math.pi / 2)
    ctx.stroke()

    # dB marks above the arc; below 0 numbered without their minus sign, which
    # stands at the left end.
    for d, v in scale.marks:
        a = meter_angle(v)
        major = d in scale.labelled
        colour = METER_RED if d >= scale.hot_db else METER_INK
        x0, y0 = polar(px, py, SCALE_R, a)
        x1, y1 = polar(px, py, SCALE_R + (5.0 if major else 3.2), a)
        ctx.set_line_width(1.0 if major else 0.8)
        ctx.set_source_rgba(*colour)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()
        if major:
            x, y = polar(px, py, SCALE_R + 11.0, a)
            text(ctx, scale.labelled[d], x, y, 10.0 if d <= 0 else 9.2, colour, "SemiBold")
    x, y = polar(px, py, SCALE_R + 11.0, meter_angle(0.0))
    text(ctx, "\u2212", x - 1.5, y + 8.5, 10.0, METER_INK, "SemiBold")
    # What 0 means, under the arc where the needle only crosses it.
    text(ctx, scale.reference, px, 45.5, 6.5, METER_FAINT, "SemiBold", tracking=0.1)


def draw_meter(ctx, value):
    W, H = METER_W, METER_H
    px, py = PIVOT
    a = meter_angle(value)
    ctx.save()
    face_path(ctx)
    ctx.clip()
    # Needle with its shadow on the face.
    x1, y1 = polar(px, py, SCALE_R + 6.0, a)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_width(1.5)
    ctx.move_to(px + 1.8, py + 1.4)
    ctx.line_to(x1 + 1.8, y1 + 1.4)
    ctx.set_source_rgba(0.3, 0.2, 0.05, 0.2)
    ctx.stroke()
    ctx.set_line_width(1.2)
    ctx.move_to(px, py)
    ctx.line_to(x1, y1)
    ctx.set_source_rgba(*rgb("#141210"))
    ctx.stroke()
    # Housing over the needle's foot.
    ctx.move_to(0, H)
    ctx.line_to(0, 58)
    ctx.line_to(px - 27, 58)
    ctx.curve_to(px - 18, 52.0, px + 18, 52.0, px + 27, 58)
    ctx.line_to(W, 58)
    ctx.line_to(W, H)
    ctx.close_path()
    ctx.set_source(vgrad(52, H, (0.0, rgb("#3b3d42")), (1.0, rgb("#17181b"))))
    ctx.fill_preserve()
    ctx.set_line_width(0.8)
    ctx.set_source_rgba(1, 1, 1, 0.2)
    ctx.stroke()
    # Glass: a faint sheen over the upper face.
    ctx.rectangle(0, 0, W, 40)
    ctx.set_source(vgrad(4, 40, (0.0, (1, 1, 1, 0.14)), (1.0, (1, 1, 1, 0.0))))
    ctx.fill()
    ctx.restore()
    # The bezel's shadow on the face.
    round_rect(ctx, 4.5, 4.5, W - 9.0, H - 9.0, 2.0)
    ctx.set_line_width(1.0)
    ctx.set_source(vgrad(4, H - 4, (0.0, (0, 0, 0, 0.5)), (0.3, (0, 0, 0, 0.12)), (1.0, (0, 0, 0, 0.3))))
    ctx.stroke()


def draw_over_lamp(ctx, on):
    """A small red lens on a dark plate, OVER written on it; lit, it glows."""
    w, h, _ = IMAGES["OVER"]
    round_rect(ctx, 0, 0, w, h, 1.5)
    ctx.set_source_rgba(*rgb("#1b1a18"))
    ctx.fill()
    round_rect(ctx, 1, 1, w - 2, h - 2, 1.2)
    if on:
        g = cairo.RadialGradient(w / 2, h * 0.45, 1, w / 2, h * 0.45, w * 0.6)
        g.add_color_stop_rgba(0.0, *rgb("#ffb4a0"))
        g.add_color_stop_rgba(0.4, *rgb("#f2402c"))
        g.add_color_stop_rgba(1.0, *rgb("#a3160e"))
    else:
        g = vgrad(1, h - 1, (0.0, rgb("#4a1c18")), (1.0, rgb("#2e1210")))
    ctx.set_source(g)
    ctx.fill()
    text(ctx, "OVER", w / 2.0, h / 2.0 + 0.2, 5.2, rgb("#3a0805") if on else rgb("#8a5a52"), "Bold", tracking=0.3)


# ---------------------------------------------------------------------------
# Illuminated push buttons.

def draw_button(ctx, w, h, colour, on, legend, legend_size, caption=None, unlit_ink=None):
    # Bezel.
    round_rect(ctx, 0.5, 0.5, w - 1, h - 1, 4.0)
    ctx.set_source(vgrad(0, h, (0.0, rgb("#4b4e55")), (0.12, rgb("#2a2c31")), (1.0, rgb("#101113"))))
    ctx.fill_preserve()
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(0, 0, 0, 0.95)
    ctx.stroke()
    top = 3.0
    if caption:
        text(ctx, caption, w / 2.0, 6.9, 7.4, rgb("#d4d1c9"), "Bold", tracking=0.8)
        top = 11.5
    lx, ly, lw, lh = 3.0, top, w - 6.0, h - top - 3.0
    # Lens.
    round_rect(ctx, lx, ly, lw, lh, 2.5)
    if on:
        g = cairo.RadialGradient(w / 2, ly + lh * 0.45, 1, w / 2, ly + lh * 0.45, lw * 0.62)
        g.add_color_stop_rgba(0.0, *mix(colour, (1, 1, 1, 1), 0.45))
        g.add_color_stop_rgba(0.45, *colour)
        g.add_color_stop_rgba(1.0, *mix(colour, (0, 0, 0, 1), 0.3))
    else:
        g = vgrad(ly, ly + lh, (0.0, mix(colour, (0.06, 0.06, 0.07, 1), 0.72)),
                  (1.0, mix(colour, (0.03, 0.03, 0.035, 1), 0.85)))
    ctx.set_source(g)
    ctx.fill()
    # Lens rim: a dark inner edge, a catch of light along the top.
    round_rect(ctx, lx + 0.5, ly + 0.5, lw - 1, lh - 1, 2.0)
    ctx.set_line_width(1.0)
    ctx.set_source(vgrad(ly, ly + lh, (0.0, (0, 0, 0, 0.55)), (1.0, (0, 0, 0, 0.15))))
    ctx.stroke()
    ctx.move_to(lx + 3, ly + 1.5)
    ctx.line_to(lx + lw - 3, ly + 1.5)
    ctx.set_line_width(0.8)
    ctx.set_source_rgba(1, 1, 1, 0.45 if on else 0.12)
    ctx.stroke()
    if on:
        ink = mix(colour, (0, 0, 0, 1), 0.82)
    else:
        ink = unlit_ink or mix(colour, (0.55, 0.55, 0.55, 1), 0.35)
    text(ctx, legend, w / 2.0, ly + lh / 2.0 + 0.3, legend_size, ink, "Bold", tracking=0.4)


# ---------------------------------------------------------------------------
# Knob kinds.

def knob_styles():
    lin = KnobScale(linear_db, minor=[3, 9, 15, 21], numbered=[6, 12, 18], end_decimals=0)
    # The master knob fills its section: its numbers skip 18 to keep clear of the edges.
    master = KnobScale(linear_db, minor=[3, 9, 15, 18, 21], numbered=[6, 12], end_decimals=0)
    high = KnobScale(high_gain_db, minor=[3, 9, 12], numbered=[6], end_decimals=1)
    mid = KnobScale(mid_gain_db, minor=[3, 9, 15], numbered=[6, 12], end_decimals=1)
    low = KnobScale(low_gain_db, minor=[3, 9, 15], numbered=[6, 12], end_decimals=1)
    return {
        "HG": KnobStyle(71, 20.5, HIGH_C, high, "HIGH"),
        "MG": KnobStyle(71, 20.5, MID_C, mid, "MID"),
        "LG": KnobStyle(71, 20.5, LOW_C, low, "LOW"),
        "IN": KnobStyle(103, 29.5, DRIVE_C, lin, "INPUT"),
        "OUT": KnobStyle(99, 28.5, LEVEL_C, lin, "OUTPUT"),
        "MOUT": KnobStyle(125, 35.0, LEVEL_C, master, "OUTPUT"),
    }


# ---------------------------------------------------------------------------
# Background.

def draw_background(ctx, styles, scales):
    W, H = EDITOR_W, EDITOR_H
    ctx.set_source(vgrad(0, H, (0.0, rgb("#25272b")), (1.0, rgb("#1c1e21"))))
    ctx.paint()

    def strip_panel(x0, x1, tone):
        # A raised panel per strip, lit from above.
        round_rect(ctx, x0 + 1.5, 80.5, x1 - x0 - 3, NAME_TOP - 80.5 - 3, 3)
        ctx.set_source(vgrad(80, NAME_TOP, (0.0, mix(tone, (1, 1, 1, 1), 0.06)), (1.0, mix(tone, (0, 0, 0, 1), 0.12))))
        ctx.fill_preserve()
        ctx.set_line_width(1.0)
        ctx.set_source(vgrad(80, NAME_TOP, (0.0, (1, 1, 1, 0.14)), (0.15, (1, 1, 1, 0.05)), (1.0, (0, 0, 0, 0.5))))
        ctx.stroke()

    # Meter bridge along the top.
    ctx.rectangle(0, 0, W, 79)
    ctx.set_source(vgrad(0, 79, (0.0, rgb("#141518")), (1.0, rgb("#1a1b1e"))))
    ctx.fill()
    ctx.move_to(0, 78.5)
    ctx.line_to(W, 78.5)
    ctx.set_source_rgba(1, 1, 1, 0.08)
    ctx.set_line_width(1)
    ctx.stroke()

    for n in range(TRACKS):
        strip_panel(n * STRIP_W, (n + 1) * STRIP_W, PANEL)
    # The master panel in a cooler tone, its meter bay reaching further down.
    ctx.rectangle(MASTER_X, 0, W - MASTER_X, 154)
    ctx.set_source(vgrad(0, 154, (0.0, rgb("#141518")), (1.0, rgb("#1a1b1e"))))
    ctx.fill()
    round_rect(ctx, MASTER_X + 1.5, 155.5, W - MASTER_X - 3, NAME_TOP - 155.5 - 3, 3)
    tone = rgb("#2c3038")
    ctx.set_source(vgrad(155, NAME_TOP, (0.0, mix(tone, (1, 1, 1, 1), 0.06)), (1.0, mix(tone, (0, 0, 0, 1), 0.12))))
    ctx.fill_preserve()
    ctx.set_line_width(1.0)
    ctx.set_source(vgrad(155, NAME_TOP, (0.0, (1, 1, 1, 0.14)), (0.15, (1, 1, 1, 0.05)), (1.0, (0, 0, 0, 0.5))))
    ctx.stroke()

    # Meter wells.
    track_scale, master_scale = scales
    wells = [(TRACK_METER[0] + n * STRIP_W, TRACK_METER[1], track_scale) for n in range(TRACKS)]
    wells += [(x, y, master_scale) for x, y in MASTER_METERS]
    for x, y, scale in wells:
        round_rect(ctx, x - 1.5, y - 1.5, METER_W + 3, METER_H + 3, 6)
        ctx.set_source_rgba(0, 0, 0, 0.65)
        ctx.fill()
        ctx.save()
        ctx.translate(x, y)
        draw_meter_face(ctx, scale)
        ctx.restore()

    # Scribble strip for the names, light so the black names read.
    for n in range(TRACKS + 1):
        x0 = n * STRIP_W + 1.5
        x1 = (n + 1) * STRIP_W - 1.5 if n < TRACKS else W - 1.5
        round_rect(ctx, x0, NAME_TOP, x1 - x0, 20, 2)
        ctx.set_source(vgrad(NAME_TOP, NAME_TOP + 20, (0.0, mix(SCRIBBLE, (1, 1, 1, 1), 0.2)), (1.0, mix(SCRIBBLE, (0, 0, 0, 1), 0.06))))
        ctx.fill()
        round_rect(ctx, x0 + 0.5, NAME_TOP + 0.5, x1 - x0 - 1, 19, 1.5)
        ctx.set_line_width(1.0)
        ctx.set_source(vgrad(NAME_TOP, NAME_TOP + 20, (0.0, (0, 0, 0, 0.25)), (1.0, (0, 0, 0, 0.05))))
        ctx.stroke()

    # Track strips.
    for n in range(TRACKS):
        ox = n * STRIP_W
        # Track number.
        ctx.arc(ox + 15.5, 92.5, 8.0, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.35)
        ctx.fill_preserve()
        ctx.set_line_width(1.0)
        ctx.set_source_rgba(*mix(LEGEND, PANEL, 0.5))
        ctx.stroke()
        text(ctx, str(n + 1), ox + 15.5, 92.5, 9.5, LEGEND, "Bold")
        for key in ("OUT", "HG", "MG", "LG", "IN"):
            st = styles[key]
            x, y = STRIP_CONTROLS[key]
            draw_knob_legend(ctx, st, ox + x + st.size / 2.0, y + st.size / 2.0)
            draw_knob_well(ctx, st, ox + x + st.size / 2.0, y + st.size / 2.0)

    # Master section.
    st = styles["MOUT"]
    x, y = MASTER_CONTROLS["MOUT"]
    mcx = MASTER_X + STRIP_W / 2.0
    text(ctx, "MASTER", mcx, 196, 13, LEGEND, "Bold", tracking=2)
    ctx.move_to(MASTER_X + 22, 209.5)
    ctx.line_to(W - 22, 209.5)
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(*mix(LEGEND, PANEL, 0.6))
    ctx.stroke()
    draw_knob_legend(ctx, st, x + st.size / 2.0, y + st.size / 2.0)
    draw_knob_well(ctx, st, x + st.size / 2.0, y + st.size / 2.0)
    # Name plate, under the presets, A and B, undo and redo the plug-in draws.
    text(ctx, "QUOR", mcx, 548, 34, LEGEND, "Bold", tracking=3)
    text(ctx, "EIGHT-TRACK CONSOLE", mcx, 576, 7.5, NUMBERS, "SemiBold", tracking=1)

    # Bottom rail under the names.
    ctx.move_to(0, NAME_TOP + 20.5)
    ctx.line_to(W, NAME_TOP + 20.5)
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.stroke()


# ---------------------------------------------------------------------------
# Writing and checking the images.

# Each image is drawn at these scales: the plug-in takes every other editor
# scale from the nearest larger set. The 1x set is the editor's own size.
SCALES = (1, 2)


def file_name(name, scale):
    return name + (".png" if scale == 1 else "@%dx.png" % scale)


def frames_surface(name, draw_frame, scale):
    w, h, frames = IMAGES[name]
    surf = cairo.ImageSurface(cairo.FORMAT_ARGB32, w * scale, h * scale * frames)
    for i in range(frames):
        ctx = cairo.Context(surf)
        ctx.scale(scale, scale)
        ctx.translate(0, i * h)
        ctx.rectangle(0, 0, w, h)
        ctx.clip()
        draw_frame(ctx, i, frames)
    return surf


def make_images(styles, scales, scale):
    images = {}
    bg = cairo.ImageSurface(cairo.FORMAT_RGB24, EDITOR_W * scale, EDITOR_H * scale)
    bg_ctx = cairo.Context(bg)
    bg_ctx.scale(scale, scale)
    draw_background(bg_ctx, styles, scales)
    images["BG"] = bg
    for key, st in styles.items():
        images[key] = frames_surface(key, lambda ctx, i, n, st=st: draw_knob(ctx, st, i / (n - 1.0)), scale)

    images["VU"] = frames_surface("VU", lambda ctx, i, n: draw_meter(ctx, i / (n - 1.0)), scale)
    images["OVER"] = frames_surface("OVER", lambda ctx, i, n: draw_over_lamp(ctx, i == 1), scale)

    images["MUTE"] = frames_surface("MUTE", lambda ctx, i, n: draw_button(ctx, 69, 26, MUTE_C, i == 1, "MUTE", 9.5), scale)
    images["BY"] = frames_surface("BY", lambda ctx, i, n: draw_button(ctx, 79, 40, AMBER_C, i == 1, "BYPASS", 10.5), scale)
    images["MODE"] = frames_surface(
        "MODE", lambda ctx, i, n: draw_button(ctx, 50, 26, MODE_C, i == 1, "16 OUT" if i == 1 else "MIX", 7.8, "MODE",
                                             unlit_ink=rgb("#e4f4fa")), scale)
    images["GBY"] = frames_surface(
        "GBY", lambda ctx, i, n: draw_button(ctx, 50, 26, AMBER_C, i == 1, "BYPASS", 7.8, "GLOBAL"), scale)
    return images


def write_images(images, outdir, scale):
    os.makedirs(outdir, exist_ok=True)
    for name, surf in images.items():
        surf.write_to_png(os.path.join(outdir, file_name(name, scale)))
    # Read back what was written: the plug-in divides each image's height by its frame count.
    for name, (w, h, frames) in IMAGES.items():
        back = cairo.ImageSurface.create_from_png(os.path.join(outdir, file_name(name, scale)))
        want = (w * scale, h * scale * frames)
        if (back.get_width(), back.get_height()) != want:
            sys.exit("make_artwork: %s is %dx%d, expected %dx%d"
                     % (file_name(name, scale), back.get_width(), back.get_height(), *want))


# ---------------------------------------------------------------------------
# Preview: the whole editor as the plug-in composes it.

def draw_name(ctx, s, left, top, right, line_height, colour):
    """Text as the plug-in draws it: a line box of line_height pixels from the top, centred."""
    # The plug-in sizes the font so the face's clipping ascent and descent fill the line,
    # and asks fontconfig for weight 400 as "Regular" does here.
    em = line_height * 2000.0 / (2305 + 675)
    set_font(ctx, em, "Regular")
    w = ctx.text_extents(s).x_advance
    ctx.set_source_rgba(*colour)
    ctx.move_to((left + right) / 2.0 - w / 2.0, top + math.ceil(em * 2305 / 2000.0))
    ctx.show_text(s)


def compose_preview(images, out, state):
    """state: 'default' or 'busy' (knobs turned, switches lit, meters at several levels)."""
    surf = cairo.ImageSurface(cairo.FORMAT_RGB24, EDITOR_W, EDITOR_H)
    ctx = cairo.Context(surf)
    ctx.set_source_surface(images["BG"], 0, 0)
    ctx.paint()

    def put(name, x, y, value):
        w, h, frames = IMAGES[name]
        i = 0 if frames < 2 else min(frames - 1, max(0, int(0.5 + value * (frames - 1))))
        ctx.save()
        ctx.rectangle(x, y, w, h)
        ctx.clip()
        ctx.set_source_surface(images[name], x, y - i * h)
        ctx.paint()
        ctx.restore()

    busy = state == "busy"
    put("MODE", *MASTER_CONTROLS["MODE"], 1.0 if busy else 0.0)
    put("MOUT", *MASTER_CONTROLS["MOUT"], 0.62 if busy else 0.5)
    put("GBY", *MASTER_CONTROLS["GBY"], 1.0 if busy else 0.0)
    for n in range(TRACKS):
        ox = n * STRIP_W
        t = n / (TRACKS - 1.0)
        vals = {"HG": 0.5, "MG": 0.5, "LG": 0.5, "IN": 0.5, "OUT": 0.5, "BY": 0.0, "MUTE": 0.0}
        if busy:
            vals = {"HG": t, "MG": 1.0 - t, "LG": (0.3 + 0.55 * t) % 1.0, "IN": 0.25 + 0.5 * t,
                    "OUT": 1.0 - 0.7 * t, "BY": 1.0 if n in (2, 5) else 0.0, "MUTE": 1.0 if n in (3, 5, 7) else 0.0}
        for key in ("HG", "MG", "LG", "IN", "OUT", "BY", "MUTE"):
            x, y = STRIP_CONTROLS[key]
            put(key, ox + x, y, vals[key])
    levels = [n / 7.0 for n in range(8)] + [0.708, 0.5] if busy else [0.0] * 10
    meters = [(TRACK_METER[0] + n * STRIP_W, TRACK_METER[1]) for n in range(TRACKS)] + list(MASTER_METERS)
    for n, ((x, y), v) in enumerate(zip(meters, levels)):
        put("VU", x, y, v)
        put("OVER", x + OVER_LAMP[0], y + OVER_LAMP[1], 1.0 if busy and n in (7, 8) else 0.0)
    names = ["Track Name"] * TRACKS + ["Master"]
    if busy:
        names = ["Kick", "Snare", "Overheads", "Bass DI", "Rhythm Guitar L", "Keys", "Lead Vocal", "Backing Vox", "Mix Bus"]
    for n, s in enumerate(names):
        left = n * STRIP_W
        right = EDITOR_W if n == TRACKS else left + STRIP_W
        draw_name(ctx, s, left, NAME_TOP, right, 18, (0, 0, 0, 1))
    for s, (l, t, r, b) in METER_LABELS:
        draw_name(ctx, s, l, t, r, 15, (0, 0, 0, 150 / 255.0))
    surf.write_to_png(out)


def check_layout():
    """Every strip control centred in its strip, every control inside the editor, and the
    master switches clear of the strips' mute switches."""
    def rect(name, x, y):
        w, h, _ = IMAGES[name]
        return (x, y, x + w, y + h)

    rects = []
    for name, (x, y) in list(STRIP_CONTROLS.items()) + [("VU", TRACK_METER)]:
        w = IMAGES[name][0]
        if abs(x + w / 2.0 - STRIP_W / 2.0) > 0.5:
            sys.exit("make_artwork: %s (%d wide at x %d) is off its strip's centre" % (name, w, x))
        for n in range(TRACKS):
            rects.append((name, rect(name, x + n * STRIP_W, y)))
    for name, (x, y) in MASTER_CONTROLS.items():
        rects.append((name, rect(name, x, y)))
    for x, y in MASTER_METERS:
        rects.append(("VU", rect("VU", x, y)))
    for name, (l, t, r, b) in rects:
        if l < 0 or t < 0 or r > EDITOR_W or b > EDITOR_H:
            sys.exit("make_artwork: %s at (%d, %d) reaches outside the editor" % (name, l, t))
    for name in ("MODE", "GBY"):
        l, t, r, b = rect(name, *MASTER_CONTROLS[name])
        for other, (ol, ot, orr, ob) in rects:
            if other == "MUTE" and l < orr and ol < r and t < ob and ot < b:
                sys.exit("make_artwork: the %s switch reaches under a mute switch" % name)


def check_font():
    # Cairo falls back to another face without a word; the artwork must not.
    for weight, (_, _, pattern) in WEIGHTS.items():
        try:
            found = subprocess.run(["fc-match", "-f", "%{family}|%{style}", pattern],
                                   capture_output=True, text=True).stdout
        except OSError:
            found = ""
        family, _, style = found.partition("|")
        if FONT not in family or weight not in style.replace(" ", ""):
            sys.exit("make_artwork: %s %s is missing (apt-get install fonts-league-spartan fontconfig)" % (FONT, weight))


def main():
    ap = argparse.ArgumentParser(description="Draw the QUOR editor images.")
    ap.add_argument("outdir", nargs="?", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "img"))
    ap.add_argument("--preview", metavar="OUT.png", help="also compose the whole editor at its defaults")
    ap.add_argument("--preview-busy", metavar="OUT.png", help="also compose it with knobs turned, switches lit, meters up")
    ap.add_argument("--legends", action="store_true", help="print the knob legends and meter marks")
    ap.add_argument("--meter-table", metavar="OUT.h",
                    default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "plugin", "meter_scale.h"),
                    help="where the meter marks go for the plug-in's tests")
    args = ap.parse_args()
    check_layout()
    check_font()
    styles = knob_styles()
    scales = meter_scales()
    write_meter_table(scales, args.meter_table)
    if args.legends:
        for sc in scales:
            print(sc.name, "meter", " ".join("%+d@%.4f(frame %d)" % (d, v, meter_frame(v)) for d, v in sc.marks))
    if args.legends:
        for key, st in styles.items():
            print(key, "%.2f dB .. %+.2f dB" % (st.scale.low, st.scale.high),
                  " ".join("%s@%.3f" % (s, v) for v, s in sorted(st.scale.numbers)))
    for scale in SCALES:
        write_images(make_images(styles, scales, scale), args.outdir, scale)
    images = make_images(styles, scales, 1)
    if args.preview:
        compose_preview(images, args.preview, "default")
    if args.preview_busy:
        compose_preview(images, args.preview_busy, "busy")


if __name__ == "__main__":
    main()
