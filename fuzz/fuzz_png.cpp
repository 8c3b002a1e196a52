// libFuzzer entry point: see checkPng in checks.h for what is checked.
//
// libpng is Debian's, not instrumented: the fuzzer sees no coverage inside
// it, and nearly every mutation of a chunk breaks that chunk's CRC, which
// libpng refuses at once for the chunks that matter. So most mutants get
// their CRCs made right again, and reach the decoding proper.
#include <array>
#include <cstddef>
#include <cstdint>

#include "checks.h"
#include "fuzz_target.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

constexpr std::size_t kSignatureBytes = 8;
// A chunk: length (4 bytes, big-endian), type (4), data, CRC (4).
constexpr std::size_t kChunkOverhead = 12;
// One mutant in this many keeps whatever CRCs the mutation left.
constexpr unsigned kKeepCrcsOneIn = 8;

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::uint32_t crcOf(const std::uint8_t* bytes, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Rewrites the CRC of every whole chunk, up to the first that runs past the
// end.
void fixChunkCrcs(std::uint8_t* data, std::size_t size) {
    std::size_t at = kSignatureBytes;
    while (size >= kChunkOverhead && at <= size - kChunkOverhead) {
        const std::uint32_t length = std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 |
                                     std::uint32_t{data[at + 2]} << 8 | data[at + 3];
        if (length > size - kChunkOverhead - at) return;
        const std::uint32_t crc = crcOf(data + at + 4, 4 + std::size_t{length});
        std::uint8_t* out = data + at + 8 + length;
        for (int k = 0; k < 4; ++k) out[k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
        at += kChunkOverhead + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz_target::enterScratchDirectory(argc, argv);
    return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % kKeepCrcsOneIn != 0) fixChunkCrcs(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_target::require(fuzz_checks::checkPng(data, size));
    return 0;
}
