#!/usr/bin/env python3
"""Draws ktray's artwork and writes it as Windows BMP and ICO files: the menu images, the tray
icon, the popup's banner and the splash. Plain python3 so the build can run it anywhere; change
a picture here and rebuild.

usage: make_artwork.py OUTPUT_DIR [--version TEXT]
"""

import math
import os
import struct
import sys

# The sixteen colours every Windows display has. The menu images and the icon use only these;
# black, dark grey, light grey and white are the ones the system-colour mapping of toolbar
# bitmaps replaces, and light grey is the images' background (it becomes their mask).
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Letters of the 16x16 drawings: each names one of the sixteen colours.
PIXEL_COLOURS = {
    'k': VGA[0], 'r': VGA[1], 'G': VGA[2], 'o': VGA[3], 'b': VGA[4], 'm': VGA[5], 't': VGA[6],
    '.': VGA[7], 'g': VGA[8], 'R': VGA[9], 'L': VGA[10], 'Y': VGA[11], 'B': VGA[12],
    'M': VGA[13], 'C': VGA[14], 'w': VGA[15],
}
BACKGROUND = VGA[7]

# --- the menu images, in the order of the toolbar resource --------------------------------------

DISPLAY_PROPERTIES = """
................
.kkkkkkkkkkkkkk.
.kwwwwwwwwwwwgk.
.kwbbbbbbbbbbgk.
.kwbBBBBBBwwbgk.
.kwbBBBBBBBwbgk.
.kwbBBBBBBBBbgk.
.kwbBBBBBBBBbgk.
.kwbBBBBBBBBbgk.
.kwbbbbbbbbbbgk.
.kwggggggggLggk.
.kkkkkkkkkkkkkk.
......kggk......
....kkggggkk....
....kkkkkkkk....
................
"""

ABOUT = """
................
.....bbbbbb.....
...bbBBBBBBbb...
..bBBBBwwBBBBb..
..bBBBBwwBBBBb..
.bBBBBBBBBBBBBb.
.bBBBBwwwBBBBBb.
.bBBBBBwwBBBBBb.
.bBBBBBwwBBBBBb.
.bBBBBBwwBBBBBb.
..bBBBBwwBBBBb..
..bBBBwwwwBBBb..
...bbBBBBBBbb...
.....bbbbbb.....
................
................
"""

EXIT = """
................
.kkkkkkkkk......
.kggggggkk......
.kgwrrrrrk......
.kgwrrrrrk..R...
.kgwrrrrrk..RR..
.kgwrrrrrk..RRR.
.kgwrYrRRRRRRRRR
.kgwrYrRRRRRRRRR
.kgwrrrrrk..RRR.
.kgwrrrrrk..RR..
.kgwrrrrrk..R...
.kgwrrrrrk......
.kggggggkk......
.kkkkkkkkk......
................
"""

WEB_SITE = """
................
.....kkkkkk.....
...kkBBGGBBkk...
..kBBBGGGBBBBk..
..kBGGGGBBBGGk..
.kBBGGGBBBBGGGk.
.kBBBGGGBBBBGGk.
.kBBBBGGBBBBBBk.
.kBBBBGGGGBBBBk.
.kBBBBBGGGGBBBk.
.kBBBBBBGGGBBBk.
..kBBBBBGGBBBk..
..kBBBBBBGBBBk..
...kkBBBBBBkk...
.....kkkkkk.....
................
"""

BIOS_FLASH = """
................
..g.g.g.g.g.g...
..g.g.g.g.g.g...
.kkkkkkkkkkkkk..
.kkkkkkkkkYYkk..
.kwkkkkkkYYkkk..
.kkkkkkkYYkkkk..
.kkkkkkYYYYYkk..
.kkkkkkkkYYkkk..
.kkkkkkkYYkkkk..
.kkkkkkYYkkkkk..
.kkkkkkkkkkkkk..
..g.g.g.g.g.g...
..g.g.g.g.g.g...
................
................
"""

