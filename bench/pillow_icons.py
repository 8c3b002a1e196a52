#!/usr/bin/python3
"""The tool's job on PNG icons done with Pillow, in one Python process, for
bench/png.sh:

    /usr/bin/python3 bench/pillow_icons.py [--fit] --output OUT FOLDER

With Debian's python3 and python3-pil (Pillow 9.4); nothing else. The icons
are FOLDER's NAME.png files but the masks and the names of variants (names
starting with DIS or PAS, or ending with _Autocast, in any letter case); the
masks are FOLDER's ZOF_*_MASK files, the TGA file where there is one, else
the PNG file, as the tool takes them. For each icon it writes into OUT (made
when missing):

    NAME.tga            the icon with the normal mask laid over it
    DISNAME.tga         ... with the disabled mask
    PASNAME.tga         ... with the passive mask
    NAME_Autocast.tga   ... with the autocast mask

each an uncompressed 32-bit bottom-up TGA file (Pillow's writer, which adds
the TGA 2.0 footer). A mask is laid with the "over" operator, the mask in
front (Image.alpha_composite), and the result keeps the icon's alpha
(putalpha), as the tool's do; Pillow rounds where the tool truncates. A mask
is used only for icons of its size.

--fit: an icon whose size is not the masks' is first scaled to fit inside
their size, keeping its proportions, centred on a transparent canvas (the
odd pixel of padding right and above, as the tool places it): resized with
Image.BICUBIC on premultiplied alpha (mode "RGBa"), in the file's sRGB
values.
"""
import os
import sys

from PIL import Image

SLOTS = [  # (mask, how an output's name is made from the icon's base name)
    ("ZOF_NORMAL_MASK", "{}.tga"),
    ("ZOF_DISABLED_MASK", "DIS{}.tga"),
    ("ZOF_PASSIVE_MASK", "PAS{}.tga"),
    ("ZOF_AUTOCAST_MASK", "{}_Autocast.tga"),
]


def is_icon(name):
    lower = name.lower()
    if not lower.endswith(".png") or lower.startswith(("zof_", "dis", "pas")):
        return False
    return not lower[:-4].endswith("_autocast")


def load_masks(folder):
    masks = []
    for mask, _ in SLOTS:
        path = next((os.path.join(folder, mask + extension) for extension in (".tga", ".png")
                     if os.path.isfile(os.path.join(folder, mask + extension))), None)
        if path is None:
            masks.append(None)
            continue
        with Image.open(path) as opened:
            masks.append(opened.convert("RGBA"))
    return masks


def fit(icon, width, height):
    """The icon scaled to fit inside width x height, centred, with clear padding."""
    scale = min(width / icon.width, height / icon.height)
    fitted_width = min(max(int(icon.width * scale + 0.5), 1), width)
    fitted_height = min(max(int(icon.height * scale + 0.5), 1), height)
    left = (width - fitted_width) // 2
    top = height - fitted_height - (height - fitted_height) // 2
    fitted = icon.convert("RGBa").resize((fitted_width, fitted_height), Image.BICUBIC)
    canvas = Image.new("RGBa", (width, height), (0, 0, 0, 0))
    canvas.paste(fitted, (left, top))
    return canvas.convert("RGBA")


def main():
    arguments = sys.argv[1:]
    fitting = "--fit" in arguments
    arguments = [argument for argument in arguments if argument != "--fit"]
    if len(arguments) != 3 or arguments[0] != "--output":
        print(f"usage: {sys.argv[0]} [--fit] --output OUT FOLDER", file=sys.stderr)
        return 2
    out, folder = arguments[1], arguments[2]
    os.makedirs(out, exist_ok=True)
    masks = load_masks(folder)
    size = next((mask.size for mask in masks if mask is not None), None)
    names = sorted(name for name in os.listdir(folder) if is_icon(name))
    failures = 0
    for name in names:
        try:
            with Image.open(os.path.join(folder, name)) as opened:
                icon = opened.convert("RGBA")
        except (OSError, ValueError) as error:
            print(f"{name}: {error}", file=sys.stderr)
            failures += 1
            continue
        if fitting and size is not None and icon.size != size:
            icon = fit(icon, *size)
        alpha = icon.getchannel("A")
        base = name[:-4]
        for mask, (_, pattern) in zip(masks, SLOTS):
            if mask is not None and mask.size == icon.size:
                result = Image.alpha_composite(icon, mask)
                result.putalpha(alpha)
            elif pattern == "{}.tga":
                result = icon  # no normal mask: the icon as it is
            else:
                continue  # no variant without its mask, as in the tool
            result.save(os.path.join(out, pattern.format(base)), format="TGA", rle=False, orientation=-1)
    print(f"{len(names)} icons, {failures} failures")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
