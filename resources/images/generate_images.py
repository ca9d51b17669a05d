#!/usr/bin/env python3
"""Draws the application's artwork as SVG files next to this script.

Every image is drawn in the portrait layout space of the screens: u runs along the image's
width (screen x, across the keys: u = 0 is nearest the player) and v along its height
(screen y, along the keyboard: v = 0 is the low end).  The display shows that space turned
a quarter turn anticlockwise, so anything that has a direction on the display (arrows,
symbols) is drawn through `upright()`, which maps display coordinates (X to the right,
Y downward, centred on the symbol) into the portrait space.

The rasteriser is nanosvg (inside SDL_image): no text, filters, masks, clip paths, <use>
or CSS.  Gradient coordinates are always percentages of the shape's bounding box, because
unitless gradient coordinates are drawn wrongly.  Soft shadows are gradients to
transparent black.

Run:  python3 generate_images.py      (rewrites the .svg files in this folder)
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- SVG helpers

def num(value):
    """Short decimal form for coordinates."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


class Image:
    """One SVG document under construction; ids are prefixed so that several images can be
    pasted into one preview document without gradient names colliding."""

    def __init__(self, name, width, height, note):
        self.name = name
        self.width = width
        self.height = height
        self.note = note
        self.defs = []
        self.body = []
        self.prefix = "".join(c for c in name if c.isalnum())[:24] + "_"
        self.count = 0

    def _id(self):
        self.count += 1
        return f"{self.prefix}g{self.count}"

    def linear(self, direction, stops):
        """direction: 'x' (along the width, u), 'y' (along the height, v), or a tuple of four
        percentages (x1, y1, x2, y2).  stops: (offset percent, colour, opacity)."""
        if direction == "x":
            coords = (0, 0, 100, 0)
        elif direction == "-x":
            coords = (100, 0, 0, 0)
        elif direction == "y":
            coords = (0, 0, 0, 100)
        elif direction == "-y":
            coords = (0, 100, 0, 0)
        else:
            coords = direction
        gid = self._id()
        parts = [f'<linearGradient id="{gid}" x1="{num(coords[0])}%" y1="{num(coords[1])}%" '
                 f'x2="{num(coords[2])}%" y2="{num(coords[3])}%">']
        parts += [_stop(*s) for s in stops]
        parts.append("</linearGradient>")
        self.defs.append("".join(parts))
        return f"url(#{gid})"

    def radial(self, stops, cx=50, cy=50, r=50, fx=None, fy=None):
        gid = self._id()
        focus = ""
        if fx is not None:
            focus = f' fx="{num(fx)}%" fy="{num(fy)}%"'
        parts = [f'<radialGradient id="{gid}" cx="{num(cx)}%" cy="{num(cy)}%" r="{num(r)}%"{focus}>']
        parts += [_stop(*s) for s in stops]
        parts.append("</radialGradient>")
        self.defs.append("".join(parts))
        return f"url(#{gid})"

    def add(self, element):
        self.body.append(element)

    def comment(self, text):
        self.body.append(f"<!-- {text} -->")

    def text(self):
        lines = [
            '<?xml version="1.0" encoding="UTF-8"?>',
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{num(self.width)}" height="{num(self.height)}" '
            f'viewBox="0 0 {num(self.width)} {num(self.height)}">',
            f"<!-- {self.name}: {self.note} -->",
            "<!-- Portrait layout space: x across the keys (0 = player's edge), y along the keyboard;"
            " the display shows it turned a quarter turn anticlockwise. -->",
            "<defs>",
        ]
        lines += ["  " + d for d in self.defs]
        lines.append("</defs>")
        lines += ["  " + b for b in self.body]
        lines.append("</svg>")
        return "\n".join(lines) + "\n"

    def write(self):
        path = os.path.join(HERE, self.name + ".svg")
        with open(path, "w", encoding="utf-8") as out:
            out.write(self.text())


def _stop(offset, colour, opacity=1.0):
    extra = "" if opacity >= 1.0 else f' stop-opacity="{num(opacity)}"'
    return f'<stop offset="{num(offset)}%" stop-color="{colour}"{extra}/>'


def attrs(**kw):
    out = []
    for key, value in kw.items():
        if value is None:
            continue
        key = key.rstrip("_").replace("_", "-")
        if isinstance(value, float):
            value = num(value)
        out.append(f'{key}="{value}"')
    return " ".join(out)


def rect(u, v, w, h, rx=None, **kw):
    extra = f' rx="{num(rx)}"' if rx else ""
    return f'<rect x="{num(u)}" y="{num(v)}" width="{num(w)}" height="{num(h)}"{extra} {attrs(**kw)}/>'


def circle(u, v, r, **kw):
    return f'<circle cx="{num(u)}" cy="{num(v)}" r="{num(r)}" {attrs(**kw)}/>'


def ellipse(u, v, rx, ry, **kw):
    return f'<ellipse cx="{num(u)}" cy="{num(v)}" rx="{num(rx)}" ry="{num(ry)}" {attrs(**kw)}/>'


def path(d, **kw):
    return f'<path d="{d}" {attrs(**kw)}/>'


def poly(points, **kw):
    pts = " ".join(f"{num(a)},{num(b)}" for a, b in points)
    return f'<polygon points="{pts}" {attrs(**kw)}/>'


def polyline(points, **kw):
    pts = " ".join(f"{num(a)},{num(b)}" for a, b in points)
    return f'<polyline points="{pts}" {attrs(**kw)}/>'


def group(elements, transform=None, **kw):
    t = f' transform="{transform}"' if transform else ""
    a = attrs(**kw)
    a = " " + a if a else ""
    return f"<g{t}{a}>" + "".join(elements) + "</g>"


def upright(u, v, elements, scale=1.0):
    """Places elements drawn in display coordinates (X right, Y down, origin at the symbol's
    centre) at the portrait point (u, v) so that they read upright on the display."""
    s = "" if scale == 1.0 else f" scale({num(scale)})"
    return group(elements, transform=f"translate({num(u)} {num(v)}) rotate(90){s}")


def rounded_rect_path(u0, v0, u1, v1, r):
    """Closed path of a rounded rectangle (for shapes that need a path rather than <rect>)."""
    return (f"M{num(u0 + r)} {num(v0)} H{num(u1 - r)} Q{num(u1)} {num(v0)} {num(u1)} {num(v0 + r)} "
            f"V{num(v1 - r)} Q{num(u1)} {num(v1)} {num(u1 - r)} {num(v1)} H{num(u0 + r)} "
            f"Q{num(u0)} {num(v1)} {num(u0)} {num(v1 - r)} V{num(v0 + r)} Q{num(u0)} {num(v0)} {num(u0 + r)} {num(v0)} Z")


# ---------------------------------------------------------------- palette

IVORY_NEAR = "#fdfbf4"
IVORY_MID = "#f5f0e4"
IVORY_FAR = "#e8e0cf"
IVORY_SHADE = "#d3c9b4"
LACQUER_DEEP = "#050506"
LACQUER = "#0d0d0f"
LACQUER_LIGHT = "#222226"
FELT_DARK = "#3e070c"
FELT = "#7d1521"
BRASS = "#b59a5e"
BRASS_DARK = "#6e5c36"
SYMBOL = "#ece4cf"          # warm ivory for symbols on black
SYMBOL_DIM = "#8f887a"
LED_RED = "#ff4b2b"


# ---------------------------------------------------------------- piano keys

WHITE_KEY_LENGTH = 232
WHITE_KEY_WIDTH = 60