DMI_TOOL = """
................
................
GGGGGGGGGGGGGGG.
GkkkkkGGGgggggG.
GkkkkkGLGgwwwgG.
GkkkkkGLGgggggG.
GGGLGGGLGGGGGGG.
GGGLLLLLLLLGkkG.
GGGGGGGGGGLGkkG.
GkkGkkGkkGLGGGG.
GkkGkkGkkGLLLLG.
GGGGGGGGGGGGGGG.
GGYGYGYGYGYGYGG.
..Y.Y.Y.Y.Y.Y...
................
................
"""

SYSTEM_INFO = """
................
....kkkkk.......
..kkCCCCCkk.....
..kCwwCCCCCk....
.kCwwCCCCCCCk...
.kCwCCCCCCCCk...
.kCCCCCCCCCCk...
.kCCCCCCCCCCk...
.kCCCCCCCCCCk...
..kCCCCCCCCk....
..kkCCCCCkkk....
....kkkkkkrrk...
..........krrrk.
...........krrrk
............krrk
.............kk.
"""

TUNING_GAUGE = """
................
................
.....kkkkkk.....
...kkYYYYYYkk...
..kLLwwwwwwRRk..
.kLLwwwwwwwwRRk.
.kLwwwwwwwwkwRk.
kLLwwwwwwwkkwRRk
kLwwwwwwwkkwwwRk
kLwwwwwwkkwwwwRk
kwwwwwwkkkwwwwwk
kwwwwwkkkkkwwwwk
kkkkkkkkkkkkkkkk
................
................
................
"""

RUN_TUNING_TOOL = """
................
................
.....kkkkkk.....
...kkYYYYYYkk...
..kLLwwwwwwRRk..
.kLLwwwwwwwwRRk.
.kLwwwwwwwwwwRk.
kLLwwwwwwwwwkRRk
kLwwwwwwwwkkkwRk
kLwwwwwwkkkwwwRk
kwwwwwwkkkwwwwwk
kwwwwwkkkkkwwwwk
kkkkkkkkkkkkkkkk
................
................
................
"""

MEDIA_PLAYER = """
................
................
kkkkkkkkkkkkkkkk
kwkkwkkwkkwkkwkk
kkkkkkkkkkkkkkkk
kbbbbbLbbbbbbbbk
kbbbbbLLbbbbbbbk
kbbbbbLLLbbbbbbk
kbbbbbLLLLbbbbbk
kbbbbbLLLbbbbbbk
kbbbbbLLbbbbbbbk
kbbbbbLbbbbbbbbk
kkkkkkkkkkkkkkkk
kwkkwkkwkkwkkwkk
kkkkkkkkkkkkkkkk
................
"""

CD_PLAYER = """
................
.....gggggg.....
...ggwwwwwwgg...
..gwwwwwwwwCCg..
..gwwwwwwwCCwg..
.gwwwwwwwCCwwwg.
.gwwwwggggwwwwg.
.gwwwwg..gwwwwg.
.gwwwwg..gwwwwg.
.gwwwwggggwwwwg.
.gwwwMMwwwwwwwg.
..gwMMwwwwwwwg..
..gYYwwwwwwwwg..
...ggwwwwwwgg...
.....gggggg.....
................
"""

LOGO_TOOL = """
................
.oooooooooooooo.
.oCCCCCCCCCCCCo.
.oCCCCCCCCYYCCo.
.oCCCCCCCYYYYCo.
.oCCCCCCCYYYYCo.
.oCCCCCCCCYYCCo.
.oCCCGCCCCCCCCo.
.oCCGGGCCCCCCCo.
.oCGGGGGCCCGCCo.
.oGGGGGGGCGGGGo.
.oGGGGGGGGGGGGo.
.oGGGGGGGGGGGGo.
.oooooooooooooo.
................
................
"""

