#!/usr/bin/python3
"""The Pillow peer: the tool's job done with Pillow, in one Python process.

Run inside an icon folder, with Debian's python3 and python3-pil:

    /usr/bin/python3 bench/pillow_peer.py

It takes the same names for icons as the tool: every *.tga but the four
masks and the variants of an earlier run (names starting with DIS or PAS,
or ending with _Autocast.tga, in any letter case). For each icon it writes
the disabled, passive and autocast variants, each the icon with its mask
composited over it (Image.alpha_composite, the "over" operator), and then
the icon itself with the normal mask over it. A mask is used only for icons
of its size. Every file is written as uncompressed 32-bit bottom-up TGA.

Pillow writes each file in place, and adds the TGA 2.0 footer; it keeps the
icon's image ID. The alpha of the result is the composite's, where the tool
keeps the icon's: the work is the same, the bytes are not meant to match.
"""
import os
import sys

from PIL import Image

MASK_NAMES = {
    "normal": "ZOF_NORMAL_MASK.tga",
    "disabled": "ZOF_DISABLED_MASK.tga",
    "passive": "ZOF_PASSIVE_MASK.tga",
    "autocast": "ZOF_AUTOCAST_MASK.tga",
}


def is_icon(name):
    lower = name.lower()
    if lower in (mask.lower() for mask in MASK_NAMES.values()):
        return False
    return (lower.endswith(".tga") and not lower.startswith("dis") and not lower.startswith("pas")
            and not lower.endswith("_autocast.tga"))


def load_masks():
    masks = {}
    for kind, name in MASK_NAMES.items():
        if os.path.isfile(name):
            with Image.open(name) as mask:
                masks[kind] = mask.convert("RGBA")
    return masks


def save_tga(image, name, id_section):
    # orientation -1: bottom row first, whatever order the icon had.
    image.save(name, format="TGA", rle=False, orientation=-1, id_section=id_section)


def main():
    masks = load_masks()
    names = [name for name in os.listdir(".") if is_icon(name)]
    failures = 0
    for name in names:
        try:
            with Image.open(name) as opened:
                id_section = opened.info.get("id_section", b"")
                icon = opened.convert("RGBA")
        except (OSError, ValueError) as error:
            print(f"{name}: {error}", file=sys.stderr)
            failures += 1
            continue
        base = name[:-4]
        outputs = [("disabled", "DIS" + name), ("passive", "PAS" + name),
                   ("autocast", base + "_Autocast.tga"), ("normal", name)]
        for kind, target in outputs:
            mask = masks.get(kind)
            result = Image.alpha_composite(icon, mask) if mask is not None and mask.size == icon.size else icon
            if kind != "normal" and result is icon:
                continue  # no variant without its mask, as in the tool
            save_tga(result, target, id_section)
    print(f"{len(names)} icons, {failures} failures")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
