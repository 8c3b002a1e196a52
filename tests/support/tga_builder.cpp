#include "support/tga_builder.h"

#include <algorithm>
#include <cstring>

#include "tga/tga_image.h"

namespace test_support {

bool loadBytes(TgaImage& image, const Bytes& file) {
    return image.load(tga::ByteBuffer(file.begin(), file.end()));
}

bool saveBytes(TgaImage& image, std::uint8_t fillAlpha, Bytes& out, const TgaImage* mask) {
    tga::ByteBuffer bytes;
    tga::BufferSink sink(bytes);
    const bool saved = mask != nullptr ? image.saveBlended(sink, *mask, fillAlpha) : image.save(sink, fillAlpha);
    out.assign(bytes.begin(), bytes.end());
    return saved;
}

Bytes TgaFile::bytes() const {
    Bytes out;
    out.reserve(18 + id.size() + data.size());
    out.resize(18, 0);
    out[0] = static_cast<std::uint8_t>(id.size());
    out[1] = colorMapType;
    out[2] = imageType;
    out[5] = static_cast<std::uint8_t>(colorMapLength & 0xFF);
    out[6] = static_cast<std::uint8_t>(colorMapLength >> 8);
    out[12] = static_cast<std::uint8_t>(width & 0xFF);
    out[13] = static_cast<std::uint8_t>(width >> 8);
    out[14] = static_cast<std::uint8_t>(height & 0xFF);
    out[15] = static_cast<std::uint8_t>(height >> 8);
    out[16] = depth;
    out[17] = descriptor;
    for (char c : id) out.push_back(static_cast<std::uint8_t>(c));
    for (std::uint8_t byte : data) out.push_back(byte);
    return out;
}

Bytes encodeRunLength(const Bytes& pixels, int bytesPerPixel) {
    Bytes out;
    std::size_t n = pixels.size() / bytesPerPixel;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(&pixels[a * bytesPerPixel], &pixels[b * bytesPerPixel], bytesPerPixel) == 0;
    };
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), &pixels[i * bytesPerPixel], &pixels[(i + 1) * bytesPerPixel]);
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < n && raw < 128 && !(i + raw + 1 < n && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        out.insert(out.end(), &pixels[i * bytesPerPixel], &pixels[(i + raw) * bytesPerPixel]);
        i += raw;
    }
    return out;
}

Bytes noisePixels(int width, int height, int bytesPerPixel, std::uint32_t seed) {
    Bytes out(static_cast<std::size_t>(width) * height * bytesPerPixel);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < out.size(); ++i) {
        state = state * 1103515245u + 12345u;
        // Runs of equal bytes now and then, so that RLE gets both packet kinds.
        out[i] = static_cast<std::uint8_t>((state >> 16) % 7 == 0 ? 0x40 : (state >> 8));
    }
    return out;
}

TgaFile noiseTga(std::uint16_t width, std::uint16_t height, std::uint8_t depth, std::uint32_t seed) {
    TgaFile file;
    file.width = width;
    file.height = height;
    file.depth = depth;
    file.data = noisePixels(width, height, depth / 8, seed);
    return file;
}

TgaImage inMemoryImage(std::uint32_t width, std::uint32_t height, std::uint32_t depth, const Bytes& data) {
    TgaImage image;
    image.header.assign(tga::kHeaderBlockSize, 0);
    image.headerSize = tga::kHeaderLength;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = depth;
    image.pixels.assign(data.begin(), data.end());
    image.pixels.resize(std::max<std::size_t>(data.size(), image.pixelDataBytes()) + tga::kSlackBytes, 0);
    return image;
}

Bytes savedForm(const Bytes& header18AndId, const Bytes& pixels32) {
    Bytes out = header18AndId;
    out[2] = 2;
    out[16] = 32;
    out[17] = 0;
    out.insert(out.end(), pixels32.begin(), pixels32.end());
    return out;
}

}  // namespace test_support