# The tray icon's small image; '.' is transparent here.
SMALL_TRAY_ICON = """
.....gggggg.....
...ggkkkkkkgg...
..gkkYYYYYYkkg..
.gkLLkkkkkkRRkg.
.gkLkkkkkkkwRkg.
gkLLkkkkkkwwRRkg
gkLkkkkkkwwkkRkg
gkLkkkkkwwkkkRkg
gkLkkkkRRkkkkRkg
gkLkkkkRRkkkkRkg
gkkkkkkkkkkkkkkg
.gkkkkkkkkkkkkg.
.gkkkkkkkkkkkkg.
..gkkkkkkkkkkg..
...ggkkkkkkgg...
.....gggggg.....
"""

# The toolbar's commands and their images, in the order of the toolbar resource.
MENU_IMAGES = [
    (32792, DISPLAY_PROPERTIES), (57664, ABOUT), (57665, EXIT), (32816, WEB_SITE),
    (32817, BIOS_FLASH), (32819, DMI_TOOL), (32820, SYSTEM_INFO), (32844, TUNING_GAUGE),
    (32822, MEDIA_PLAYER), (32824, CD_PLAYER), (32845, RUN_TUNING_TOOL), (32850, LOGO_TOOL),
]

# --- a small bitmap font of our own (5 wide, 7 high above the baseline, 2 below) -------------

