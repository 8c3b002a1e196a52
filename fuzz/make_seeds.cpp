// Writes starting inputs for the fuzz targets whose input is no plain TGA file.
//
//   make_seeds batch OUTDIR ICON...   one folder per small icon, with masks
//                                     of its size made up to go with it
//   make_seeds blend OUTDIR           a few pairs of images of either depth
//   make_seeds png OUTDIR             small PNG files of every colour type,
//                                     of several depths, some interlaced
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "batch_input.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Icons larger than this would leave no room in an input for their masks.
constexpr std::size_t kMaxIconBytes = 3000;
constexpr std::size_t kMaxMaskBytes = 1500;

Bytes readFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A run-length encoded mask of width x height: runs of up to 128 pixels
// whose alpha steps through transparent, half and opaque.
Bytes makeMask(std::uint32_t width, std::uint32_t height, int depth) {
    Bytes out(18, 0);
    out[2] = 10;
    out[12] = static_cast<std::uint8_t>(width & 0xFF);
    out[13] = static_cast<std::uint8_t>(width >> 8);
    out[14] = static_cast<std::uint8_t>(height & 0xFF);
    out[15] = static_cast<std::uint8_t>(height >> 8);
    out[16] = static_cast<std::uint8_t>(depth);
    const std::uint8_t alphas[] = {0, 128, 255};
    std::uint64_t n = std::uint64_t{width} * height;
    for (std::uint64_t i = 0, run = 0; i < n; i += 128, ++run) {
        std::uint64_t count = n - i < 128 ? n - i : 128;
        out.push_back(static_cast<std::uint8_t>(0x80 | (count - 1)));
        out.push_back(static_cast<std::uint8_t>(run * 40));
        out.push_back(static_cast<std::uint8_t>(run * 90));
        out.push_back(static_cast<std::uint8_t>(run * 20));
        if (depth == 32) out.push_back(alphas[run % 3]);
    }
    return out;
}

int makeBatchSeeds(const std::string& outDir, int count, char** icons) {
    int written = 0;
    for (int i = 0; i < count; ++i) {
        fuzz_checks::BatchInput input;
        input.icon = readFile(icons[i]);
        if (input.icon.size() < 18 || input.icon.size() > kMaxIconBytes) continue;
        std::uint32_t width = input.icon[12] | (input.icon[13] << 8);
        std::uint32_t height = input.icon[14] | (input.icon[15] << 8);
        input.imageA = makeMask(width, height, 32);
        input.imageB = makeMask(width, height, 24);
        if (input.imageA.size() > kMaxMaskBytes) continue;
        // Normal and passive masks from A, disabled and autocast from B.
        input.maskSlots = 0x99;
        writeFile(outDir + "/seed-" + std::to_string(written++), input.serialize());
        // Every mask from A, a stale variant and a second icon.
        input.maskSlots = 0xFF;
        input.options = fuzz_checks::kStaleVariant | fuzz_checks::kSecondIcon;
        writeFile(outDir + "/seed-" + std::to_string(written++), input.serialize());
    }
    std::printf("%d batch seeds\n", written);
    return 0;
}

int makeBlendSeeds(const std::string& outDir) {
    int written = 0;
    for (int targetDepth : {0, 1}) {
        for (int maskDepth : {0, 1}) {
            Bytes seed = {16, 16, static_cast<std::uint8_t>(targetDepth), 16, 12, static_cast<std::uint8_t>(maskDepth)};
            for (int i = 0; i < 512; ++i) seed.push_back(static_cast<std::uint8_t>(i * 7 + (i >> 3)));
            writeFile(outDir + "/seed-" + std::to_string(written++), seed);
        }
    }
    std::printf("%d blend seeds\n", written);
    return 0;
}

// --- PNG files -------------------------------------------------------------

void put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void pngChunk(Bytes& png, const char* type, const Bytes& data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t from = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, static_cast<std::uint32_t>(crc32(0, png.data() + from, static_cast<uInt>(png.size() - from))));
}

struct PngForm {
    std::uint32_t width, height;
    std::uint8_t colourType, depth;
    bool interlaced;
    int paletteEntries;  // colour type 3: PLTE entries; else ignored
    int transparent;     // tRNS: palette entries given an alpha, or 1 for a key colour; 0 none
    int idatChunks;      // the zlib stream split into this many IDAT chunks
    bool ancillary;      // gAMA, tEXt and a chunk after the pixels too
};

