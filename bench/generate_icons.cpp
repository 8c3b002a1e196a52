// Writes a deterministic folder of test icons and the four masks for the
// benchmark: generate_icons FOLDER COUNT SIZE
//
// The icons mix every form the tool reads: uncompressed and run-length
// encoded, 24 and 32 bits, bottom-up and top-down (descriptor 0x20), with and
// without an image ID, with and without the footer of TGA 2.0 files. Their pictures have flat areas and noisy areas, so
// that run-length files hold both run and raw packets. The masks are 32-bit
// pictures of the icons' size with alpha ranging from clear to opaque.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small, fixed pseudo-random sequence (xorshift32): same folder every run.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed == 0 ? 1 : seed) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::uint32_t below(std::uint32_t bound) { return next() % bound; }

private:
    std::uint32_t state_;
};

Bytes header(std::uint8_t type, int size, std::uint8_t depth, std::uint8_t descriptor,
             const std::string& id) {
    Bytes h(18 + id.size(), 0);
    h[0] = static_cast<std::uint8_t>(id.size());
    h[2] = type;
    h[12] = static_cast<std::uint8_t>(size & 0xFF);
    h[13] = static_cast<std::uint8_t>(size >> 8);
    h[14] = h[12];
    h[15] = h[13];
    h[16] = depth;
    h[17] = descriptor;
    std::copy(id.begin(), id.end(), h.begin() + 18);
    return h;
}

// An icon-like picture: rows made of segments that are either one flat
// colour or noise, with alpha mostly opaque.
Bytes picture(int size, int bytesPerPixel, Random& random) {
    Bytes pixels;
    pixels.reserve(static_cast<std::size_t>(size) * size * bytesPerPixel);
    std::uint64_t total = static_cast<std::uint64_t>(size) * size;
    std::uint8_t flat[4] = {0, 0, 0, 255};
    while (pixels.size() < total * bytesPerPixel) {
        std::uint64_t left = total - pixels.size() / bytesPerPixel;
        std::uint64_t length = 1 + random.below(static_cast<std::uint32_t>(size));
        if (length > left) length = left;
        bool noisy = random.below(3) == 0;
        for (int k = 0; k < 4; ++k) flat[k] = static_cast<std::uint8_t>(random.next());
        if (random.below(4) != 0) flat[3] = 255;
        for (std::uint64_t i = 0; i < length; ++i) {
            for (int k = 0; k < bytesPerPixel; ++k) {
                pixels.push_back(noisy ? static_cast<std::uint8_t>(random.next()) : flat[k]);
            }
        }
    }
    return pixels;
}

// Run-length encoding of one row: runs of two or more equal pixels become
// run packets, everything else raw packets.
void encodeRow(const Bytes& pixels, int bytesPerPixel, Bytes& out) {
    std::size_t n = pixels.size() / bytesPerPixel;
    auto same = [&](std::size_t a, std::size_t b) {
        for (int k = 0; k < bytesPerPixel; ++k) {
            if (pixels[a * bytesPerPixel + k] != pixels[b * bytesPerPixel + k]) return false;
        }
        return true;
    };
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), pixels.begin() + i * bytesPerPixel,
                       pixels.begin() + (i + 1) * bytesPerPixel);
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < n && raw < 128 && !(i + raw + 1 < n && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        out.insert(out.end(), pixels.begin() + i * bytesPerPixel,
                   pixels.begin() + (i + raw) * bytesPerPixel);
        i += raw;
    }
}

// Row by row: no packet crosses a row end, as TGA 2.0 asks of writers. The
// tool reads packets that do, but the Pillow peer's reader refuses them.
Bytes encodeRunLength(const Bytes& pixels, int bytesPerPixel, int rowPixels) {
    Bytes out;
    const std::size_t rowBytes = static_cast<std::size_t>(rowPixels) * bytesPerPixel;
    for (std::size_t at = 0; at < pixels.size(); at += rowBytes) {
        encodeRow(Bytes(pixels.begin() + at, pixels.begin() + std::min(pixels.size(), at + rowBytes)),
                  bytesPerPixel, out);
    }
    return out;
}