GLYPHS = {
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'g': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'i': ["#", ".", "#", "#", "#", "#", "#"],
    'l': ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'n': [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    's': [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    't': [".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."],
    'v': [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'y': [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", "....#", ".###."],
    '0': [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    '1': ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    '4': ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    '5': ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    '6': ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    '8': [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    '9': [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    '.': [".", ".", ".", ".", ".", ".", "#"],
    ' ': ["...", "...", "...", "...", "...", "...", "..."],
}


def text_pixels(text):
    """The lit pixels of a text as (x, y) with y 0 at the top of a capital, and its width."""
    pixels, x = [], 0
    for ch in text:
        if ch not in GLYPHS:
            raise ValueError(f"the font has no {ch!r}")
        rows = GLYPHS[ch]
        for y, row in enumerate(rows):
            pixels.extend((x + gx, y) for gx, c in enumerate(row) if c == '#')
        x += len(rows[0]) + 1
    return pixels, x - 1


# --- drawing ------------------------------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill_where(self, inside, colour):
        """Colours every pixel whose centre the predicate accepts."""
        for y in range(self.height):
            for x in range(self.width):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def text(self, text, x0, y0, scale, colour, shadow=None):
        pixels, _ = text_pixels(text)
        for layer, dx, dy in ((shadow, 1, 1), (colour, 0, 0)):
            if layer is None:
                continue
            for px, py in pixels:
                for sy in range(scale):
                    for sx in range(scale):
                        self.put(x0 + px * scale + sx + dx, y0 + py * scale + sy + dy, layer)


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def near_segment(px, py, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy)) <= half_width


def draw_gauge(canvas, cx, cy, r, palette, needle_degrees):
    """A round dial: rim, face, a green-yellow-red scale over the upper 270 degrees, ticks, a
    needle and its hub. Angles count anticlockwise from three o'clock."""
    def polar(p, q):
        return math.hypot(p - cx, q - cy), math.degrees(math.atan2(cy - q, p - cx)) % 360

    def on_scale(a):  # the scale runs from 225 (lower left) over the top to -45 (lower right)
        return a <= 225 or a >= 315

    def scale_colour(a):
        sweep = (225 - a) % 360  # 0 at the scale's start, 270 at its end
        return palette['low'] if sweep < 120 else palette['mid'] if sweep < 200 else palette['high']

    canvas.fill_where(lambda p, q: polar(p, q)[0] <= r, palette['rim'])
    canvas.fill_where(lambda p, q: polar(p, q)[0] <= r * 0.86, palette['face'])
    for y in range(canvas.height):
        for x in range(canvas.width):
            d, a = polar(x + 0.5, y + 0.5)
            if r * 0.62 <= d <= r * 0.80 and on_scale(a):
                canvas.pixels[y][x] = scale_colour(a)
    for step in range(10):
        a = math.radians(225 - step * 30)
        ax, ay = cx + math.cos(a) * r * 0.62, cy - math.sin(a) * r * 0.62
        bx, by = cx + math.cos(a) * r * 0.80, cy - math.sin(a) * r * 0.80
        canvas.fill_where(lambda p, q: near_segment(p, q, ax, ay, bx, by, max(0.6, r * 0.03)),
                          palette['tick'])
    a = math.radians(needle_degrees)
    tip_x, tip_y = cx + math.cos(a) * r * 0.78, cy - math.sin(a) * r * 0.78
    canvas.fill_where(lambda p, q: near_segment(p, q, cx, cy, tip_x, tip_y, max(0.7, r * 0.05)),
                      palette['needle'])
    canvas.fill_where(lambda p, q: polar(p, q)[0] <= max(1.2, r * 0.14), palette['hub'])


# --- file formats -------------------------------------------------------------------------------

def nearest_vga(colour):
    return min(range(16), key=lambda i: sum((VGA[i][c] - colour[c]) ** 2 for c in range(3)))


def pack_rows(indices, width, height, bits):
    """Bottom-up DIB rows of palette indices (or RGB triples at 24 bits), padded to 4 bytes."""
    data = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        if bits == 24:
            for x in range(width):
                r, g, b = indices[y][x]
                row += bytes((b, g, r))
        else:
            per_byte = 8 // bits
            for x0 in range(0, width, per_byte):
                byte = 0
                for i in range(per_byte):
                    value = indices[y][x0 + i] if x0 + i < width else 0
                    byte |= value << (8 - bits * (i + 1))
                row.append(byte)
        row += bytes(-len(row) % 4)
        data += row
    return bytes(data)


def info_header(width, height, bits, colours, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def palette_bytes(palette):
    return b''.join(bytes((b, g, r, 0)) for r, g, b in palette)


def write_bmp(path, canvas, fixed_palette=None):
    """4 bits with the given palette, else 8 bits with the picture's own colours."""
    if fixed_palette is not None:
        palette, bits = fixed_palette, 4
        lookup = {c: i for i, c in enumerate(palette)}
        indices = [[lookup[c] for c in row] for row in canvas.pixels]
    else:
        palette = sorted({c for row in canvas.pixels for c in row})
        if len(palette) > 256:
            raise ValueError(f"{path}: {len(palette)} colours do not fit a 256-colour bitmap")
        bits = 8
        lookup = {c: i for i, c in enumerate(palette)}
        indices = [[lookup[c] for c in row] for row in canvas.pixels]
    rows = pack_rows(indices, canvas.width, canvas.height, bits)
    header = info_header(canvas.width, canvas.height, bits, len(palette), len(rows))
    body = header + palette_bytes(palette) + rows
    offset = 14 + len(header) + 4 * len(palette)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(body), 0, 0, offset) + body)


def icon_image(canvas):
    """One 16-colour icon image: header of twice the height, palette, colour bits, AND mask.
    Pixels that are None are transparent."""
    w, h = canvas.width, canvas.height
    colour = [[0 if c is None else nearest_vga(c) for c in row] for row in canvas.pixels]
    mask = [[1 if c is None else 0 for c in row] for row in canvas.pixels]
    xor_bits = pack_rows(colour, w, h, 4)
    and_bits = pack_rows(mask, w, h, 1)
    return info_header(w, h * 2, 4, 16, len(xor_bits) + len(and_bits)) + palette_bytes(VGA) + \
        xor_bits + and_bits


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack('<BBBBHHII', canvas.width, canvas.height, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


# --- the pictures -------------------------------------------------------------------------------

def drawing_rows(name, drawing):
    rows = drawing.strip('\n').split('\n')
    if len(rows) != 16 or any(len(row) != 16 for row in rows):
        raise ValueError(f"the drawing {name} is not 16x16")
    return rows


def menu_images():
    strip = Canvas(16 * len(MENU_IMAGES), 16, BACKGROUND)
    for n, (command, drawing) in enumerate(MENU_IMAGES):
        for y, row in enumerate(drawing_rows(f"of command {command}", drawing)):
            for x, letter in enumerate(row):
                strip.pixels[y][16 * n + x] = PIXEL_COLOURS[letter]
    return strip


ICON_PALETTE = {'rim': VGA[8], 'face': VGA[0], 'low': VGA[10], 'mid': VGA[11], 'high': VGA[9],
                'tick': VGA[15], 'needle': VGA[15], 'hub': VGA[9]}


def tray_icon(size):
    """32x32 is drawn from geometry; at 16x16 a hand-set drawing reads better."""
    canvas = Canvas(size, size, None)
    if size == 16:
        for y, row in enumerate(drawing_rows("of the small icon", SMALL_TRAY_ICON)):
            for x, letter in enumerate(row):
                canvas.pixels[y][x] = None if letter == '.' else PIXEL_COLOURS[letter]
    else:
        draw_gauge(canvas, size / 2, size / 2, size / 2, ICON_PALETTE, 45)
    return canvas


def banner():
    """16 x 339, drawn beside the popup's items from the top. The shortest popup, owner-drawn,
    is about 200 pixels high and shows only that much, so the name ends above it, read from
    bottom to top."""
    top, bottom = (0, 40, 110), (0, 150, 160)
    canvas = Canvas(16, 339, top)
    steps = 48
    for y in range(canvas.height):
        shade = blend(top, bottom, round(y / (canvas.height - 1) * steps) / steps)
        canvas.pixels[y] = [shade] * canvas.width
    pixels, length = text_pixels("Corvane")
    scale, foot = 2, 176
    for layer, colour, offset in (('shadow', (0, 20, 60), 1), ('text', (255, 255, 255), 0)):
        for px, py in pixels:
            for sx in range(scale):
                for sy in range(scale):
                    # turned a quarter left: the letters' tops face the left edge
                    canvas.put(1 + py * scale + sy + offset, foot - (px * scale + sx) - offset,
                               colour)
    return canvas


def splash(version):
    """The start-up picture, also shown in the about box. It fits the box's picture frame (229 x
    79 dialog units, 343 x 118 to 128 pixels with the usual dialog fonts); the box's OK button
    covers the frame's lower right from about (236, 70), so that corner stays plain."""
    width, height = 320, 120
    top, bottom = (8, 24, 72), (24, 96, 150)
    canvas = Canvas(width, height, top)
    steps = 32
    for y in range(height):
        canvas.pixels[y] = [blend(top, bottom, round(y / (height - 1) * steps) / steps)] * width
    dial = {'rim': (200, 204, 212), 'face': (20, 24, 36), 'low': (40, 200, 90),
            'mid': (250, 210, 40), 'high': (230, 50, 40), 'tick': (235, 240, 245),
            'needle': (255, 90, 60), 'hub': (200, 204, 212)}
    draw_gauge(canvas, 60, 60, 48, dial, 35)
    canvas.text("Corvane", 124, 10, 4, (255, 255, 255), shadow=(0, 16, 40))
    canvas.text("Utility Manager", 124, 46, 2, (150, 220, 255), shadow=(0, 16, 40))
    for x in range(124, 230):
        canvas.pixels[72][x] = (150, 220, 255)
    canvas.text("Version " + version, 124, 82, 1, (210, 225, 240))
    return canvas


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    out_dir = argv[1]
    version = argv[argv.index('--version') + 1] if '--version' in argv else "1.0"
    os.makedirs(out_dir, exist_ok=True)
    write_bmp(os.path.join(out_dir, 'menu_images.bmp'), menu_images(), fixed_palette=VGA)
    write_ico(os.path.join(out_dir, 'tray.ico'), [tray_icon(32), tray_icon(16)])
    write_bmp(os.path.join(out_dir, 'menu_banner.bmp'), banner())
    write_bmp(os.path.join(out_dir, 'splash.bmp'), splash(version))


if __name__ == '__main__':
    main(sys.argv)