def white_key(name, pressed, left_shadow):
    """A white key seen from above, its near end at u = 0.  The keys tile along v with a thin
    gap (the keyboard behind is black).  Light falls from the far side and the low end, so a
    pressed key next to a raised lower neighbour lies in that neighbour's shadow."""
    L, W = WHITE_KEY_LENGTH, WHITE_KEY_WIDTH
    img = Image(name, L, W, "white key, %s; near end at x = 0, 60 points along the keyboard before scaling"
                % ("pressed" + (", shadowed by its raised lower neighbour" if left_shadow else "") if pressed else "raised"))
    v0, v1 = 0.5, W - 0.9
    outline = (f"M{L} {v0} H2 Q0 {v0} 0 {v0 + 2} V{v1 - 2} Q0 {v1} 2 {v1} H{L} Z")
    front = 4.0 if pressed else 7.0

    if pressed:
        top = img.linear("x", [(0, "#ebe5d7"), (35, "#e3dccb"), (80, "#d4cab5"), (100, "#b9ad95")])
    else:
        top = img.linear("x", [(0, IVORY_NEAR), (40, IVORY_MID), (85, IVORY_FAR), (100, IVORY_SHADE)])
    img.comment("key top")
    img.add(path(outline, fill=top))

    # Rounded long edges: the low edge catches the light, the high edge falls away.
    edges = img.linear("y", [(0, "#ffffff", 0.75), (5, "#ffffff", 0.0), (88, "#000000", 0.0),
                             (100, "#000000", 0.16 if pressed else 0.11)])
    img.add(path(outline, fill=edges))

    # Front face of the key: seen at a slant, in its own shade, with a bright rounded nose.
    img.comment("front face")
    face = img.linear("x", [(0, "#b9af9b" if pressed else "#c8bfac"), (65, "#e4ddcd" if pressed else "#ebe5d7"),
                            (100, "#f8f4ea" if pressed else "#fffdf8")])
    img.add(path(f"M{front} {v0} H2 Q0 {v0} 0 {v0 + 2} V{v1 - 2} Q0 {v1} 2 {v1} H{front} Z", fill=face))
    img.add(rect(front - 0.5, v0, 1.0, v1 - v0, fill="#ffffff", fill_opacity=0.85 if not pressed else 0.6))
    img.add(rect(front + 0.5, v0, 2.5, v1 - v0,
                 fill=img.linear("x", [(0, "#6b5f48", 0.10), (100, "#6b5f48", 0.0)])))

    # The far end goes under the fallboard and its felt: it darkens.
    img.comment("shade under the fallboard")
    start = 150 if pressed else 196
    img.add(rect(start, v0, L - start, v1 - v0,
                 fill=img.linear("x", [(0, "#000000", 0.0), (100, "#000000", 0.48 if pressed else 0.30)])))

    if left_shadow:
        img.comment("shadow of the raised lower neighbour")
        img.add(rect(0, v0, L, 13,
                     fill=img.linear("y", [(0, "#1b140a", 0.42), (30, "#1b140a", 0.18), (100, "#1b140a", 0.0)])))
    img.write()


BLACK_KEY_LENGTH = 124
BLACK_KEY_THICKNESS = 36


def black_key(name, pressed):
    """A black key: body 31 points wide starting at v = 0 (its centre 0.5 point above the
    boundary between white keys, where the 36-point image is centred 3 points above it), a
    soft shadow on the high side and toward the player.  Pressed, it sinks between its white
    neighbours: the slot it runs in shows as a dark rim around a narrower, shorter top."""
    if pressed:
        black_key_down(name)
        return
    L, T = BLACK_KEY_LENGTH, BLACK_KEY_THICKNESS
    img = Image(name, L, T, "black key, raised; body v 0..31, shadow beyond")
    body_u0, body_v1 = 4.0, 31.0
    shade, reach = 0.46, 5.0

    img.comment("cast shadow on the white keys")
    img.add(rect(body_u0 + reach, body_v1, L - body_u0 - reach, reach,
                 fill=img.linear("y", [(0, "#000000", shade), (100, "#000000", 0.0)])))
    img.add(rect(body_u0 - reach * 0.8, 1.5, reach * 0.8, body_v1 - 1.5,
                 fill=img.linear("-x", [(0, "#000000", shade * 0.8), (100, "#000000", 0.0)])))
    img.add(rect(body_u0 - reach * 0.8, body_v1, reach * 1.8, reach,
                 fill=img.radial([(0, "#000000", shade * 0.8), (100, "#000000", 0.0)], cx=100, cy=0, r=100)))

    # Body: the base outline, the narrower top surface, and three walls between them.
    top_u0 = body_u0 + 11.0
    tv0, tv1 = 3.3, 27.6
    img.comment("body")
    img.add(path(f"M{L} 0 H{body_u0 + 2.5} Q{body_u0} 0 {body_u0} 2.5 V{body_v1 - 2.5} "
                 f"Q{body_u0} {body_v1} {body_u0 + 2.5} {body_v1} H{L} Z", fill="#060607"))
    img.add(poly([(body_u0 + 1.2, 0.4), (L, 0.4), (L, tv0), (top_u0, tv0)],
                 fill=img.linear("y", [(0, "#3b3b40"), (100, "#141416")])))
    img.add(poly([(top_u0, tv1), (L, tv1), (L, body_v1 - 0.3), (body_u0 + 1.2, body_v1 - 0.3)],
                 fill=img.linear("y", [(0, "#0a0a0b"), (100, "#020202")])))
    img.add(poly([(body_u0 + 0.4, 1.5), (top_u0, tv0), (top_u0, tv1), (body_u0 + 0.4, body_v1 - 1.5)],
                 fill=img.linear("x", [(0, "#050505"), (70, "#19191c"), (100, "#2a2a2f")])))

    img.comment("top surface: polished, a long soft reflection near the lit edge")
    img.add(rect(top_u0, tv0, L - top_u0, tv1 - tv0, rx=1.6,
                 fill=img.linear("y", [(0, "#3a3a40"), (28, "#1f1f24"), (100, "#0b0b0d")])))
    img.add(rect(top_u0, tv0, L - top_u0, tv1 - tv0, rx=1.6,
                 fill=img.linear("x", [(0, "#ffffff", 0.11), (30, "#ffffff", 0.0),
                                       (80, "#000000", 0.0), (100, "#000000", 0.6)])))
    img.add(rect(top_u0 + 6, tv0 + 2.6, L - top_u0 - 18, 3.2, rx=1.6,
                 fill=img.linear("x", [(0, "#ffffff", 0.0), (12, "#ffffff", 0.24),
                                       (55, "#ffffff", 0.14), (100, "#ffffff", 0.0)])))
    img.add(rect(top_u0 - 0.2, tv0 + 0.5, 0.9, tv1 - tv0 - 1.0, rx=0.45, fill="#ffffff", fill_opacity=0.3))
    img.write()


def black_key_down(name):
    """The pressed black key: its near end has dipped below the white keys, so from above the
    player looks into the slot it runs in (the neighbours' side walls, in their own shade),
    sees the key's top narrower, shorter and darker inside it, and no shadow cast beyond."""
    L, T = BLACK_KEY_LENGTH, BLACK_KEY_THICKNESS
    img = Image(name, L, T, "black key, pressed; slot v 0..31, the sunken top inside it")
    body_u0, body_v1 = 4.0, 31.0
    top_u0 = body_u0 + 15.0
    tv0, tv1 = 3.6, 27.4
    img.comment("the slot: the white neighbours' side walls, lit at their upper edge")
    img.add(rect(body_u0, 0, L - body_u0, tv0 + 0.6, fill=img.linear("y", [(0, "#9a927f"), (100, "#2a2722")])))
    img.add(rect(body_u0, tv1 - 0.6, L - body_u0, body_v1 - tv1 + 0.6,
                 fill=img.linear("y", [(0, "#1c1a16"), (100, "#6e685a")])))
    img.add(rect(body_u0, tv0, top_u0 - body_u0 + 1, tv1 - tv0,
                 fill=img.linear("x", [(0, "#3a362e"), (100, "#050505")])))
    img.comment("the sunken top, darker toward the player where it dips")
    img.add(rect(top_u0, tv0, L - top_u0, tv1 - tv0, rx=1.4,
                 fill=img.linear("y", [(0, "#2c2c31"), (30, "#18181b"), (100, "#070708")])))
    img.add(rect(top_u0, tv0, L - top_u0, tv1 - tv0, rx=1.4,
                 fill=img.linear("x", [(0, "#000000", 0.6), (30, "#000000", 0.1), (100, "#000000", 0.0)])))
    img.add(rect(top_u0 + 10, tv0 + 2.6, L - top_u0 - 22, 2.6, rx=1.3,
                 fill=img.linear("x", [(0, "#ffffff", 0.0), (20, "#ffffff", 0.1), (100, "#ffffff", 0.0)])))
    img.write()


# ---------------------------------------------------------------- lamps

LAMP_U = 304            # screen x of every lamp on the top bar


