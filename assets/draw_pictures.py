#!/usr/bin/python3
"""Draws the wizard's pictures and icons into this directory.

Run it again after changing a drawing; the build embeds whatever files it finds here.
Needs Pillow (Debian: python3-pil) and the DejaVu fonts (Debian: fonts-dejavu-core).

Every picture is drawn at SS times its size and shrunk with a Lanczos filter, which gives
smooth edges without relying on Pillow's (non anti-aliased) primitives.
"""
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
FONT_DIR = Path("/usr/share/fonts/truetype/dejavu")
SS = 4  # supersampling factor

# The window's button-face grey (Qt's default palette); the pictures are opaque JPEGs that
# must blend into it, because the original controls were drawn transparent.
FACE = (239, 239, 239)
NAVY = (22, 54, 102)
NAVY_LIGHT = (44, 92, 160)
ORANGE = (235, 120, 30)
JPEG_QUALITY = 92


def font(name, size):
    return ImageFont.truetype(str(FONT_DIR / name), size)


def canvas(width, height, colour=FACE, mode="RGB"):
    image = Image.new(mode, (width * SS, height * SS), colour)
    return image, ImageDraw.Draw(image)


def finish(image, width, height):
    return image.resize((width, height), Image.LANCZOS)


def s(*values):
    """Scales final-size coordinates to the supersampled canvas."""
    scaled = tuple(round(v * SS) for v in values)
    return scaled if len(scaled) > 1 else scaled[0]


def save_jpeg(image, name):
    image.convert("RGB").save(HERE / name, "JPEG", quality=JPEG_QUALITY, optimize=True)


def vertical_gradient(width, height, top, bottom):
    band = Image.new("RGB", (1, height))
    for y in range(height):
        t = y / max(1, height - 1)
        band.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return band.resize((width, height))


def horizontal_gradient(width, height, left, right):
    return vertical_gradient(height, width, left, right).rotate(90, expand=True).transpose(
        Image.FLIP_TOP_BOTTOM)


def paste_shadow(image, box, radius, blur, strength=90):
    """Soft drop shadow under an object, drawn onto an RGB canvas."""
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle(box, radius=radius, fill=strength)
    mask = mask.filter(ImageFilter.GaussianBlur(blur))
    image.paste((120, 120, 120), (0, 0), mask)


def tracked_text(draw, origin, text, fnt, fill, tracking):
    """Draws text with extra space between the letters; returns the end x."""
    x, y = origin
    for ch in text:
        draw.text((x, y), ch, font=fnt, fill=fill)
        x += draw.textlength(ch, font=fnt) + tracking
    return x - tracking


def tracked_width(draw, text, fnt, tracking):
    return sum(draw.textlength(ch, font=fnt) for ch in text) + tracking * (len(text) - 1)


# ---------------------------------------------------------------------------------------------
# The maker's emblem: a rounded square with a signal leaving a dot, as from a remote control.


def draw_emblem(draw, x, y, size, body=NAVY, mark=(255, 255, 255), accent=ORANGE):
    draw.rounded_rectangle((x, y, x + size, y + size), radius=size * 0.24, fill=body)
    cx, cy = x + size * 0.30, y + size * 0.70
    r = size * 0.085
    draw.ellipse((cx - r, cy - r, cx + r, cy + r), fill=accent)
    width = max(1, round(size * 0.085))
    for k, radius in enumerate((0.27, 0.44, 0.61)):
        rr = size * radius
        colour = mark if k < 2 else accent
        draw.arc((cx - rr, cy - rr, cx + rr, cy + rr), 270, 360, fill=colour, width=width)


# ---------------------------------------------------------------------------------------------


def text_at(draw, x, cap_top, text, fnt, fill, tracking=0):
    """Draws text so that the top of its capitals lies at cap_top; returns the end x."""
    top = draw.textbbox((0, 0), "T", font=fnt)[1]
    return tracked_text(draw, (x, cap_top - top), text, fnt, fill, tracking)


