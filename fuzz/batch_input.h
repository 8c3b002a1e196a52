// How one fuzz input describes a folder for a whole run: an icon and two
// mask images, and which mask file gets which image.
//
// Layout: byte 0 assigns the four mask files (two bits each, normal mask in
// the lowest: 0 = absent, 1 = image A, 2 = image B, 3 = image A); byte 1 holds
// options (BatchOption); then three parts, each a 16-bit little-endian length
// followed by that many bytes: the icon, image A, image B. A part cut short
// by the end of the input takes what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz_checks {

enum BatchOption : std::uint8_t {
    kIconNameUpperCase = 1 << 0,  // the icon is "ICON.TGA", else "Icon.tga"
    kStaleVariant = 1 << 1,       // a disabled variant (image B) is already there
    kSecondIcon = 1 << 2,         // image A is also a second icon, "Zed.tga"
};

struct BatchInput {
    std::uint8_t maskSlots = 0;
    std::uint8_t options = 0;
    std::vector<std::uint8_t> icon;
    std::vector<std::uint8_t> imageA;
    std::vector<std::uint8_t> imageB;

    // 0 = absent, 1 = image A, 2 = image B; slot 0 is the normal mask, then
    // the disabled, passive and autocast masks.
    int maskImage(int slot) const;

    static BatchInput parse(const std::uint8_t* data, std::size_t size);
    std::vector<std::uint8_t> serialize() const;
};

}  // namespace fuzz_checks
