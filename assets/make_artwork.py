#!/usr/bin/python3
"""Regenerates the launcher's artwork: the logo PNG and the 32x32 application icon.

Run from anywhere with Debian's python3 (needs PIL and the DejaVu fonts):
    /usr/bin/python3 assets/make_artwork.py
The output is byte-for-byte reproducible, so the generated files are kept in the
repository and a rerun only shows a diff when the drawing code changes.

Outputs, next to this script:
    logo.png            417x163 RGB badge, shown twice by the launcher window
    logo.qlg            the same pixels packed and squeezed for the executable (see logo_codec.py)
    logo_master.qlm     the wordmark's outline and fill coverage drawn at twice that size,
                        from which the launcher draws the badge at any other display scale
                        (the ellipse and the gradient it draws itself, at that scale)
    icon.ico            the icon as a standard one-entry .ico, for viewers and editors
    icon_30001.bin      the entry's image data, linked as the raw RT_ICON 30001
    icon_group_1.bin    the GRPICONDIR linked as RT_GROUP_ICON 1, pointing to 30001
The icon resources are written raw because windres's ICON statement renumbers the
images, and the window code loads image 30001 by id.
"""

import io
import os
import re
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

import logo_codec

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_BOLD_ITALIC = os.path.join(FONT_DIR, "DejaVuSans-BoldOblique.ttf")

WORD = "quben"
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)
GRADIENT_LEFT = (0, 0, 255)
GRADIENT_RIGHT = (200, 200, 255)
NAVY = (0, 0, 102)
DARK_RED = (153, 0, 0)

LOGO_SIZE = (417, 163)
LOGO_SCALE = 4  # supersampling factor; box-filter reduction gives the smooth edges
LOGO_OUTLINE = 5.5  # ellipse outline, final pixels
LOGO_FONT_PX = 92
LOGO_STROKE = 5  # letter outline, final pixels
MASTER_SCALE = 2  # the wordmark master, for displays above 96 dpi

ICON_SIZE = 32
ICON_SCALE = 8


def icon_image_id():
    # The group entry must name the id the resource script and the code use.
    with open(os.path.join(HERE, "resource_ids.h")) as f:
        return int(re.search(r"#define\s+QUBEN_ICON_IMAGE_ID\s+(\d+)", f.read()).group(1))


def horizontal_gradient(size, left, right):
    w, h = size
    row = Image.new("RGB", (w, 1))
    for x in range(w):
        t = x / (w - 1)
        row.putpixel((x, 0), tuple(round(a + (b - a) * t) for a, b in zip(left, right)))
    return row.resize((w, h), Image.NEAREST)


def two_colour_word(size, font, xy, stroke_px, split_after, first, second):
    """Layers for WORD at xy (baseline anchor): the outline mask, a colour layer that is
    `first` for the first `split_after` letters and `second` after, and the fill mask."""
    stroke_mask = Image.new("L", size, 0)
    ImageDraw.Draw(stroke_mask).text(xy, WORD, font=font, fill=255, anchor="ls",
                                     stroke_width=stroke_px, stroke_fill=255)
    fill_mask = Image.new("L", size, 0)
    ImageDraw.Draw(fill_mask).text(xy, WORD, font=font, fill=255, anchor="ls")
    # The split sits on the advance boundary, which falls in the gap between the
    # glyphs, so no letter is cut in two.
    split_x = round(xy[0] + font.getlength(WORD[:split_after]))
    colours = Image.new("RGB", size, first)
    ImageDraw.Draw(colours).rectangle((split_x, 0, size[0], size[1]), fill=second)
    return stroke_mask, colours, fill_mask


def logo_layers(scale):
    """The badge's coverage masks at `scale` times the 1x size, supersampled LOGO_SCALE times:
    the outer and inner ellipses, the wordmark's outline and fill, and its colour layer."""
    s = LOGO_SCALE
    # Halves round up, as the launcher rounds its size.
    w, h = (int(side * scale + 0.5) * s for side in LOGO_SIZE)
    # Outer ellipse touches all four edges; the gradient fills an inner ellipse
    # inset by the outline width.
    outer = Image.new("L", (w, h), 0)
    ImageDraw.Draw(outer).ellipse((0, 0, w - 1, h - 1), fill=255)
    inset = round(LOGO_OUTLINE * scale * s)
    inner = Image.new("L", (w, h), 0)
    ImageDraw.Draw(inner).ellipse((inset, inset, w - 1 - inset, h - 1 - inset), fill=255)

    font = ImageFont.truetype(FONT_BOLD, round(LOGO_FONT_PX * scale * s))
    stroke = round(LOGO_STROKE * scale * s)
    # Centre the ink (stroke included) on the ellipse, not the font's nominal box.
    left, top, right, bottom = ImageDraw.Draw(outer).textbbox(
        (0, 0), WORD, font=font, anchor="ls", stroke_width=stroke)
    x = (w - (right - left)) // 2 - left
    y = (h - (bottom - top)) // 2 - top
    stroke_mask, colours, fill_mask = two_colour_word(
        (w, h), font, (x, y), stroke, len(WORD) - 2, YELLOW, RED)
    split_x = round(x + font.getlength(WORD[:len(WORD) - 2]))
    return outer, inner, stroke_mask, fill_mask, colours, split_x


