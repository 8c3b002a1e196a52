// Writes starting inputs for the fuzz targets whose input is no plain TGA file.
//
//   make_seeds batch OUTDIR ICON...   one folder per small icon, with masks
//                                     of its size made up to go with it
//   make_seeds blend OUTDIR           a few pairs of images of either depth
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

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "batch") return makeBatchSeeds(argv[2], argc - 3, argv + 3);
    if (argc == 3 && std::string(argv[1]) == "blend") return makeBlendSeeds(argv[2]);
    std::fprintf(stderr, "usage: make_seeds batch OUTDIR ICON... | make_seeds blend OUTDIR\n");
    return 2;
}
