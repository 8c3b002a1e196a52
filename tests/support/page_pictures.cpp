#include "support/page_pictures.h"

#include <png.h>

#include <cstdlib>

namespace test_support {

namespace {

std::string attribute(const std::string& tag, const std::string& name) {
    std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    at += name.size() + 3;
    return tag.substr(at, tag.find('"', at) - at);
}

std::string fromBase64(const std::string& text) {
    static const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0, count = 0;
    for (char c : text) {
        std::size_t value = kDigits.find(c);
        if (value == std::string::npos) break;  // '=' ends it
        bits = bits << 6 | static_cast<unsigned>(value);
        if ((count += 6) >= 8) out += static_cast<char>(bits >> (count -= 8) & 0xFF);
    }
    return out;
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
        const std::string source = attribute(tag, "src");
        if (source.compare(0, kData.size(), kData) != 0 ||
            !decodePng(fromBase64(source.substr(kData.size())), picture.width, picture.height, picture.rgba)) {
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