def cap_height(draw, fnt):
    box = draw.textbbox((0, 0), "T", font=fnt)
    return box[3] - box[1]


def draw_banner():
    """330 x 53: the wizard's header, centred over the window's grey."""
    w, h = 330, 53
    image, draw = canvas(w, h)
    name = "TALVIRE"
    sub = "REMOTE CONTROL SYSTEMS"
    name_font = font("DejaVuSans-Bold.ttf", s(28))
    sub_font = font("DejaVuSans.ttf", s(8.5))
    tracking = s(4.5)
    name_w = tracked_width(draw, name, name_font, tracking)
    # The activity line is spaced out to the name's width.
    sub_plain = sum(draw.textlength(ch, font=sub_font) for ch in sub)
    sub_tracking = (name_w - sub_plain) / (len(sub) - 1)
    emblem = s(39)
    gap = s(13)
    left = (s(w) - (emblem + gap + name_w)) / 2
    top = (s(h) - emblem) / 2
    draw_emblem(draw, left, top, emblem)
    x = left + emblem + gap
    text_at(draw, x, top + s(1), name, name_font, NAVY, tracking)
    sub_top = top + emblem - cap_height(draw, sub_font)
    text_at(draw, x + s(0.5), sub_top, sub, sub_font, (100, 108, 122), sub_tracking)
    rule_y = sub_top - s(5)
    draw.rectangle((x + s(0.5), rule_y, x + name_w, rule_y + s(1.6)), fill=ORANGE)
    save_jpeg(finish(image, w, h), "banner.jpg")


def draw_about_banner():
    """441 x 41: a navy band with the maker's name for the About dialog."""
    w, h = 441, 41
    image = horizontal_gradient(s(w), s(h), NAVY, NAVY_LIGHT)
    draw = ImageDraw.Draw(image)
    # A faint arc pattern on the right, echoing the emblem's signal.
    for k in range(5):
        r = s(22 + 22 * k)
        cx, cy = s(w - 18), s(h + 6)
        draw.ellipse((cx - r, cy - r, cx + r, cy + r), outline=(58, 104, 170), width=s(1.2))
    draw.rectangle((0, s(h) - s(3), s(w), s(h)), fill=ORANGE)
    emblem = s(27)
    left, top = s(14), (s(h - 3) - emblem) / 2
    draw_emblem(draw, left, top, emblem, body=(255, 255, 255), mark=NAVY, accent=ORANGE)
    name_font = font("DejaVuSans-Bold.ttf", s(20))
    bbox = draw.textbbox((0, 0), "TALVIRE", font=name_font)
    name_top = top + (emblem - (bbox[3] - bbox[1])) / 2 - bbox[1]
    x = left + emblem + s(11)
    end = tracked_text(draw, (x, name_top), "TALVIRE", name_font, (255, 255, 255), s(3.2))
    sub_font = font("DejaVuSans.ttf", s(10))
    sub = "Remote control systems"
    sub_box = draw.textbbox((0, 0), sub, font=sub_font)
    sub_y = top + emblem / 2 - (sub_box[3] + sub_box[1]) / 2
    draw.line((end + s(12), top + s(4), end + s(12), top + emblem - s(4)), fill=(150, 180, 220),
              width=s(1))
    draw.text((end + s(22), sub_y), sub, font=sub_font, fill=(215, 228, 245))
    save_jpeg(finish(image, w, h), "about_banner.jpg")


# ---------------------------------------------------------------------------------------------
# The connection picture: the remote control on the left, its cable plugged into its base and
# running to a PC tower on the right. Steps 3 and 4 show only the left half, so everything of
# the remote and the plug lies left of x = 181.


def bezier(points, steps=80):
    (x0, y0), (x1, y1), (x2, y2), (x3, y3) = points
    out = []
    for i in range(steps + 1):
        t = i / steps
        a, b, c, d = (1 - t) ** 3, 3 * t * (1 - t) ** 2, 3 * t * t * (1 - t), t ** 3
        out.append((a * x0 + b * x1 + c * x2 + d * x3, a * y0 + b * y1 + c * y2 + d * y3))
    return out