def lamp_socket(img, u, v):
    """An unlit lamp in its bezel; the lit lamp image (LEDButtonLit) covers it exactly."""
    img.add(circle(u - 0.6, v, 7.4, fill=img.radial([(70, "#000000", 0.5), (100, "#000000", 0.0)])))
    img.add(circle(u, v, 6.6, fill=img.linear("x", [(0, "#151517"), (55, "#3a3a3e"), (100, "#8a8a8f")])))
    img.add(circle(u, v, 5.3, fill="#020202"))
    img.add(circle(u, v, 4.6, fill=img.radial([(0, "#4a1010"), (70, "#2a0707"), (100, "#150303")], cx=55, cy=45, r=60)))
    # Gloss on the dome, toward the top left of the display (+u, -v).
    img.add(ellipse(u + 2.0, v - 1.4, 1.6, 1.2, fill="#ffffff", fill_opacity=0.28))


def led_lit():
    img = Image("LEDButtonLit", 16, 16, "lit lamp, centred on the lamp positions; covers an unlit socket")
    c = 8.0
    img.comment("glow")
    img.add(circle(c, c, 8.0, fill=img.radial([(0, LED_RED, 0.75), (55, LED_RED, 0.45), (100, LED_RED, 0.0)])))
    img.comment("bezel, tinted by the light")
    img.add(circle(c, c, 6.6, fill=img.linear("x", [(0, "#3a1a16"), (55, "#6b3a32"), (100, "#b08a80")])))
    img.add(circle(c, c, 5.3, fill="#4a0b05"))
    img.comment("lens")
    img.add(circle(c, c, 4.6, fill=img.radial([(0, "#fff6dc"), (30, "#ffb36b"), (65, "#ff3f22"), (100, "#b5140c")],
                                               cx=55, cy=45, r=62)))
    img.add(ellipse(c + 2.0, c - 1.4, 1.5, 1.1, fill="#ffffff", fill_opacity=0.7))
    img.write()


# ---------------------------------------------------------------- symbols (display coordinates)

def chevrons(count, colour=SYMBOL, size=1.0):
    """Arrow heads pointing to the display's left (toward the low end of the keyboard)."""
    out = []
    spread = 4.6 * size
    first = -(count - 1) * spread / 2
    for i in range(count):
        x = first + i * spread
        pts = [(x + 3.2 * size, -6.2 * size), (x - 3.0 * size, 0), (x + 3.2 * size, 6.2 * size)]
        out.append(polyline(pts, fill="none", stroke=colour, stroke_width=num(2.5 * size),
                            stroke_linecap="round", stroke_linejoin="round"))
    return out


def chevrons_right(count, colour=SYMBOL, size=1.0):
    return [group(chevrons(count, colour, size), transform="scale(-1 1)")]


def play_symbol(colour=SYMBOL):
    return [poly([(-4.6, -7.2), (7.4, 0), (-4.6, 7.2)], fill=colour, stroke=colour,
                  stroke_width="1.6", stroke_linejoin="round")]


def record_symbol(img):
    return [circle(0, 0, 6.6, fill="#000000", fill_opacity=0.5),
            circle(0, 0, 6.0, fill=img.radial([(0, "#f0665c"), (60, "#c8262a"), (100, "#8e1316")], cx=40, cy=35, r=70)),
            ellipse(-1.8, -2.4, 2.4, 1.4, fill="#ffffff", fill_opacity=0.35)]


def notes_symbol(colour=SYMBOL):
    """Two beamed quavers: the song library."""
    return [ellipse(-4.2, 5.2, 3.1, 2.2, fill=colour, transform="rotate(-22 -4.2 5.2)"),
            ellipse(5.0, 3.4, 3.1, 2.2, fill=colour, transform="rotate(-22 5 3.4)"),
            rect(-1.75, -6.8, 1.5, 12.0, fill=colour),
            rect(7.45, -8.6, 1.5, 12.0, fill=colour),
            poly([(-1.75, -6.8), (8.95, -8.6), (8.95, -5.6), (-1.75, -3.8)], fill=colour)]


def gear_symbol(colour=SYMBOL, outer=8.2, inner=6.2, teeth=8, hole=2.7):
    pts = []
    step = 2 * math.pi / teeth
    for k in range(teeth):
        a = k * step - math.pi / 2
        for da, r in ((-0.30, inner), (-0.17, outer), (0.17, outer), (0.30, inner)):
            pts.append((r * math.cos(a + da * step * 1.6), r * math.sin(a + da * step * 1.6)))
    d = "M" + " L".join(f"{num(x)} {num(y)}" for x, y in pts) + " Z"
    d += (f" M{num(hole)} 0 A{num(hole)} {num(hole)} 0 1 0 {num(-hole)} 0 "
          f"A{num(hole)} {num(hole)} 0 1 0 {num(hole)} 0 Z")
    return [path(d, fill=colour, fill_rule="evenodd")]


def pedals_symbol(active):
    """Three pedals seen from above; active 0 (left, soft) or 2 (right, sustain) is lit."""
    out = []
    for i, x in enumerate((-6.3, 0.0, 6.3)):
        d = (f"M{num(x - 1.2)} -7.5 H{num(x + 1.2)} L{num(x + 2.3)} 4.5 "
             f"Q{num(x + 2.3)} 7.6 {num(x)} 7.6 Q{num(x - 2.3)} 7.6 {num(x - 2.3)} 4.5 Z")
        if i == active:
            out.append(path(d, fill=SYMBOL))
        else:
            out.append(path(d, fill="none", stroke=SYMBOL_DIM, stroke_width="1.1"))
    return out


def padlock_symbol(colour=SYMBOL):
    return [path("M-3.6 0 V-3.4 A3.6 3.6 0 0 1 3.6 -3.4 V0", fill="none", stroke=colour, stroke_width="2.1"),
            rect(-5.8, -0.6, 11.6, 8.8, rx=1.6, fill=colour),
            circle(0, 2.9, 1.4, fill="#1a1a1d"),
            rect(-0.6, 3.2, 1.2, 2.8, fill="#1a1a1d")]


# ---------------------------------------------------------------- bars

