#include "support/page_pictures.h"

#include <png.h>
#include <zlib.h>

#include <cstdlib>

namespace test_support {

namespace {

std::string attribute(const std::string& tag, const std::string& name) {
    std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    at += name.size() + 3;
    return tag.substr(at, tag.find('"', at) - at);
}

// Base64 as a strict reader takes it: whole groups of four digits, '='
// only as the last group's padding, and no bits left over; false otherwise.
bool fromBase64(const std::string& text, std::string& out) {
    static const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) return false;
    const std::size_t padding = text.empty() || text.back() != '=' ? 0 : text[text.size() - 2] == '=' ? 2 : 1;
    unsigned bits = 0, count = 0;
    for (std::size_t at = 0; at < text.size() - padding; ++at) {
        const std::size_t value = kDigits.find(text[at]);
        if (value == std::string::npos) return false;
        bits = bits << 6 | static_cast<unsigned>(value);
        if ((count += 6) >= 8) out += static_cast<char>(bits >> (count -= 8) & 0xFF);
    }
    return (bits & ((1u << count) - 1)) == 0;
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// Whether `png` is whole: the signature, then chunks each of its stated
// length and with its CRC, the last one IEND, at the very end.
bool wholePng(const std::string& png) {
    if (png.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return false;
    for (std::size_t at = 8; png.size() - at >= 12;) {
        const std::uint32_t length = bigEndian(png, at);
        if (length > png.size() - at - 12) return false;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png.data() + at + 4);
        if (crc32(0, typeAndData, length + 4) != bigEndian(png, at + 8 + length)) return false;
        const bool end = png.compare(at + 4, 4, "IEND") == 0;
        at += 12 + length;
        if (end) return at == png.size();
    }
    return false;
}

}  // namespace

bool decodePng(const std::string& png, int& width, int& height, Bytes& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return false;
    image.format = PNG_FORMAT_RGBA;
    rgba.assign(PNG_IMAGE_SIZE(image), 0);
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) != 0;
}

std::vector<PagePicture> picturesOf(const std::string& page) {
    const std::string kData = "data:image/png;base64,";
    std::vector<PagePicture> pictures;
    for (std::size_t at = page.find("<img "); at != std::string::npos; at = page.find("<img ", at + 1)) {
        const std::string tag = page.substr(at, page.find('>', at) - at);
        PagePicture picture;
        picture.title = attribute(tag, "title");
        picture.shownWidth = std::atoi(attribute(tag, "width").c_str());
        picture.shownHeight = std::atoi(attribute(tag, "height").c_str());
        const std::string source = attribute(tag, "src");
        std::string png;
        if (source.compare(0, kData.size(), kData) != 0 || !fromBase64(source.substr(kData.size()), png) ||
            !wholePng(png) || !decodePng(png, picture.width, picture.height, picture.rgba)) {
            picture.rgba.clear();
        }
        pictures.push_back(picture);
    }
    return pictures;
}

Bytes rgbaOfTga(const Bytes& pixels, int width, int height, int bytesPerPixel) {
    Bytes rgba;
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &pixels[(static_cast<std::size_t>(row) * width + x) * bytesPerPixel];
            rgba.insert(rgba.end(), {p[2], p[1], p[0], bytesPerPixel == 4 ? p[3] : std::uint8_t{255}});
        }
    }
    return rgba;
}

}  // namespace test_support