def draw_cable(draw, path):
    pts = [s(x, y) for x, y in path]
    draw.line(pts, fill=(40, 42, 48), width=s(5), joint="curve")
    draw.line([(x - s(0.8), y - s(1)) for x, y in pts], fill=(105, 110, 122), width=s(1.4),
              joint="curve")
    for end in (pts[0], pts[-1]):
        r = s(2.5)
        draw.ellipse((end[0] - r, end[1] - r, end[0] + r, end[1] + r), fill=(40, 42, 48))


def draw_remote(image, draw):
    x0, y0, x1, y1 = 52, 14, 128, 150
    paste_shadow(image, s(x0 + 4, y0 + 6, x1 + 4, y1 + 4), s(16), s(4))
    # Body: dark shell with a lighter face.
    draw.rounded_rectangle(s(x0, y0, x1, y1), radius=s(16), fill=(48, 52, 60))
    draw.rounded_rectangle(s(x0 + 3, y0 + 3, x1 - 3, y1 - 3), radius=s(13), fill=(78, 84, 96))
    draw.rounded_rectangle(s(x0 + 3, y0 + 3, x1 - 3, y0 + 40), radius=s(13), fill=(92, 99, 112))
    # Display with a line of text and a bar graph.
    dx0, dy0, dx1, dy1 = x0 + 10, y0 + 11, x1 - 10, y0 + 37
    draw.rounded_rectangle(s(dx0 - 2, dy0 - 2, dx1 + 2, dy1 + 2), radius=s(4), fill=(30, 32, 38))
    draw.rectangle(s(dx0, dy0, dx1, dy1), fill=(150, 205, 190))
    lcd = (25, 70, 62)
    draw.text(s(dx0 + 4, dy0 + 2), "ORB42", font=font("DejaVuSansMono-Bold.ttf", s(9)), fill=lcd)
    for i in range(9):
        bx = dx0 + 4 + i * 5.5
        draw.rectangle(s(bx, dy1 - 8, bx + 3.5, dy1 - 4), fill=lcd if i < 6 else (120, 170, 158))
    # Navigation ring with its centre key.
    cx, cy, r = (x0 + x1) / 2, y0 + 61, 15
    draw.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=(35, 38, 44))
    draw.ellipse(s(cx - r + 1.5, cy - r + 1.5, cx + r - 1.5, cy + r - 1.5), fill=(62, 67, 78))
    for ax, ay in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        tx, ty = cx + ax * 10, cy + ay * 10
        if ax == 0:
            tri = [(tx - 2.6, ty - ay * 1.6), (tx + 2.6, ty - ay * 1.6), (tx, ty + ay * 1.8)]
        else:
            tri = [(tx - ax * 1.6, ty - 2.6), (tx - ax * 1.6, ty + 2.6), (tx + ax * 1.8, ty)]
        draw.polygon([s(px, py) for px, py in tri], fill=(200, 205, 215))
    draw.ellipse(s(cx - 6, cy - 6, cx + 6, cy + 6), fill=ORANGE)
    draw.ellipse(s(cx - 4.5, cy - 5.5, cx + 4, cy + 2), fill=(245, 160, 90))
    # Keypad: 3 x 4 keys.
    for row in range(4):
        for col in range(3):
            kx = x0 + 13 + col * 18
            ky = y0 + 83 + row * 11.5
            draw.rounded_rectangle(s(kx, ky + 1, kx + 14, ky + 8.5), radius=s(3), fill=(30, 32, 38))
            draw.rounded_rectangle(s(kx, ky, kx + 14, ky + 7.5), radius=s(3),
                                   fill=(205, 210, 220) if (row, col) != (3, 2) else (90, 170, 90))
    # Base: the socket the cable plugs into.
    draw.rounded_rectangle(s(cx - 9, y1 - 4, cx + 9, y1 + 1), radius=s(1.5), fill=(25, 26, 30))
    return cx, y1


