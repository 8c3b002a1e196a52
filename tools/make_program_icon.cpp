// Makes the Windows program's icon from the project's own sample art: the
// sample icon with the normal mask (its upper left half) and with the
// disabled mask (its lower right half), what the tool does to an icon, in
// the sizes Explorer asks for. Built and run on the build machine by the
// Windows build (CMakeLists.txt); the .ico is never committed.
//
// Usage: make_program_icon ICON.tga NORMAL_MASK.tga DISABLED_MASK.tga OUT.ico
// The TGA files are uncompressed, 24 or 32 bits, of one size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "tga/tga_format.h"

namespace {

// Straight (not premultiplied) colours, red, green, blue, alpha, 0 to 1,
// rows from the top.
struct Picture {
    int size = 0;
    std::vector<float> rgba;
    float* at(int x, int y) { return &rgba[4 * static_cast<std::size_t>(y * size + x)]; }
};

unsigned little16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8);
}

bool readTga(const char* path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < tga::kHeaderLength) return false;
    const unsigned width = little16(bytes, tga::kWidthOffset);
    const unsigned depth = bytes[tga::kPixelDepthOffset];
    const std::size_t stride = depth / 8;
    const std::size_t start = tga::kHeaderLength + bytes[tga::kIdLengthOffset];
    if (bytes[tga::kImageTypeOffset] != tga::kTypeUncompressed || bytes[tga::kColorMapTypeOffset] != tga::kNoColorMap ||
        (depth != tga::kDepth24 && depth != tga::kDepth32) || width != little16(bytes, tga::kHeightOffset) ||
        bytes.size() < start + width * width * stride) {
        return false;
    }
    const bool topFirst = (bytes[tga::kDescriptorOffset] & tga::kDescriptorTopRowFirst) != 0;
    picture.size = static_cast<int>(width);
    picture.rgba.assign(4 * width * width, 1.0f);
    for (unsigned row = 0; row < width; ++row) {
        const unsigned y = topFirst ? row : width - 1 - row;
        for (unsigned x = 0; x < width; ++x) {
            const std::uint8_t* pixel = &bytes[start + (row * width + x) * stride];
            float* out = picture.at(static_cast<int>(x), static_cast<int>(y));
            out[0] = pixel[tga::kRed] / 255.0f;
            out[1] = pixel[tga::kGreen] / 255.0f;
            out[2] = pixel[tga::kBlue] / 255.0f;
            if (depth == tga::kDepth32) out[3] = pixel[tga::kAlpha] / 255.0f;
        }
    }
    return true;
}

// The mask laid over the icon as the tool lays it: mask in front.
Picture blended(Picture icon, Picture& mask) {
    for (int y = 0; y < icon.size; ++y) {
        for (int x = 0; x < icon.size; ++x) {
            float* pixel = icon.at(x, y);
            const float* over = mask.at(x, y);
            const float behind = (1 - over[3]) * pixel[3];
            const float total = over[3] + behind;
            if (total == 0) continue;
            for (int k = 0; k < 3; ++k) pixel[k] = (over[k] * over[3] + pixel[k] * behind) / total;
        }
    }
    return icon;
}

// `from` at a point between pixel centres, its colours weighted by alpha:
// premultiplied red, green, blue, then alpha.
void sample(Picture& from, float u, float v, float* sum) {
    const float last = static_cast<float>(from.size - 1);
    const float cu = std::clamp(u, 0.0f, last), cv = std::clamp(v, 0.0f, last);
    const int x0 = static_cast<int>(cu), y0 = static_cast<int>(cv);
    const int x1 = std::min(x0 + 1, from.size - 1), y1 = std::min(y0 + 1, from.size - 1);
    const float fx = cu - static_cast<float>(x0), fy = cv - static_cast<float>(y0);
    const struct { int x, y; float weight; } corners[] = {
        {x0, y0, (1 - fx) * (1 - fy)}, {x1, y0, fx * (1 - fy)}, {x0, y1, (1 - fx) * fy}, {x1, y1, fx * fy}};
    for (const auto& corner : corners) {
        const float* pixel = from.at(corner.x, corner.y);
        const float weight = corner.weight * pixel[3];
        for (int k = 0; k < 3; ++k) sum[k] += pixel[k] * weight;
        sum[3] += weight;
    }
}