def make_logo(scale=1):
    """The badge at `scale` times its 1x size (the 1x one is the logo the launcher stores)."""
    s = LOGO_SCALE
    outer, inner, stroke_mask, fill_mask, colours, _ = logo_layers(scale)
    w, h = outer.size
    img = Image.new("RGB", (w, h), WHITE)
    img.paste(BLACK, (0, 0), outer)
    img.paste(horizontal_gradient((w, h), GRADIENT_LEFT, GRADIENT_RIGHT), (0, 0), inner)
    img.paste(BLACK, (0, 0), stroke_mask)
    img.paste(colours, (0, 0), fill_mask)

    logo = img.reduce(s)  # box filter: exact area coverage, no ringing

    # Everything outside the outline must be exactly white so the badge merges with
    # the white window. Reduce the coverage mask the same way and whiten every pixel
    # the ellipse does not reach at all.
    coverage = outer.reduce(s)
    logo.paste(WHITE, (0, 0), ImageChops.invert(coverage.point(lambda v: 255 if v else 0)))
    return logo


def make_master():
    """The wordmark at MASTER_SCALE: its outline and fill coverage, packed as a two-channel
    logo_codec image (see launcher/packed_logo.h), with the column where its colour changes."""
    s = LOGO_SCALE
    _, _, stroke_mask, fill_mask, _, split_x = logo_layers(MASTER_SCALE)
    return logo_codec.encode_planes([stroke_mask.reduce(s), fill_mask.reduce(s)], split_x // s)


def png_bytes(img):
    buf = io.BytesIO()
    # No pnginfo: PIL then writes no text or time chunks, so the bytes are stable.
    img.save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def make_icon():
    s = ICON_SCALE
    n = ICON_SIZE * s
    img = Image.new("RGB", (n, n), WHITE)
    draw = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT_BOLD_ITALIC, 14 * s)
    # Two lines inside the tile (x, y < 28): "qu" navy above, "ben" dark red below.
    for text, colour, (cx, baseline) in (("qu", NAVY, (14, 12)),
                                           ("ben", DARK_RED, (14, 25))):
        draw.text((cx * s, baseline * s), text, font=font, fill=colour, anchor="ms")
    icon = img.reduce(s)

    # Drawn at the final size so the shadow lines stay one pixel sharp: the tile's
    # right and bottom edges doubled, offset by two pixels.
    d = ImageDraw.Draw(icon)
    for off in (29, 31):
        start = off - 27
        d.line((off, start, off, 31), fill=NAVY)
        d.line((start, off, 31, off), fill=NAVY)
    return icon


def icon_image_data(icon):
    """The .ico entry / RT_ICON payload: BITMAPINFOHEADER, bottom-up BGR, empty AND mask."""
    w, h = icon.size
    xor_stride = (w * 3 + 3) & ~3
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = icon.getpixel((x, y))
            row += bytes((b, g, r))
        row += b"\0" * (xor_stride - len(row))
        xor += row
    and_mask = b"\0" * (and_stride * h)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 24, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + bytes(xor) + and_mask


def main():
    logo = make_logo()
    assert logo.size == LOGO_SIZE and logo.mode == "RGB"
    data = png_bytes(logo)
    with open(os.path.join(HERE, "logo.png"), "wb") as f:
        f.write(data)
    packed = logo_codec.squeeze(logo_codec.encode(logo))
    assert logo_codec.decode(packed) == (*LOGO_SIZE, logo.tobytes())
    with open(os.path.join(HERE, "logo.qlg"), "wb") as f:
        f.write(packed)
    master = logo_codec.squeeze(make_master())
    with open(os.path.join(HERE, "logo_master.qlm"), "wb") as f:
        f.write(master)

    icon = make_icon()
    image = icon_image_data(icon)
    ico = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", ICON_SIZE, ICON_SIZE, 0, 0, 1, 24, len(image), 6 + 16) + image
    group = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHIH", ICON_SIZE, ICON_SIZE, 0, 0, 1, 24, len(image), icon_image_id())
    for name, blob in (("icon.ico", ico), ("icon_30001.bin", image),
                       ("icon_group_1.bin", group)):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(blob)
    print(f"logo.png {len(data)} bytes, logo.qlg {len(packed)} bytes, "
          f"logo_master.qlm {len(master)} bytes, icon image {len(image)} bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