def draw_plug(draw, cx, top):
    """A plug entering the remote's base from below; returns where the cable leaves it."""
    draw.rounded_rectangle(s(cx - 7, top - 2, cx + 7, top + 4), radius=s(1), fill=(150, 155, 165))
    draw.rounded_rectangle(s(cx - 8, top + 3, cx + 8, top + 17), radius=s(3), fill=(38, 40, 46))
    draw.rectangle(s(cx - 8, top + 6, cx + 8, top + 7), fill=(70, 74, 84))
    draw.polygon([s(cx - 5, top + 17), s(cx + 5, top + 17), s(cx + 3, top + 22),
                  s(cx - 3, top + 22)], fill=(38, 40, 46))
    return cx, top + 21


def draw_tower(image, draw):
    x0, y0, x1, y1 = 262, 22, 328, 176
    paste_shadow(image, s(x0 + 4, y1 - 4, x1 + 10, y1 + 6), s(4), s(3), strength=110)
    # Side panel seen in perspective, then the front.
    draw.polygon([s(x1, y0 + 2), s(x1 + 12, y0 - 7), s(x1 + 12, y1 - 8), s(x1, y1)],
                 fill=(150, 156, 168))
    draw.polygon([s(x0, y0), s(x0 + 12, y0 - 9), s(x1 + 12, y0 - 9), s(x1, y0)],
                 fill=(205, 210, 218))
    draw.rectangle(s(x0, y0, x1, y1), fill=(186, 191, 201))
    draw.rectangle(s(x0 + 2, y0 + 2, x1 - 2, y1 - 2), fill=(200, 205, 214))
    # Two drive bays, a slot, the power button and its lamp.
    for k in range(2):
        by = y0 + 10 + k * 16
        draw.rectangle(s(x0 + 8, by, x1 - 8, by + 12), fill=(160, 166, 177))
        draw.rectangle(s(x0 + 9, by + 1, x1 - 9, by + 11), fill=(222, 226, 232))
        draw.rectangle(s(x0 + 14, by + 5, x1 - 18, by + 6.5), fill=(120, 126, 138))
        draw.rectangle(s(x1 - 15, by + 4, x1 - 12, by + 7.5), fill=(140, 146, 158))
    draw.rectangle(s(x0 + 8, y0 + 46, x0 + 30, y0 + 49), fill=(110, 116, 128))
    bx, by = x1 - 17, y0 + 62
    draw.ellipse(s(bx - 6, by - 6, bx + 6, by + 6), fill=(120, 126, 138))
    draw.ellipse(s(bx - 4.5, by - 4.5, bx + 4.5, by + 4.5), fill=(214, 218, 226))
    draw.arc(s(bx - 2.8, by - 2.8, bx + 2.8, by + 2.8), 300, 240, fill=(60, 66, 78), width=s(1))
    draw.line(s(bx, by - 3.5, bx, by), fill=(60, 66, 78), width=s(1))
    draw.ellipse(s(x0 + 10, by - 1.5, x0 + 13, by + 1.5), fill=(60, 200, 90))
    # Ventilation grille.
    for k in range(9):
        vy = y0 + 84 + k * 6
        draw.rounded_rectangle(s(x0 + 12, vy, x1 - 12, vy + 2.5), radius=s(1), fill=(150, 156, 168))
    # Front USB ports low on the panel; the cable enters the left one.
    ports = []
    for k in range(2):
        px = x0 + 10 + k * 13
        py = y1 - 17
        draw.rectangle(s(px, py, px + 9, py + 5), fill=(50, 54, 62))
        draw.rectangle(s(px + 1.5, py + 1, px + 7.5, py + 2.2), fill=(230, 232, 236))
        ports.append((px + 4.5, py + 2.5))
    draw.rectangle(s(x0 + 6, y1 - 3, x0 + 16, y1 + 2), fill=(70, 74, 84))
    draw.rectangle(s(x1 - 16, y1 - 3, x1 - 6, y1 + 2), fill=(70, 74, 84))
    return ports[0]