// `from` in `size` × `size` pixels, as RGBA bytes from the top: each pixel
// the mean of samples spread over the area it covers.
std::vector<std::uint8_t> scaled(Picture& from, int size) {
    const float scale = static_cast<float>(from.size) / static_cast<float>(size);
    const int n = std::max(1, static_cast<int>(std::ceil(scale)));
    std::vector<std::uint8_t> out;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    sample(from, (static_cast<float>(x) + (static_cast<float>(i) + 0.5f) / static_cast<float>(n)) * scale - 0.5f,
                           (static_cast<float>(y) + (static_cast<float>(j) + 0.5f) / static_cast<float>(n)) * scale - 0.5f, sum);
                }
            }
            for (int k = 0; k < 3; ++k) sum[k] = sum[3] > 0 ? sum[k] / sum[3] : 0;
            sum[3] /= static_cast<float>(n * n);
            for (float channel : sum) out.push_back(static_cast<std::uint8_t>(std::lround(channel * 255)));
        }
    }
    return out;
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
    for (int i = 0; i < 2; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An icon image as Windows has always read it: a 32-bit bitmap of rows
// from the bottom (a header of twice the height, for the colours and the
// mask that follows), blue, green, red, alpha; then the 1-bit mask, all
// clear, since the alpha says what shows.
std::vector<std::uint8_t> bitmapImage(const std::vector<std::uint8_t>& rgba, int size) {
    const auto side = static_cast<std::uint32_t>(size);
    const std::uint32_t maskRow = (side + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    for (std::uint32_t value : {40u, side, 2 * side}) put32(out, value);
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    for (std::uint32_t value : {0u, side * side * 4 + maskRow * side, 0u, 0u, 0u, 0u}) put32(out, value);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* pixel = &rgba[4 * static_cast<std::size_t>(y * size + x)];
            out.insert(out.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
        }
    }
    out.resize(out.size() + maskRow * side, 0);
    return out;
}

// Large images as PNG files, as Windows reads them since Vista: a quarter
// of the bitmap's bytes.
std::vector<std::uint8_t> pngImage(const std::vector<std::uint8_t>& rgba, int size) {
    std::vector<std::uint8_t> out;
    stbi_write_png_to_func(
        [](void* context, void* data, int length) {
            auto* bytes = static_cast<std::uint8_t*>(data);
            static_cast<std::vector<std::uint8_t>*>(context)->insert(
                static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + length);
        },
        &out, size, size, 4, rgba.data(), size * 4);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    Picture icon, normal, disabled;
    if (argc != 5 || !readTga(argv[1], icon) || !readTga(argv[2], normal) || !readTga(argv[3], disabled) ||
        normal.size != icon.size || disabled.size != icon.size) {
        std::fprintf(stderr, "usage: %s ICON.tga NORMAL_MASK.tga DISABLED_MASK.tga OUT.ico\n"
                             "(uncompressed TGA files of one square size)\n", argv[0]);
        return 2;
    }
    Picture both = blended(icon, normal);
    Picture off = blended(icon, disabled);
    for (int y = 0; y < both.size; ++y) {
        for (int x = both.size - 1 - y; x < both.size; ++x) std::copy_n(off.at(x, y), 4, both.at(x, y));
    }
    const int sizes[] = {16, 32, 48, 256};
    std::vector<std::uint8_t> directory, images;
    put16(directory, 0);
    put16(directory, 1);  // an icon, not a cursor
    put16(directory, std::size(sizes));
    for (int size : sizes) {
        const std::vector<std::uint8_t> rgba = scaled(both, size);
        const std::vector<std::uint8_t> image = size < 256 ? bitmapImage(rgba, size) : pngImage(rgba, size);
        directory.push_back(static_cast<std::uint8_t>(size));  // 256 is written as 0
        directory.push_back(static_cast<std::uint8_t>(size));
        directory.insert(directory.end(), {0, 0});  // no palette, reserved
        put16(directory, 1);
        put16(directory, 32);
        put32(directory, static_cast<std::uint32_t>(image.size()));
        put32(directory, static_cast<std::uint32_t>(6 + 16 * std::size(sizes) + images.size()));
        images.insert(images.end(), image.begin(), image.end());
    }
    std::ofstream out(argv[4], std::ios::binary);
    out.write(reinterpret_cast<const char*>(directory.data()), static_cast<std::streamsize>(directory.size()));
    out.write(reinterpret_cast<const char*>(images.data()), static_cast<std::streamsize>(images.size()));
    return out.good() ? 0 : 1;
}