def lacquer_panel(img, u0, u1, v0, v1):
    """Polished black lacquer, lit from the far side: darker toward the player, with a broad
    faint reflection of the room running along the keyboard."""
    img.add(rect(u0, v0, u1 - u0, v1 - v0,
                 fill=img.linear("x", [(0, LACQUER_DEEP), (45, LACQUER), (100, LACQUER_LIGHT)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0,
                 fill=img.linear("x", [(0, "#ffffff", 0.0), (62, "#ffffff", 0.0), (80, "#ffffff", 0.045),
                                       (92, "#ffffff", 0.0), (100, "#ffffff", 0.0)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0,
                 fill=img.linear("y", [(0, "#ffffff", 0.035), (30, "#ffffff", 0.0), (70, "#000000", 0.0),
                                       (100, "#000000", 0.18)])))


def felt_and_lip(img, length, u_lip):
    """The key slip felt under the fallboard's lower edge, and that edge's rounded highlight."""
    img.add(rect(0, 0, 3.4, length, fill=img.linear("x", [(0, FELT_DARK), (55, FELT), (100, "#52101a")])))
    img.add(rect(3.4, 0, 0.9, length, fill="#050505"))
    img.add(rect(4.3, 0, u_lip - 4.3, length,
                 fill=img.linear("x", [(0, "#2e2e33"), (30, "#58585e"), (55, "#1c1c20"), (100, LACQUER_DEEP)])))


def button_cap(img, u0, u1, v0, v1):
    """A raised lacquer button on the bar."""
    img.add(rect(u0 - 1.6, v0 + 0.6, u1 - u0 + 0.8, v1 - v0 - 1.2, rx=6,
                 fill=img.linear("x", [(0, "#000000", 0.65), (40, "#000000", 0.0)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=5.5,
                 fill=img.linear("x", [(0, "#0b0b0d"), (50, "#1a1a1e"), (100, "#2f2f35")]),
                 stroke="#000000", stroke_width="0.9"))
    img.add(rect(u0 + 0.9, v0 + 0.9, u1 - u0 - 1.8, v1 - v0 - 1.8, rx=4.7, fill="none",
                 stroke=img.linear("x", [(0, "#ffffff", 0.02), (70, "#ffffff", 0.06), (100, "#ffffff", 0.22)]),
                 stroke_width="0.8"))


CAP_U0, CAP_U1 = 276.0, 318.0     # screen x of the bar's buttons (touch area starts above 273)
ICON_WITH_LAMP_U = 286.5           # symbol under a lamp
ICON_ALONE_U = 297.0               # symbol of a button without a lamp


def bar_button(img, origin, v0, v1, symbol, lamp_v=None, gap=2.2):
    """A button filling the touch zone v0..v1; symbol in display coordinates."""
    button_cap(img, CAP_U0 - origin, CAP_U1 - origin, v0 + gap, v1 - gap)
    if lamp_v is None:
        img.add(upright(ICON_ALONE_U - origin, (v0 + v1) / 2, symbol))
    else:
        lamp_socket(img, LAMP_U - origin, lamp_v)
        img.add(upright(ICON_WITH_LAMP_U - origin, lamp_v, symbol))


RADAR_KEY = 8.5
RADAR_U0, RADAR_U1 = 241.0, 270.0   # screen x of the radar highlight: the miniature keys span it


def radar(img, origin, start):
    """The whole piano in miniature, 52 white keys from y = start, and its well."""
    L = start + 52 * RADAR_KEY
    img.comment("radar well")
    img.add(rect(236.5 - origin, start - 5, 36.5, L - start + 10, rx=3.5, fill="#020203",
                 stroke=BRASS_DARK, stroke_width="0.7", stroke_opacity="0.8"))
    img.add(rect(236.5 - origin, start - 5, 36.5, L - start + 10, rx=3.5,
                 fill=img.linear("x", [(0, "#ffffff", 0.06), (12, "#ffffff", 0.0), (85, "#000000", 0.0),
                                       (100, "#000000", 0.5)])))
    u0, u1 = RADAR_U0 - origin, RADAR_U1 - origin
    img.comment("miniature white keys")
    ivory = img.linear("x", [(0, "#f6f1e5"), (70, "#e9e2d2"), (100, "#c8bea9")])
    for i in range(52):
        img.add(rect(u0, start + i * RADAR_KEY + 0.35, u1 - u0, RADAR_KEY - 0.7, rx=0.6, fill=ivory))
    img.comment("miniature black keys")
    ebony = img.linear("y", [(0, "#3a3a3f"), (40, "#151517"), (100, "#050505")])
    letters = "ABCDEFG"
    for i in range(51):
        if letters[i % 7] in "ACDFG":
            b = start + (i + 1) * RADAR_KEY
            img.add(rect(u0 + 13.0, b - 2.6, u1 - u0 - 13.0, 5.2, rx=0.7, fill=ebony))
    img.comment("middle C")
    c4 = start + 23 * RADAR_KEY + RADAR_KEY / 2
    img.add(circle(u0 + 3.6, c4, 1.25, fill=BRASS))


def pinstripe(img, u, v0, v1):
    img.add(rect(u - 0.3, v0, 0.6, v1 - v0, fill=BRASS, fill_opacity=0.45))


def top_bar_single(tall):
    L = 568 if tall else 480
    name = "TopBarSingleKeyboard" + ("-568h@2x" if tall else "")
    origin = 227.0
    img = Image(name, 93, L, "top bar of the single keyboard, centred at (273.5, %s): screen x 227..320" % (L // 2))
    felt_and_lip(img, L, 9.0)
    lacquer_panel(img, 9.0, 93, 0, L)
    radar(img, origin, 62 if tall else 20)
    pinstripe(img, 274.6 - origin, 6, L - 6)
    # touch zones along y (normal, tall) and lamp centres
    zones = [(0, 47, 0, 68, chevrons(2), None, None),
             (47, 91, 68, 117, chevrons(1), None, None),
             (91, 147, 117, 177, play_symbol(), 120, 153.5),
             (147, 195, 177, 232, "record", 169, 201.5),
             (195, 242, 232, 284, notes_symbol(), None, None),
             (242, 288, 284, 331, gear_symbol(), None, None),
             (288, 339, 331, 390, pedals_symbol(0), 315, 367.5),
             (339, 389, 390, 446, pedals_symbol(2), 362, 415),
             (389, 435, 446, 497, chevrons_right(1), None, None),
             (435, 480, 497, 568, chevrons_right(2), None, None)]
    img.comment("buttons")
    for n0, n1, t0, t1, symbol, lamp_n, lamp_t in zones:
        v0, v1 = (t0, t1) if tall else (n0, n1)
        if symbol == "record":
            symbol = record_symbol(img)
        lamp = lamp_t if tall else lamp_n
        bar_button(img, origin, v0 + (2 if v0 == 0 else 0), v1 - (2 if v1 == L else 0), symbol, lamp)
    img.write()


def top_bar_dual(tall):
    L = 568 if tall else 480
    name = "TopBarDualKeyboard" + ("-568h@2x" if tall else "")
    width = 59 if tall else 55
    origin = 261.0 if tall else 265.0
    img = Image(name, width, L, "top bar of the dual keyboard, centred at (%s, %s): screen x %d..320"
                % ("290.5" if tall else "292.5", L // 2, origin))
    lip = 273.0 - origin
    felt_and_lip(img, L, lip)
    lacquer_panel(img, lip, width, 0, L)
    zones = [(0, 91, 0, 124, "lock", 39, 73.5),
             (91, 147, 124, 177, play_symbol(), 120, 152.5),
             (147, 195, 177, 232, "record", 169, 200.5),
             (195, 242, 232, 284, notes_symbol(), None, None),
             (242, 288, 284, 331, gear_symbol(), None, None),
             (288, 339, 331, 390, pedals_symbol(0), 315, 366.5),
             (339, 389, 390, 446, pedals_symbol(2), 362, 414),
             (389, 480, 446, 568, "lock", 442, 497.5)]
    img.comment("buttons")
    for n0, n1, t0, t1, symbol, lamp_n, lamp_t in zones:
        v0, v1 = (t0, t1) if tall else (n0, n1)
        if symbol == "record":
            symbol = record_symbol(img)
        elif symbol == "lock":
            symbol = padlock_symbol()
        lamp = lamp_t if tall else lamp_n
        bar_button(img, origin, v0 + (2 if v0 == 0 else 0), v1 - (2 if v1 == L else 0), symbol, lamp)
    img.write()


def left_border_dual():
    """End cheek of the two keyboards with their scroll buttons; the right end shows the same
    picture mirrored along y, where the arrows then point up the keyboard."""
    W, T = 266, 30
    img = Image("LeftBorderDualKeyboard", W, T,
                "end border of the dual keyboard, centred at (133, 15); mirrored along y for the right end")
    img.add(rect(0, 0, W, T, fill=img.linear("x", [(0, LACQUER_DEEP), (50, LACQUER), (100, "#1a1a1e")])))
    img.add(rect(0, 0, W, T, fill=img.linear("y", [(0, "#ffffff", 0.05), (40, "#ffffff", 0.0),
                                                   (85, "#000000", 0.0), (100, "#000000", 0.55)])))
    # bands by x: key down lower, octave down lower, key down upper, octave down upper
    bands = [(0, 70, 1), (70, 136, 2), (136, 200, 1), (200, 266, 2)]
    for u0, u1, count in bands:
        a, b = u0 + (3.0 if u0 == 0 else 2.2), u1 - (3.0 if u1 == W else 2.2)
        img.add(rect(a - 1.2, 2.6, b - a + 0.6, T - 5.2, rx=5.5,
                     fill=img.linear("x", [(0, "#000000", 0.6), (40, "#000000", 0.0)])))
        img.add(rect(a, 2.4, b - a, T - 5.6, rx=5.0,
                     fill=img.linear("x", [(0, "#0b0b0d"), (50, "#1a1a1e"), (100, "#2f2f35")]),
                     stroke="#000000", stroke_width="0.9"))
        img.add(rect(a + 0.9, 3.3, b - a - 1.8, T - 7.4, rx=4.2, fill="none",
                     stroke=img.linear("x", [(0, "#ffffff", 0.02), (70, "#ffffff", 0.06), (100, "#ffffff", 0.22)]),
                     stroke_width="0.8"))
        img.add(upright((a + b) / 2, T / 2 - 0.3, chevrons(count, size=0.85)))
    # the two keyboards' groups are parted by a brass line
    img.add(rect(135.7, 4, 0.6, T - 8, fill=BRASS, fill_opacity=0.5))
    img.write()


def button_pressed():
    """Laid over a button's cap of the bar or the end borders while a finger holds it: the cap
    sinks out of the light from the far side, and a brass ring marks it around the finger.
    Stretched over each cap (caps are 42 across and 40 to 120 along the bar, 64 x 25 on the
    borders)."""
    W, H = 42, 44
    img = Image("ButtonPressed", W, H, "pressed look of a bar or border button, stretched over its cap")
    img.add(rect(0, 0, W, H, rx=5.5,
                 fill=img.linear("x", [(0, "#000000", 0.28), (55, "#000000", 0.42), (100, "#000000", 0.66)])))
    img.add(rect(0, 0, W, H, rx=5.5,
                 fill=img.linear("x", [(0, "#ffffff", 0.14), (8, "#ffffff", 0.0), (100, "#ffffff", 0.0)])))
    img.add(rect(0.7, 0.7, W - 1.4, H - 1.4, rx=4.9, fill="none", stroke=BRASS, stroke_width="1.4",
                 stroke_opacity="0.9"))
    img.write()


# ---------------------------------------------------------------- shared screen parts

def screen_background(img, L):
    """Black lacquer for a whole screen, lit from the far side of the display."""
    img.add(rect(0, 0, 320, L, fill=img.linear("x", [(0, "#060607"), (60, "#0e0e10"), (100, "#17171a")])))
    img.add(rect(0, 0, 320, L, fill=img.radial([(0, "#ffffff", 0.06), (100, "#ffffff", 0.0)], cx=78, cy=50, r=58)))
    img.add(rect(0, 0, 320, L, fill=img.linear("y", [(0, "#000000", 0.35), (12, "#000000", 0.0),
                                                     (88, "#000000", 0.0), (100, "#000000", 0.35)])))


def navigation_band(img, L, tabs_v0=None, tabs_v1=None):
    """The band along the top of the display (x above 268): back and help at its ends, an
    optional tray for page names between them."""
    img.add(rect(268, 0, 52, L, fill=img.linear("x", [(0, "#050506"), (100, "#1d1d21")])))
    img.add(rect(268, 0, 52, L, fill=img.linear("x", [(0, "#ffffff", 0.0), (55, "#ffffff", 0.0),
                                                      (78, "#ffffff", 0.05), (100, "#ffffff", 0.0)])))
    img.add(rect(268, 0, 1.2, L, fill="#000000"))
    pinstripe(img, 269.6, 0, L)
    if tabs_v0 is not None:
        img.add(rect(284.5, tabs_v0, 35, tabs_v1 - tabs_v0, rx=6, fill="#030304",
                     stroke=BRASS_DARK, stroke_width="0.7", stroke_opacity="0.9"))
        img.add(rect(284.5, tabs_v0, 35, tabs_v1 - tabs_v0, rx=6,
                     fill=img.linear("x", [(0, "#ffffff", 0.07), (15, "#ffffff", 0.0), (80, "#000000", 0.0),
                                           (100, "#000000", 0.45)])))


def panel(img, u0, u1, v0, v1):
    """A recessed charcoal panel holding a group of controls."""
    img.add(rect(u0 - 1, v0 - 1, u1 - u0 + 2, v1 - v0 + 2, rx=11,
                 fill=img.linear("x", [(0, "#ffffff", 0.10), (6, "#ffffff", 0.0), (94, "#000000", 0.0),
                                       (100, "#000000", 0.6)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=10,
                 fill=img.linear("x", [(0, "#0a0a0c"), (100, "#18181c")]), stroke="#000000", stroke_width="1"))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=10,
                 fill=img.linear("x", [(0, "#000000", 0.0), (90, "#000000", 0.0), (100, "#000000", 0.35)])))


def cap(img, u0, u1, v0, v1, r=6.0):
    """A raised lacquer button anywhere on a screen (lit from the far side)."""
    button_cap_r(img, u0, u1, v0, v1, r)


def button_cap_r(img, u0, u1, v0, v1, r):
    img.add(rect(u0 - 1.8, v0 + 0.5, u1 - u0 + 1.0, v1 - v0 - 1.0, rx=r + 0.5,
                 fill=img.linear("x", [(0, "#000000", 0.7), (35, "#000000", 0.0)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=r,
                 fill=img.linear("x", [(0, "#0c0c0e"), (50, "#1b1b1f"), (100, "#313137")]),
                 stroke="#000000", stroke_width="0.9"))
    img.add(rect(u0 + 0.9, v0 + 0.9, u1 - u0 - 1.8, v1 - v0 - 1.8, rx=r - 0.8, fill="none",
                 stroke=img.linear("x", [(0, "#ffffff", 0.02), (70, "#ffffff", 0.06), (100, "#ffffff", 0.24)]),
                 stroke_width="0.8"))


def slider_track(img, u, v0, v1, ticks=(), major=()):
    """The groove a slider knob runs in (value 0 at v0, 1 at v1), with a scale above it."""
    for t in ticks:
        v = v0 + (v1 - v0) * t
        big = t in major
        img.add(rect(u + 6.5, v - 0.4, 5.5 if big else 3.2, 0.8, fill=SYMBOL, fill_opacity=0.55 if big else 0.3))
    img.add(rect(u - 3.5, v0 - 5, 7, v1 - v0 + 10, rx=3.5, fill="#010101"))
    img.add(rect(u - 3.5, v0 - 5, 7, v1 - v0 + 10, rx=3.5,
                 fill=img.linear("x", [(0, "#ffffff", 0.16), (30, "#ffffff", 0.0), (60, "#000000", 0.0),
                                       (100, "#000000", 0.5)])))
    img.add(rect(u - 0.6, v0, 1.2, v1 - v0, rx=0.6, fill=FELT, fill_opacity=0.55))


def value_window(img, u0, u1, v0, v1):
    """An ivory window for a number that the screen writes in black."""
    img.add(rect(u0 - 0.8, v0 - 0.8, u1 - u0 + 1.6, v1 - v0 + 1.6, rx=4.6, fill="#000000"))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=4,
                 fill=img.linear("x", [(0, "#f6f1e4"), (70, "#ebe4d3"), (100, "#cfc5ae")])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=4,
                 fill=img.linear("x", [(0, "#000000", 0.0), (75, "#000000", 0.0), (100, "#000000", 0.22)])))


def speaker_symbol(waves, colour=SYMBOL):
    out = [poly([(-7, -2.4), (-4, -2.4), (0, -6), (0, 6), (-4, 2.4), (-7, 2.4)], fill=colour)]
    for k in range(waves):
        r = 3.4 + 3.2 * k
        out.append(path(f"M{num(1.5 + r * 0.45)} {num(-r * 0.9)} A{num(r)} {num(r)} 0 0 1 {num(1.5 + r * 0.45)} {num(r * 0.9)}",
                        fill="none", stroke=colour, stroke_width="1.5", stroke_linecap="round"))
    return out


def quaver_symbol(colour=SYMBOL):
    return [ellipse(-2.2, 4.6, 3.0, 2.1, fill=colour, transform="rotate(-22 -2.2 4.6)"),
            rect(0.3, -7.0, 1.4, 11.4, fill=colour),
            path("M1.7 -7 C2.6 -3.6 6.6 -3.2 5.2 1.2 C5.4 -1.6 3.6 -2.6 1.7 -2.8 Z", fill=colour)]


def tap_symbol(colour=SYMBOL):
    return [circle(0, 0, 2.1, fill=colour),
            circle(0, 0, 4.6, fill="none", stroke=colour, stroke_width="1.1", stroke_opacity="0.7"),
            circle(0, 0, 7.2, fill="none", stroke=colour, stroke_width="1.0", stroke_opacity="0.4")]


def minus_symbol(colour=SYMBOL):
    return [rect(-5.5, -1.25, 11, 2.5, rx=1.0, fill=colour)]


def plus_symbol(colour=SYMBOL):
    return [rect(-5.5, -1.25, 11, 2.5, rx=1.0, fill=colour), rect(-1.25, -5.5, 2.5, 11, rx=1.0, fill=colour)]


def round_icon(name, note, symbol):
    """A round lacquer button, 36 points across, for the back and help icons."""
    img = Image(name, 36, 36, note)
    c = 18.0
    img.add(circle(c - 1.2, c, 17.2, fill=img.radial([(80, "#000000", 0.6), (100, "#000000", 0.0)])))
    img.add(circle(c, c, 16.0, fill=img.linear("x", [(0, "#2a2418"), (50, BRASS_DARK), (100, "#d9c48f")])))
    img.add(circle(c, c, 14.6, fill=img.linear("x", [(0, "#0b0b0d"), (55, "#1c1c20"), (100, "#34343a")])))
    img.add(circle(c, c, 14.6, fill=img.radial([(0, "#ffffff", 0.10), (100, "#ffffff", 0.0)], cx=80, cy=40, r=55)))
    img.add(upright(c, c, symbol(img)))
    img.write()


def back_symbol(img):
    return [path("M8.5 0 H-5", fill="none", stroke=SYMBOL, stroke_width="2.6", stroke_linecap="round"),
            polyline([(-0.8, -6.2), (-7.0, 0), (-0.8, 6.2)], fill="none", stroke=SYMBOL, stroke_width="2.6",
                     stroke_linecap="round", stroke_linejoin="round")]


def help_symbol(img):
    return [path("M-4.4 -3.6 C-4.4 -8.6 4.6 -8.8 4.6 -3.8 C4.6 -0.6 0.2 -0.2 0.2 3.0",
                 fill="none", stroke=SYMBOL, stroke_width="2.5", stroke_linecap="round"),
            circle(0.2, 7.4, 1.7, fill=SYMBOL)]


def right_arrow():
    """Page arrow of the settings screen: points up the keyboard; turned a half turn it
    serves as the left arrow."""
    img = Image("RightArrow", 100, 36, "next-page arrow, centre (161, 459.5) / tall (161, 549.5);"
                " turned a half turn at (161, 19.5) for the previous page")
    img.add(rect(1.5, 2.5, 96, 31, rx=15.5, fill="#000000", fill_opacity=0.35))
    img.add(rect(2.5, 2.5, 95, 31, rx=15.5, fill=img.linear("x", [(0, "#0c0c0e"), (100, "#222226")]),
                 stroke=BRASS_DARK, stroke_width="0.8", stroke_opacity="0.7"))
    img.add(upright(50, 18.5, chevrons_right(1, size=1.6)))
    img.write()


def slider_knob():
    img = Image("Slider", 30, 20, "slider knob: an ivory fader cap, centred on its track (x across, y along)")
    img.add(rect(0.5, 2.0, 27.5, 16.0, rx=3.5, fill="#000000", fill_opacity=0.55))
    img.add(rect(2.0, 1.5, 27.0, 17.0, rx=3.5, fill=img.linear("x", [(0, "#b9af99"), (35, "#e9e2d2"), (100, "#fffdf6")]),
                 stroke="#3d362a", stroke_width="0.7"))
    img.add(rect(2.0, 1.5, 27.0, 17.0, rx=3.5, fill=img.linear("y", [(0, "#ffffff", 0.5), (25, "#ffffff", 0.0),
                                                                   (75, "#000000", 0.0), (100, "#000000", 0.2)])))
    img.add(rect(4.5, 9.2, 22.0, 1.6, rx=0.8, fill=FELT))
    img.write()


# ---------------------------------------------------------------- settings pages

def settings_page(name, tall):
    L = 568 if tall else 480
    s = 45 if tall else 0
    return Image(name + ("-568h@2x" if tall else ""), 320, L,
                 "settings page, %d x %d, centred on the screen when shown" % (320, L)), L, s


def app_setup_view(tall):
    img, L, s = settings_page("AppSetupView", tall)
    screen_background(img, L)
    navigation_band(img, L, 113 + s, 367 + s)
    # Rows are tapped to step through their values; the name sits at the start, the value in
    # the window. Row centres follow the labels; the rows themselves are ivory, like keys.
    v0, v1 = 76 + s, 400 + s
    for c in (197, 159, 120, 82, 44):
        u0, u1 = c - 17, c + 17
        img.add(rect(u0 - 2.2, v0 + 0.5, u1 - u0 + 1, v1 - v0 - 1, rx=7,
                     fill=img.linear("x", [(0, "#000000", 0.75), (30, "#000000", 0.0)])))
        img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=6,
                     fill=img.linear("x", [(0, "#d8cfbb"), (20, "#efe9db"), (70, "#f8f4ea"), (100, "#fffdf7")])))
        img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=6,
                     fill=img.linear("y", [(0, "#ffffff", 0.4), (4, "#ffffff", 0.0), (85, "#000000", 0.0),
                                           (100, "#000000", 0.12)])))
        img.add(rect(u0 + 0.8, v0 + 0.8, u1 - u0 - 1.6, v1 - v0 - 1.6, rx=5.4, fill="none",
                     stroke="#ffffff", stroke_width="0.8", stroke_opacity="0.7"))
        w0, w1 = 263 + s, 377 + s
        img.add(rect(c - 12.5, w0, 25, w1 - w0, rx=4,
                     fill=img.linear("x", [(0, "#ddd4c1"), (100, "#cfc5af")])))
        img.add(rect(c - 12.5, w0, 25, w1 - w0, rx=4,
                     fill=img.linear("x", [(0, "#000000", 0.0), (70, "#000000", 0.0), (100, "#000000", 0.18)])))
        img.add(rect(c - 12.5, w0, 25, w1 - w0, rx=4, fill="none", stroke="#8c826e", stroke_width="0.6"))
        img.add(upright(c, v1 - 12, chevrons_right(1, colour="#8a7f6a", size=0.75)))
    keyboard_emblem(img, 242, 240 + s)
    img.write()


def keyboard_emblem(img, u, v, keys=10, key=7.0, depth=20.0):
    """A small keyboard in a brass frame: the page's emblem."""
    v0 = v - keys * key / 2
    u0 = u - depth / 2
    img.add(rect(u0 - 2.5, v0 - 2.5, depth + 5, keys * key + 5, rx=3, fill="#050505",
                 stroke=BRASS, stroke_width="0.8", stroke_opacity="0.8"))
    ivory = img.linear("x", [(0, "#f7f2e6"), (75, "#e8e1d0"), (100, "#c8bea9")])
    for i in range(keys):
        img.add(rect(u0, v0 + i * key + 0.3, depth, key - 0.6, rx=0.8, fill=ivory))
    ebony = img.linear("y", [(0, "#3a3a3f"), (40, "#151517"), (100, "#050505")])
    for i in range(keys - 1):
        if "CDEFGAB"[i % 7] in "CDFGA":
            b = v0 + (i + 1) * key
            img.add(rect(u0 + depth * 0.42, b - 2.2, depth * 0.58, 4.4, rx=0.7, fill=ebony))


def piano_setup_view(tall):
    img, L, s = settings_page("PianoSetupView", tall)
    screen_background(img, L)
    navigation_band(img, L, 113 + s, 367 + s)
    # Sustain times: two sliders (normal above, pedal below), each with its test note.
    panel(img, 48, 176, 44 + s, 436 + s)
    quarters = [i / 8 for i in range(9)]
    for u in (126, 77):
        slider_track(img, u, 154 + s, 320 + s, quarters, (0, 0.5, 1))
    for c in (78, 125):
        cap(img, c - 15, c + 15, 361 + s, 424 + s)
        img.add(upright(c, 414 + s, quaver_symbol(), scale=0.75))
    # Output volume: the platform's control lies over this panel (x 173..223, y 115..365).
    panel(img, 180, 264, 44 + s, 436 + s)
    img.add(upright(198, 96 + s, speaker_symbol(0), scale=0.85))
    img.add(upright(200, 384 + s, speaker_symbol(2), scale=0.85))
    img.write()


def metro_setup_view(tall):
    img, L, s = settings_page("MetroSetupView", tall)
    screen_background(img, L)
    navigation_band(img, L, 113 + s, 367 + s)
    # Volume and tempo sliders.
    panel(img, 54, 168, 44 + s, 436 + s)
    slider_track(img, 89, 160 + s, 381 + s, [i / 8 for i in range(9)], (0, 0.5, 1))
    tempo_ticks = [(t - 50) / 200 for t in range(50, 251, 10)]
    slider_track(img, 147, 158 + s, 337 + s, tempo_ticks, tuple((t - 50) / 200 for t in range(50, 251, 50)))
    value_window(img, 136, 158, 376 + s, 412 + s)
    # Switch, beats per bar and tap tempo.
    panel(img, 172, 264, 44 + s, 436 + s)
    cap(img, 188, 228, 61 + s, 120 + s)
    lamp_socket(img, 212, 91 + s)
    cap(img, 193, 228, 158 + s, 221 + s)
    img.add(upright(210.5, 189.5 + s, minus_symbol()))
    value_window(img, 194, 216, 224 + s, 252 + s)
    cap(img, 193, 228, 262 + s, 322 + s)
    img.add(upright(210.5, 292 + s, plus_symbol()))
    cap(img, 188, 228, 361 + s, 427 + s)
    img.add(upright(215, 394 + s, tap_symbol()))
    img.write()


def settings_images():
    for tall in (False, True):
        app_setup_view(tall)
        piano_setup_view(tall)
        metro_setup_view(tall)
    round_icon("BackIcon", "back to the keyboard, centre (300.5, 20.5)", back_symbol)
    round_icon("HelpIcon", "open the manual, centre (300.5, 461.5) / tall (300.5, 547)", help_symbol)
    right_arrow()
    slider_knob()


# ---------------------------------------------------------------- song library and manual

PAPER_LIGHT = "#f8f4e9"
PAPER = "#f1ebdc"
PAPER_EDGE = "#ddd3bd"
INK = "#2a2620"
ERASE_RED = "#c0312c"


def paper(img, u0, u1, v0, v1, rx=8.0):
    """A sheet of warm ivory paper lying on the lacquer, for screens with black text."""
    img.add(rect(u0 - 2.2, v0 + 0.5, u1 - u0 + 1.4, v1 - v0 - 1.0, rx=rx + 1,
                 fill=img.linear("x", [(0, "#000000", 0.8), (12, "#000000", 0.0)])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=rx,
                 fill=img.linear("x", [(0, PAPER_EDGE), (6, PAPER), (70, PAPER_LIGHT), (100, "#fbf8f0")])))
    img.add(rect(u0, v0, u1 - u0, v1 - v0, rx=rx,
                 fill=img.linear("y", [(0, "#6b5a3a", 0.10), (5, "#6b5a3a", 0.0), (95, "#6b5a3a", 0.0),
                                       (100, "#6b5a3a", 0.10)])))
    img.add(rect(u0 + 5, v0 + 5, u1 - u0 - 10, v1 - v0 - 10, rx=max(rx - 4, 1), fill="none",
                 stroke=BRASS_DARK, stroke_width="0.6", stroke_opacity="0.45"))


def eraser_symbol():
    return [group([rect(-8.0, -3.6, 16.0, 7.2, rx=1.4, fill=SYMBOL),
                   rect(-8.0, -3.6, 6.0, 7.2, rx=1.4, fill="#d9574f"),
                   rect(-2.6, -3.6, 0.9, 7.2, fill="#1a1a1d", fill_opacity=0.6)],
                  transform="rotate(-35)"),
            rect(-8.5, 7.0, 17.0, 1.3, rx=0.6, fill=SYMBOL, fill_opacity=0.6)]


def floppy_symbol(colour=SYMBOL):
    d = ("M-9 -9 H5.5 L9 -5.5 V9 H-9 Z "
         "M-5.2 -9 V-3.2 H4.2 V-9 Z "
         "M-6.2 1.2 H6.2 V9 H-6.2 Z")
    return [path(d, fill=colour, fill_rule="evenodd"),
            rect(0.8, -8.0, 2.0, 3.8, fill=colour),
            rect(-4.6, 3.4, 9.2, 0.9, fill=colour, fill_opacity=0.6),
            rect(-4.6, 5.8, 9.2, 0.9, fill=colour, fill_opacity=0.6)]


def folder_symbol(colour=SYMBOL):
    return [path("M-10 -4 V8 H10 V-2 H0 L-2.5 -4 Z", fill=colour, fill_opacity=0.55),
            path("M-10 8 L-7.6 -0.2 H12 L10 8 Z", fill=colour),
            polyline([(-1.6, -6.0), (2.2, -10.2), (6.0, -6.0)], fill="none", stroke=colour, stroke_width="1.9",
                     stroke_linecap="round", stroke_linejoin="round"),
            rect(1.25, -9.6, 1.9, 7.0, rx=0.9, fill=colour)]


def bin_symbol(colour=SYMBOL):
    return [rect(-8.5, -7.8, 17, 2.2, rx=1.0, fill=colour),
            rect(-2.8, -10.0, 5.6, 2.6, rx=1.0, fill=colour),
            path("M-7 -4.6 H7 L5.8 9.5 H-5.8 Z M-3.4 -2.6 V7.4 H-2.0 V-2.6 Z M-0.7 -2.6 V7.4 H0.7 V-2.6 Z "
                 "M2.0 -2.6 V7.4 H3.4 V-2.6 Z", fill=colour, fill_rule="evenodd")]


def square_button(name, note, symbol):
    img = Image(name, 46, 46, note)
    cap(img, 2.5, 44.5, 2.5, 43.5, r=8)
    img.add(upright(23.5, 23, symbol))
    img.write()


def load_up_arrow():
    img = Image("LoadUpArrow", 32, 44, "song list scroll arrow pointing up the list (toward row 0), centre (178, 380);"
                " turned a half turn at (43, 380) it scrolls down")
    cap(img, 2.5, 30.5, 2.5, 41.5, r=8)
    img.add(upright(16.5, 22, [polyline([(-6.4, 3.4), (0, -3.0), (6.4, 3.4)], fill="none", stroke=SYMBOL,
                                        stroke_width="2.6", stroke_linecap="round", stroke_linejoin="round")]))
    img.write()


def erase_badge():
    return [circle(0, 0, 7.2, fill=ERASE_RED, stroke="#f4e9dc", stroke_width="1.2"),
            path("M-3 -3 L3 3 M3 -3 L-3 3", fill="none", stroke="#ffffff", stroke_width="1.8", stroke_linecap="round")]


def staff(x0, x1, y0, gap, colour=SYMBOL, opacity=0.55, lines=5):
    return [rect(x0, y0 + i * gap - 0.35, x1 - x0, 0.7, fill=colour, fill_opacity=opacity) for i in range(lines)]


def note_head_and_stem(x, y, colour=SYMBOL, stem=13.0):
    return [ellipse(x, y, 3.3, 2.4, fill=colour, transform=f"rotate(-22 {num(x)} {num(y)})"),
            rect(x + 2.2, y - stem, 1.2, stem, fill=colour)]


def modify_icons():
    """The three erase targets of the song library's modify mode, on plaques; each target's
    name is written by the screen just below it."""
    # Image x 82..178, y 28..460 on the screen (centre (130, 244)).
    ox, oy = 82.0, 28.0
    img = Image("ModifyIcons", 96, 432, "erase targets (last note, last track, whole song), centre (130, 244) in"
                " the modify view; plaques on the touch zones x 85..175")
    targets = [(36, 150), (156, 281), (287, 441)]
    for y0, y1 in targets:
        cap(img, 85 - ox, 175 - ox, y0 - oy, y1 - oy, r=10)
        img.add(rect(88 - ox, y0 - oy + 3, 84, y1 - y0 - 6, rx=8, fill="none", stroke=BRASS,
                     stroke_width="0.6", stroke_opacity="0.5"))
    cu = 130 - ox
    # last note: a short phrase whose last note is struck out
    c = (targets[0][0] + targets[0][1]) / 2 - oy
    phrase = staff(-26, 26, -8, 4.0)
    for x, y in ((-18, 4), (-7, 0), (4, -4)):
        phrase += note_head_and_stem(x, y)
    phrase += note_head_and_stem(13, -6, colour="#e0837c")
    phrase += [group(erase_badge(), transform="translate(27 -17)")]
    img.add(upright(cu, c, phrase, scale=1.3))
    # last track: three layered tracks, the top one struck out
    c = (targets[1][0] + targets[1][1]) / 2 - oy
    layers = []
    for k, y in enumerate((10.0, 0.0, -10.0)):
        top = k == 2
        col = "#e0837c" if top else SYMBOL
        layers.append(rect(-28, y - 3.8, 56, 7.6, rx=2.5, fill=col, fill_opacity=0.95 if top else 0.75))
        for x in (-20, -9, 3, 15):
            layers.append(rect(x, y - 1.2 + ((x // 5) % 3 - 1) * 1.0, 7, 2.0, rx=1.0, fill="#1a1a1d", fill_opacity=0.75))
    layers += [group(erase_badge(), transform="translate(27 -15)")]
    img.add(upright(cu, c, layers, scale=1.3))
    # whole song: a sheet of music struck out
    c = (targets[2][0] + targets[2][1]) / 2 - oy
    sheet = [path("M-17 -22 H11 L17 -16 V22 H-17 Z", fill=SYMBOL, fill_opacity=0.92),
             path("M11 -22 V-16 H17 Z", fill="#9c947f")]
    for y in (-13, -1, 11):
        sheet += staff(-13, 13, y, 2.0, colour="#1a1a1d", opacity=0.6)
    for x, y in ((-8, -9), (0, -11), (7, 2), (-4, 12)):
        sheet.append(ellipse(x, y, 1.8, 1.3, fill="#1a1a1d", fill_opacity=0.8))
    sheet += [group(erase_badge(), transform="translate(17 -21) scale(1.25)")]
    img.add(upright(cu, c, sheet, scale=1.3))
    img.write()


def message_box():
    """The song library's message box: a lacquer panel with a brass rim, for ivory text."""
    W, H = 137, 265
    img = Image("MessageBox", W, H, "song library message box, frame (63, 104, 137, 265) / tall (63, 144, ...)")
    img.add(rect(0, 0, W, H, rx=10, fill=img.linear("x", [(0, "#08080a"), (60, LACQUER), (100, "#1c1c20")])))
    img.add(rect(0, 0, W, H, rx=10,
                 fill=img.linear("y", [(0, "#ffffff", 0.04), (30, "#ffffff", 0.0), (70, "#000000", 0.0),
                                       (100, "#000000", 0.2)])))
    img.add(rect(0.6, 0.6, W - 1.2, H - 1.2, rx=9.5, fill="none", stroke=BRASS, stroke_width="1.2",
                 stroke_opacity="0.85"))
    img.add(rect(5, 5, W - 10, H - 10, rx=6, fill="none", stroke=BRASS_DARK, stroke_width="0.6",
                 stroke_opacity="0.6"))
    img.write()


def message_box_button():
    """OK and CANCEL: ivory caps like the key tops, for black text, lit from the far side."""
    W, H = 30, 112
    img = Image("MessageBoxButton", W, H, "OK / CANCEL button of the message box, under its label")
    img.add(rect(0, 0, W, H, rx=6, fill="#000000"))
    img.add(rect(0.8, 0.8, W - 1.6, H - 1.6, rx=5.4,
                 fill=img.linear("x", [(0, IVORY_SHADE), (18, IVORY_MID), (70, IVORY_NEAR), (100, "#ffffff")])))
    img.add(rect(0.8, 0.8, 3.2, H - 1.6, rx=1.6, fill="#6b5f48", fill_opacity=0.25))
    img.write()


def song_list_selection():
    """The selected row of the song list, across the whole list panel: lacquer for ivory text,
    with brass edges."""
    W, H = 26, 370
    img = Image("SongListSelection", W, H, "selected song row, across the list panel (y 30..400)")
    img.add(rect(0, 0, W, H, rx=4, fill=img.linear("x", [(0, "#060607"), (55, LACQUER), (100, "#26262b")])))
    img.add(rect(0.5, 0.5, W - 1, H - 1, rx=3.6, fill="none", stroke=BRASS, stroke_width="1.0",
                 stroke_opacity="0.8"))
    img.write()


def recorder_back(tall):
    L = 568 if tall else 480
    name = "RecorderBack" + ("-568h@2x" if tall else "")
    img = Image(name, 320, L, "song library screen background, %d x %d" % (320, L))
    screen_background(img, L)
    navigation_band(img, L)
    # Both modes lay their controls and black texts over this paper; the song list and name
    # panels, the message box and the buttons are drawn by the screen.
    paper(img, 8, 262, 6, L - 6)
    # Mode buttons: songs (load and save) and erase (modify), each with its lamp.
    modes = [((194, 284, 250) if tall else (150, 240, 205), notes_symbol(), -1),
             ((284, 374, 318) if tall else (240, 330, 274), eraser_symbol(), 1)]
    for (v0, v1, lamp), symbol, side in modes:
        cap(img, 275, 318, v0 + 2, v1 - 2)
        lamp_socket(img, 299, lamp)
        img.add(upright(297, lamp + side * 31, symbol))
    img.write()


def manual_back():
    """The manual page: paper all over (the texts are black), a header band for the page
    arrows and number, a footer band for the back button and the web link.  It is stretched
    along y on the tall screen, so it holds no round shapes."""
    img = Image("ManualBack", 320, 480, "manual background, whole screen (stretched along y on the tall screen)")
    img.add(rect(0, 0, 320, 480, fill=LACQUER))
    img.add(rect(0, 0, 320, 480, fill=img.linear("x", [(0, PAPER_EDGE), (4, PAPER), (60, PAPER_LIGHT), (100, "#fbf8f0")])))
    img.add(rect(0, 0, 320, 480, fill=img.linear("y", [(0, "#6b5a3a", 0.12), (4, "#6b5a3a", 0.0), (96, "#6b5a3a", 0.0),
                                                       (100, "#6b5a3a", 0.12)])))
    # header band (page arrows and number) and footer band (back, web link)
    img.add(rect(284, 0, 36, 480, fill=img.linear("x", [(0, "#e9e1cd"), (100, "#efe8d7")])))
    img.add(rect(283.6, 8, 0.8, 464, fill=BRASS_DARK, fill_opacity=0.7))
    img.add(rect(281.6, 8, 0.5, 464, fill=BRASS_DARK, fill_opacity=0.4))
    img.add(rect(0, 0, 31, 480, fill=img.linear("x", [(0, "#e3dac4"), (100, "#ebe3d0")])))
    img.add(rect(30.6, 8, 0.8, 464, fill=BRASS_DARK, fill_opacity=0.7))
    img.add(rect(32.9, 8, 0.5, 464, fill=BRASS_DARK, fill_opacity=0.4))
    # a row of keys as the header's ornament, either side of the page number
    for v0 in (70.0, 312.5):
        n = 15          # two octaves from C, and the next C
        for i in range(n):
            img.add(rect(305, v0 + i * 6.5 + 0.4, 10, 5.7, fill="#fbf8f0", stroke="#a39a86", stroke_width="0.3"))
        for i in range(n - 1):
            if "CDEFGAB"[i % 7] in "CDFGA":
                b = v0 + (i + 1) * 6.5
                img.add(rect(309.5, b - 1.9, 5.5, 3.8, fill="#2a2a2e"))
    img.write()


def manual_arrow(name, note, width, height, button_u0, button_v0, pointing_right):
    """A page arrow whose visible button sits at screen x 270..296, inside the touch zone,
    whatever the image's centre; the rest of the image is transparent."""
    img = Image(name, width, height, note)
    cap(img, button_u0, button_u0 + 26, button_v0, button_v0 + 28, r=7)
    arrow = chevrons_right(1, size=1.0) if pointing_right else chevrons(1, size=1.0)
    img.add(upright(button_u0 + 13.5, button_v0 + 14, arrow))
    img.write()


def manual_back_button():
    img = Image("ManualBackButton", 30, 88, "manual back button, centre (15, 240) / tall (15, 284)")
    cap(img, 3, 28, 3, 85, r=9)
    img.add(upright(15.5, 44, [path("M-9 -2.4 H5 C10.5 -2.4 10.5 7.6 5 7.6 H-1", fill="none", stroke=SYMBOL,
                                     stroke_width="2.3", stroke_linecap="round", stroke_linejoin="round"),
                                polyline([(-4.6, -7.2), (-9.6, -2.4), (-4.6, 2.4)], fill="none", stroke=SYMBOL,
                                         stroke_width="2.3", stroke_linecap="round", stroke_linejoin="round")]))
    img.write()


def library_and_manual_images():
    recorder_back(False)
    recorder_back(True)
    modify_icons()
    square_button("SaveIcon", "save the song under the typed name, centre (225.5, 430)", floppy_symbol())
    square_button("LoadIcon", "load the selected song, centre (169.5, 430.5)", folder_symbol())
    square_button("EraseIcon", "erase the selected song's file, centre (56, 430)", bin_symbol())
    load_up_arrow()
    message_box()
    message_box_button()
    song_list_selection()
    manual_back()
    manual_arrow("ManualLeftArrow", "previous manual page, centre (295, 15); visible button at x 270..296",
                 50, 28, 0, 0, False)
    manual_arrow("ManualRightArrow", "next manual page, centre (276.5, 436) / tall (276.5, 525);"
                 " visible button at x 270..296", 40, 32, 13.5, 4, True)
    manual_back_button()


# ---------------------------------------------------------------- main

def keyboard_images():
    white_key("WhiteKeyUp", False, False)
    white_key("WhiteKeyDown", True, False)
    white_key("WhiteKeyDownLeftShadow", True, True)
    black_key("BlackKeyUp", False)
    black_key("BlackKeyDown", True)
    led_lit()
    top_bar_single(False)
    top_bar_single(True)


def dual_keyboard_images():
    top_bar_dual(False)
    top_bar_dual(True)
    left_border_dual()
    button_pressed()


if __name__ == "__main__":
    keyboard_images()
    dual_keyboard_images()
    settings_images()
    library_and_manual_images()