def draw_connection():
    w, h = 362, 193
    image, draw = canvas(w, h)
    cx, base = draw_remote(image, draw)
    plug_x, plug_y = draw_plug(draw, cx, base)
    # The tower goes first in z-order below the cable's end plug.
    port_x, port_y = draw_tower(image, draw)
    # Seen from the front, the plug's boot covers the tower's port and the cable hangs from it.
    path = bezier(((plug_x, plug_y), (plug_x, plug_y + 30), (150, 184), (205, 182)))
    path += bezier(((205, 182), (250, 180), (port_x - 2, port_y + 26), (port_x, port_y + 8)))[1:]
    draw_cable(draw, path)
    draw.rounded_rectangle(s(port_x - 5.5, port_y - 4, port_x + 5.5, port_y + 9), radius=s(1.5),
                           fill=(38, 40, 46))
    draw.rectangle(s(port_x - 5.5, port_y - 1, port_x + 5.5, port_y), fill=(70, 74, 84))
    save_jpeg(finish(image, w, h), "connection.jpg")


# ---------------------------------------------------------------------------------------------
# The program's icon: a remote control with an orange "update" arrow.


def draw_icon_art(size):
    """The icon at `size` pixels, RGBA, anti-aliased."""
    k = size / 32 * SS
    image = Image.new("RGBA", (round(32 * k), round(32 * k)), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def q(*v):
        return tuple(round(a * k) for a in v)

    # Edges sit on whole pixels of the 32 x 32 grid so that the small icon stays crisp.
    draw.rounded_rectangle(q(4, 1, 20, 31), radius=round(4 * k), fill=(30, 34, 42))
    draw.rounded_rectangle(q(5, 2, 19, 30), radius=round(3 * k), fill=(72, 80, 96))
    draw.rectangle(q(7, 4, 17, 11), fill=(24, 28, 34))
    draw.rectangle(q(8, 5, 16, 10), fill=(120, 210, 190))
    draw.rectangle(q(9, 7, 13, 8), fill=(40, 100, 90))
    for row in range(3):
        for col in range(3):
            x, y = 7 + col * 3.5, 14 + row * 4
            draw.rectangle(q(x, y, x + 2.5, y + 2.5), fill=(225, 228, 236))
    # Update arrow in an orange disc, lower right.
    draw.ellipse(q(14, 14, 32, 32), fill=(255, 255, 255))
    draw.ellipse(q(15.5, 15.5, 30.5, 30.5), fill=ORANGE)
    draw.polygon([q(23, 17.5), q(28.5, 23), q(25, 23), q(25, 28.5),
                  q(21, 28.5), q(21, 23), q(17.5, 23)], fill=(255, 255, 255))
    return image.resize((size, size), Image.LANCZOS)


def draw_icons():
    small = draw_icon_art(32)
    # At most 16 colours, one of them fully transparent: snap alpha to on/off, then quantise.
    alpha = small.getchannel("A").point(lambda a: 255 if a >= 128 else 0)
    rgb = Image.new("RGB", small.size, (0, 0, 0))
    rgb.paste(small.convert("RGB"), (0, 0), alpha)
    paletted = rgb.quantize(colors=15, method=Image.MEDIANCUT, dither=Image.NONE)
    palette = paletted.getpalette()[: 15 * 3] + [0, 0, 0]
    indices = paletted.load()
    mask = alpha.load()
    out = Image.new("P", small.size, 15)
    out.putpalette(palette)
    pixels = out.load()
    for y in range(small.height):
        for x in range(small.width):
            if mask[x, y]:
                pixels[x, y] = indices[x, y]
    out.save(HERE / "icon.png", transparency=15, optimize=True)
    draw_icon_art(256).save(HERE / "icon-256.png", optimize=True)


def main():
    draw_banner()
    draw_about_banner()
    draw_connection()
    draw_icons()


if __name__ == "__main__":
    main()