// The 26-byte footer that ends a TGA 2.0 file: no extension area, no
// developer directory, then the signature.
Bytes footer() {
    Bytes f(8, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    f.insert(f.end(), signature, signature + sizeof signature);  // with its '\0'
    return f;
}

bool writeFile(const std::string& name, const Bytes& head, const Bytes& body, const Bytes& tail = {}) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
              std::fwrite(body.data(), 1, body.size(), file) == body.size() &&
              std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
    return std::fclose(file) == 0 && ok;
}

// Alpha of each mask at (x, y): a bevel at the border, a flat veil, a
// diagonal ramp and a ring, so every blend meets clear, partial and opaque.
std::uint8_t maskAlpha(int which, int x, int y, int size, Random& random) {
    int border = size / 10 + 1;
    int edge = std::min(std::min(x, y), std::min(size - 1 - x, size - 1 - y));
    switch (which) {
        case 0: return edge < border ? static_cast<std::uint8_t>(255 - edge * 200 / border) : 0;
        case 1: return 150;
        case 2: return static_cast<std::uint8_t>((x + y) * 255 / (2 * size - 2 + 1));
        default: {
            int dx = 2 * x - size, dy = 2 * y - size;
            int ring = (dx * dx + dy * dy) / (size + 1) % 64;
            return static_cast<std::uint8_t>(ring * 4 + random.below(4));
        }
    }
}

bool writeMasks(const std::string& folder, int size) {
    const char* names[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga",
                           "ZOF_PASSIVE_MASK.tga", "ZOF_AUTOCAST_MASK.tga"};
    const std::uint8_t tints[][3] = {{255, 255, 255}, {90, 90, 90}, {40, 160, 40}, {200, 120, 0}};
    Random random(7);
    for (int which = 0; which < 4; ++which) {
        Bytes pixels;
        pixels.reserve(static_cast<std::size_t>(size) * size * 4);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                for (int k = 0; k < 3; ++k) pixels.push_back(tints[which][k]);
                pixels.push_back(maskAlpha(which, x, y, size, random));
            }
        }
        if (!writeFile(folder + "/" + names[which], header(2, size, 32, 0x08, ""), pixels)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT SIZE\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    int count = std::atoi(argv[2]);
    int size = std::atoi(argv[3]);
    if (count <= 0 || size <= 0 || size > 65535) {
        std::fprintf(stderr, "COUNT and SIZE must be positive (SIZE at most 65535)\n");
        return 2;
    }
    if (!writeMasks(folder, size)) {
        std::perror(folder.c_str());
        return 1;
    }
    Random random(12345);
    for (int i = 0; i < count; ++i) {
        // Icon i takes its form from the low bits of i, so every form is
        // present in equal shares in any folder of eight icons or more.
        bool runLength = (i & 1) != 0;
        int bytesPerPixel = (i & 2) != 0 ? 4 : 3;
        std::uint8_t descriptor = (i & 4) != 0 ? 0x20 : (bytesPerPixel == 4 ? 0x08 : 0x00);
        std::string id = i % 3 == 0 ? "icon " + std::to_string(i) : "";
        bool withFooter = i % 5 == 1;
        Bytes pixels = picture(size, bytesPerPixel, random);
        Bytes body = runLength ? encodeRunLength(pixels, bytesPerPixel, size) : pixels;
        char name[32];
        std::snprintf(name, sizeof name, "Icon%05d.tga", i);
        Bytes head = header(runLength ? 10 : 2, size, static_cast<std::uint8_t>(bytesPerPixel * 8),
                            descriptor, id);
        if (!writeFile(folder + "/" + name, head, body, withFooter ? footer() : Bytes{})) {
            std::perror(name);
            return 1;
        }
    }
    return 0;
}