std::uint32_t samplesPerPixel(std::uint8_t colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

// The filtered rows of the picture (each pass of Adam7, or the one pass),
// their filter types stepping through all five. Any bytes are valid pixels;
// palette indices stay below the entries.
Bytes pngRows(const PngForm& form) {
    static const std::uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const std::uint32_t whole[4] = {0, 0, 1, 1};
    const std::uint32_t bitsPerPixel = samplesPerPixel(form.colourType) * form.depth;
    Bytes raw;
    std::uint32_t counter = 0;
    for (int pass = 0; pass < (form.interlaced ? 7 : 1); ++pass) {
        const std::uint32_t* p = form.interlaced ? passes[pass] : whole;
        if (p[0] >= form.width || p[1] >= form.height) continue;
        const std::uint32_t passWidth = (form.width - p[0] + p[2] - 1) / p[2];
        const std::uint32_t rowBytes = (passWidth * bitsPerPixel + 7) / 8;
        for (std::uint32_t y = p[1]; y < form.height; y += p[3]) {
            raw.push_back(static_cast<std::uint8_t>(form.colourType == 3 ? 0 : y % 5));
            for (std::uint32_t i = 0; i < rowBytes; ++i, ++counter) {
                std::uint8_t byte = static_cast<std::uint8_t>(counter * 37 + (counter >> 4) * 11);
                if (form.colourType == 3) {
                    // Every index within the palette: each sample is its
                    // counter's remainder by the number of entries.
                    const std::uint32_t perByte = 8 / form.depth;
                    byte = 0;
                    for (std::uint32_t k = 0; k < perByte; ++k) {
                        const std::uint32_t index =
                            (counter * perByte + k) % static_cast<std::uint32_t>(form.paletteEntries);
                        byte = static_cast<std::uint8_t>(byte | index << (8 - form.depth * (k + 1)));
                    }
                }
                raw.push_back(byte);
            }
        }
    }
    return raw;
}

Bytes pngFile(const PngForm& form) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, form.width);
    put32(header, form.height);
    header.insert(header.end(), {form.depth, form.colourType, 0, 0, static_cast<std::uint8_t>(form.interlaced)});
    pngChunk(png, "IHDR", header);
    if (form.ancillary) {
        Bytes gamma;
        put32(gamma, 45455);
        pngChunk(png, "gAMA", gamma);
        const char text[] = "Comment\0a fuzzing seed";
        pngChunk(png, "tEXt", Bytes(text, text + sizeof text - 1));
    }
    if (form.colourType == 3) {
        Bytes palette;
        for (int i = 0; i < form.paletteEntries; ++i) {
            palette.insert(palette.end(), {static_cast<std::uint8_t>(i * 50), static_cast<std::uint8_t>(255 - i * 9),
                                           static_cast<std::uint8_t>(i * i)});
        }
        pngChunk(png, "PLTE", palette);
    }
    if (form.transparent > 0) {
        Bytes alpha;
        if (form.colourType == 3) {
            for (int i = 0; i < form.transparent; ++i) alpha.push_back(static_cast<std::uint8_t>(i * 70));
        } else {
            // The key: grey, or red, green and blue, 16 bits each.
            for (std::uint32_t i = 0; i < samplesPerPixel(form.colourType); ++i) {
                alpha.insert(alpha.end(), {0, static_cast<std::uint8_t>(form.depth == 16 ? 37 : 1)});
            }
        }
        pngChunk(png, "tRNS", alpha);
    }
    const Bytes raw = pngRows(form);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) return {};
    packed.resize(packedSize);
    const std::size_t part = packed.size() / static_cast<std::size_t>(form.idatChunks) + 1;
    for (std::size_t at = 0; at < packed.size(); at += part) {
        const std::size_t end = std::min(packed.size(), at + part);
        pngChunk(png, "IDAT", Bytes(packed.begin() + static_cast<std::ptrdiff_t>(at),
                                    packed.begin() + static_cast<std::ptrdiff_t>(end)));
    }
    if (form.ancillary) {
        const char text[] = "Author\0after the pixels";
        pngChunk(png, "tEXt", Bytes(text, text + sizeof text - 1));
    }
    pngChunk(png, "IEND", {});
    return png;
}

int makePngSeeds(const std::string& outDir) {
    const PngForm forms[] = {
        // width, height, colour type, depth, interlaced, palette, tRNS, IDATs, ancillary
        {8, 8, 0, 1, false, 0, 0, 1, false},     {13, 7, 0, 2, true, 0, 0, 1, false},
        {9, 5, 0, 4, false, 0, 1, 1, false},     {16, 16, 0, 8, true, 0, 0, 2, true},
        {7, 9, 0, 16, false, 0, 1, 1, false},    {12, 10, 2, 8, false, 0, 0, 1, false},
        {11, 6, 2, 8, true, 0, 1, 3, false},     {6, 6, 2, 16, true, 0, 0, 1, true},
        {15, 4, 3, 1, false, 2, 1, 1, false},    {10, 10, 3, 2, true, 4, 3, 1, false},
        {17, 3, 3, 4, false, 16, 16, 1, true},   {20, 12, 3, 8, true, 40, 12, 2, false},
        {5, 11, 4, 8, false, 0, 0, 1, false},    {4, 4, 4, 16, true, 0, 0, 1, false},
        {14, 9, 6, 8, false, 0, 0, 1, true},     {9, 9, 6, 8, true, 0, 0, 4, false},
        {3, 5, 6, 16, false, 0, 0, 1, false},    {1, 1, 6, 8, false, 0, 0, 1, false},
        {1, 1, 0, 1, true, 0, 0, 1, false},      {64, 48, 2, 8, false, 0, 0, 1, false},
    };
    int written = 0;
    for (const PngForm& form : forms) {
        const Bytes png = pngFile(form);
        if (png.empty()) continue;
        writeFile(outDir + "/seed-" + std::to_string(written++) + ".png", png);
    }
    std::printf("%d png seeds\n", written);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "batch") return makeBatchSeeds(argv[2], argc - 3, argv + 3);
    if (argc == 3 && std::string(argv[1]) == "blend") return makeBlendSeeds(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "png") return makePngSeeds(argv[2]);
    std::fprintf(stderr, "usage: make_seeds batch OUTDIR ICON... | make_seeds blend OUTDIR | make_seeds png OUTDIR\n");
    return 2;
}
