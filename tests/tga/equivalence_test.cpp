// TgaImage::load and save against a plain reference: a reader that takes one
// byte at a time from a stream (fgetc) and a writer that puts one byte at a
// time (fputc). The block reads, memcpy paths and block writes of the real
// code must give exactly what the plain byte-wise code gives: the same
// buffer (slack included), header, truncation flag and saved bytes, on
// third-party files, on generated files of every encoding, and on every
// prefix of small files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_environment.h"
#include "support/tga_builder.h"
#include "tga/blend_path.h"
#include "tga/pixel_blend.h"
#include "tga/tga_image.h"

namespace {

using test_support::Bytes;
using test_support::TgaFile;
using Byte = std::initializer_list<std::uint8_t>;

// What a load yields, decoded the plain way.
struct Decoded {
    bool loaded = false;  // load()'s result
    Bytes header;
    Bytes pixels;
    std::uint32_t headerSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    TgaContent content = TgaContent::None;
};

// The reference reader. Every byte comes from fgetc; a byte that is not
// there leaves the value it would have replaced.
class ReferenceReader {
public:
    explicit ReferenceReader(std::FILE* file) : file_(file) {}

    Decoded read() {
        Decoded d;
        d.header.assign(18 + 255, 0);
        for (int i = 0; i < 18; ++i) getInto(d.header[i]);
        bool ranShort = missing_;
        d.width = d.header[12] | (d.header[13] << 8);
        d.height = d.header[14] | (d.header[15] << 8);
        d.bitsPerPixel = d.header[16];
        int idLength = d.header[0];
        for (int i = 0; i < idLength; ++i) getInto(d.header[18 + i]);
        ranShort = ranShort || missing_;
        d.headerSize = 18 + idLength;

        const std::uint64_t stride = d.bitsPerPixel / 8;
        const std::uint64_t n = std::uint64_t{d.width} * d.height;
        const std::uint64_t bufferBytes = stride * n + 1000;
        if (bufferBytes > 0xFFFFFFFFull) return Decoded{};

        // Decode into a scratch buffer first: whether the buffer is kept
        // depends on the truncation flag, which only decoding can tell.
        Bytes pixels(static_cast<std::size_t>(bufferBytes), 0);
        const bool alpha = d.bitsPerPixel == 32;
        const int bytesPerRead = alpha ? 4 : 3;
        std::uint8_t channel[4] = {0, 0, 0, 0};
        auto store = [&](std::uint64_t i) {
            for (int k = 0; k < 3; ++k) {
                if (i * stride + k < pixels.size()) pixels[i * stride + k] = channel[k];
            }
            if (alpha && i * 4 + 3 < pixels.size()) pixels[i * 4 + 3] = channel[3];
        };
        // Reads one pixel; true when any of its bytes was missing.
        auto readPixel = [&]() {
            missing_ = false;
            for (int k = 0; k < bytesPerRead; ++k) getInto(channel[k]);
            return missing_;
        };

        std::uint8_t type = d.header[2];
        if (type == 2) {
            for (std::uint64_t i = 0; i < n; ++i) {
                if (readPixel()) ranShort = true;
                store(i);
            }
        } else if (type == 10) {
            std::uint8_t packet = 0;
            for (std::uint64_t i = 0; i < n;) {
                missing_ = false;
                getInto(packet);
                if (missing_) ranShort = true;
                std::uint64_t count = (packet & 0x7F) + 1u;
                if (packet & 0x80) {
                    if (readPixel()) ranShort = true;
                    for (std::uint64_t j = 0; j < count; ++j) store(i + j);
                } else {
                    for (std::uint64_t j = 0; j < count; ++j) {
                        // Bytes missing for pixels past the last one do not count.
                        if (readPixel() && i + j < n) ranShort = true;
                        store(i + j);
                    }
                }
                i += count;
            }
        }

        std::uint8_t cmType = d.header[1];
        int cmLength = d.header[5] | (d.header[6] << 8);
        bool decodable = (type == 2 || type == 10) && (d.bitsPerPixel == 24 || alpha) &&
                         !(cmType != 0 && cmLength != 0);
        d.content = !decodable ? TgaContent::Unsupported
                               : ranShort ? TgaContent::Truncated : TgaContent::Picture;
        d.loaded = true;
        if (d.content != TgaContent::Picture && bufferBytes > 4ull * 1024 * 1024) return d;

        // 24 and 32 bit pictures are put bottom row first, left to right:
        // pixel (row, column) of the file order lands where it belongs.
        const std::uint8_t descriptor = d.header[17];
        if ((d.bitsPerPixel == 24 || alpha) && (descriptor & 0x30) != 0) {
            Bytes ordered = pixels;
            for (std::uint64_t row = 0; row < d.height; ++row) {
                for (std::uint64_t col = 0; col < d.width; ++col) {
                    std::uint64_t toRow = (descriptor & 0x20) ? d.height - 1 - row : row;
                    std::uint64_t toCol = (descriptor & 0x10) ? d.width - 1 - col : col;
                    std::copy_n(&pixels[(row * d.width + col) * stride], stride,
                                &ordered[(toRow * d.width + toCol) * stride]);
                }
            }
            pixels = std::move(ordered);
        }
        d.pixels = std::move(pixels);
        return d;
    }

private:
    void getInto(std::uint8_t& byte) {
        int c = std::fgetc(file_);
        if (c == EOF) {
            missing_ = true;
        } else {
            byte = static_cast<std::uint8_t>(c);
        }
    }

    std::FILE* file_;
    bool missing_ = false;
};

Decoded referenceLoad(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) return Decoded{};
    Decoded d = ReferenceReader(file).read();
    std::fclose(file);
    return d;
}

// The reference writer: uncompressed 32-bit bottom-up, one byte at a time.
bool referenceSave(Decoded d, const std::string& fileName, std::uint8_t fillAlpha) {
    if (d.header.empty() || d.pixels.empty() || d.headerSize == 0) return false;
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) return false;
    d.header[2] = 2;
    d.header[16] = 32;
    d.header[17] = 0;
    for (std::uint32_t i = 0; i < d.headerSize; ++i) std::fputc(d.header[i], file);
    std::uint64_t stride = d.bitsPerPixel / 8;
    std::uint64_t n = std::uint64_t{d.width} * d.height;
    for (std::uint64_t i = 0; i < n; ++i) {
        if (d.bitsPerPixel == 32) {
            for (int k = 0; k < 4; ++k) std::fputc(d.pixels[i * 4 + k], file);
        } else {
            for (int k = 0; k < 3; ++k) std::fputc(d.pixels[i * stride + k], file);
            std::fputc(fillAlpha, file);
        }
    }
    return std::fclose(file) == 0;
}

std::string describe(TgaContent content) {
    switch (content) {
        case TgaContent::None: return "None";
        case TgaContent::Picture: return "Picture";
        case TgaContent::Unsupported: return "Unsupported";
        case TgaContent::Truncated: return "Truncated";
    }
    return "?";
}

// Loads and saves `fileName` both ways and compares everything; `what`
// names the case in failure messages.
void expectSameAsReference(const std::string& fileName, const std::string& what) {
    SCOPED_TRACE(what);
    Decoded expected = referenceLoad(fileName);
    TgaImage image;
    bool loaded = test_support::loadBytes(image, test_support::readFile(fileName));
    ASSERT_EQ(loaded, expected.loaded);
    if (!loaded) return;
    EXPECT_EQ(describe(image.content()), describe(expected.content));
    EXPECT_EQ(image.headerSize, expected.headerSize);
    EXPECT_EQ(image.width, expected.width);
    EXPECT_EQ(image.height, expected.height);
    EXPECT_EQ(image.bitsPerPixel, expected.bitsPerPixel);
    EXPECT_TRUE(image.header == expected.header) << "header block differs";
    ASSERT_EQ(image.pixels.size(), expected.pixels.size());
    // Not EXPECT_EQ on the vectors: a mismatch would print megabytes.
    std::size_t firstDifference = 0;
    while (firstDifference < image.pixels.size() &&
           image.pixels[firstDifference] == expected.pixels[firstDifference]) {
        ++firstDifference;
    }
    EXPECT_EQ(firstDifference, image.pixels.size()) << "pixel buffers differ first at byte " << firstDifference;

    // An odd fill alpha shows whether widened pixels take it.
    const std::uint8_t kFillAlpha = 0x5A;
    Bytes savedBytes;
    bool saved = test_support::saveBytes(image, kFillAlpha, savedBytes);
    bool savedByReference = referenceSave(expected, "saved-by-reference.out", kFillAlpha);
    ASSERT_EQ(saved, savedByReference);
    if (saved) {
        EXPECT_TRUE(savedBytes == test_support::readFile("saved-by-reference.out")) << "saved files differ";
    }
    // Removed rather than overwritten next time: replacing a file's content
    // makes some file systems write it out at once, which is slow.
    std::remove("saved-by-reference.out");
}

void writeCase(const Bytes& bytes) {
    std::remove("case.tga");
    test_support::writeFile("case.tga", bytes);
}

// Writes `bytes` and compares; also every prefix of them when `prefixes`.
void checkFile(const Bytes& bytes, const std::string& what, bool prefixes) {
    writeCase(bytes);
    expectSameAsReference("case.tga", what);
    if (!prefixes) return;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        writeCase(Bytes(bytes.begin(), bytes.begin() + length));
        expectSameAsReference("case.tga", what + ", cut to " + std::to_string(length) + " bytes");
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// A picture of flat stretches and noise, so that run-length data holds
// both packet kinds and packets that cross row ends.
Bytes mixedPixels(int width, int height, int bytesPerPixel, std::uint32_t seed) {
    Bytes pixels = test_support::noisePixels(width, height, bytesPerPixel, seed);
    for (std::size_t i = 0; i + 3 * bytesPerPixel <= pixels.size(); i += 5 * bytesPerPixel) {
        std::copy(pixels.begin() + i, pixels.begin() + i + bytesPerPixel, pixels.begin() + i + bytesPerPixel);
        std::copy(pixels.begin() + i, pixels.begin() + i + bytesPerPixel, pixels.begin() + i + 2 * bytesPerPixel);
    }
    return pixels;
}

TgaFile smallFile(std::uint8_t type, std::uint8_t depth, std::uint8_t descriptor, const std::string& id) {
    TgaFile file;
    file.imageType = type;
    file.width = 5;
    file.height = 3;
    file.depth = depth;
    file.descriptor = descriptor;
    file.id = id;
    // The reader takes 4 bytes per pixel at 32 bits and 3 at any other depth.
    int bytesPerRead = depth == 32 ? 4 : 3;
    Bytes pixels = mixedPixels(file.width, file.height, bytesPerRead, depth * 7u + descriptor);
    file.data = type == 10 ? test_support::encodeRunLength(pixels, bytesPerRead) : pixels;
    return file;
}

class EquivalenceTest : public ::testing::Test {
protected:
    test_support::ScopedWorkDir workDir;
};

TEST_F(EquivalenceTest, ThirdPartyFiles) {
    namespace fs = std::filesystem;
    SKIP_WITHOUT_CORPUS();
    fs::path corpus = test_support::corpusRoot();
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".tga") continue;
        ++files;
        expectSameAsReference(entry.path().string(), entry.path().string());
    }
    EXPECT_GT(files, 0);
}

// Types 2 and 10, meaningful and odd depths, every origin, with and without
// alpha bits declared, with and without an image ID; each file also cut
// short at every length.
TEST_F(EquivalenceTest, EveryEncodingAndEveryPrefix) {
    for (std::uint8_t type : Byte{2, 10}) {
        for (std::uint8_t depth : Byte{24, 32, 0, 8, 16}) {
            for (std::uint8_t descriptor : Byte{0x00, 0x20, 0x28, 0x10, 0x38}) {
                for (const std::string id : {"", "icon id"}) {
                    std::string what = "type " + std::to_string(type) + ", depth " + std::to_string(depth) +
                                       ", descriptor " + std::to_string(descriptor) +
                                       (id.empty() ? "" : ", with ID");
                    checkFile(smallFile(type, depth, descriptor, id).bytes(), what, true);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

TEST_F(EquivalenceTest, RunLengthPacketsThatOvershootTheLastPixel) {
    for (std::uint8_t depth : Byte{24, 32}) {
        int bytesPerRead = depth / 8;
        // A run of 128 over 15 pixels, and a raw packet of 20 whose data
        // stop at pixel 15 or go on into the surplus.
        TgaFile run = smallFile(10, depth, 0x20, "");
        run.data = {0xFF};
        run.data.insert(run.data.end(), bytesPerRead, 0x33);
        checkFile(run.bytes(), "long run, depth " + std::to_string(depth), false);

        TgaFile raw = smallFile(10, depth, 0, "");
        raw.data = {19};
        Bytes pixels = mixedPixels(20, 1, bytesPerRead, 3);
        raw.data.insert(raw.data.end(), pixels.begin(), pixels.begin() + 15 * bytesPerRead);
        checkFile(raw.bytes(), "raw packet ending at the last pixel, depth " + std::to_string(depth), true);
        raw.data.insert(raw.data.end(), pixels.begin() + 15 * bytesPerRead, pixels.begin() + 17 * bytesPerRead + 1);
        checkFile(raw.bytes(), "raw packet with part of its surplus, depth " + std::to_string(depth), false);
    }
}

// At 248 bits a pixel takes 31 bytes of buffer: the surplus of a run of 128
// reaches past the slack, and those stores are dropped.
TEST_F(EquivalenceTest, OvershootPastTheSlackIsDropped) {
    TgaFile file;
    file.imageType = 10;
    file.width = 3;
    file.height = 1;
    file.depth = 248;
    file.data = {0xFF, 1, 2, 3};
    checkFile(file.bytes(), "run of 128 at depth 248", true);
}

// Headers that declare more pixels than a buffer may hold, or than a short
// file can back: no buffer at all, or a header without pixels.
TEST_F(EquivalenceTest, DeclaredSizesBeyondWhatTheFileBacks) {
    TgaFile huge;
    huge.width = 65535;
    huge.height = 65535;
    huge.depth = 248;
    checkFile(huge.bytes(), "65535x65535 at depth 248", false);
    for (std::uint8_t type : Byte{2, 10}) {
        TgaFile big;
        big.imageType = type;
        big.width = 2000;
        big.height = 2000;
        big.depth = 32;
        big.data = {0x81, 1, 2, 3, 4, 5, 6};
        Bytes bytes = big.bytes();
        for (std::size_t length : {std::size_t{0}, std::size_t{18}, std::size_t{20}, bytes.size()}) {
            checkFile(Bytes(bytes.begin(), bytes.begin() + length),
                      "2000x2000, type " + std::to_string(type) + ", " + std::to_string(length) + " bytes", false);
        }
    }
}

// Files of more than one read block (1 MiB), whole and cut short near the
// block boundary and in the middle of a pixel.
TEST_F(EquivalenceTest, FilesLargerThanOneReadBlock) {
    for (std::uint8_t type : Byte{2, 10}) {
        for (std::uint8_t depth : Byte{24, 32}) {
            TgaFile file;
            file.imageType = type;
            file.width = 700;
            file.height = 500;
            file.depth = depth;
            file.descriptor = 0x20;
            Bytes pixels = mixedPixels(file.width, file.height, depth / 8, depth);
            file.data = type == 10 ? test_support::encodeRunLength(pixels, depth / 8) : pixels;
            Bytes bytes = file.bytes();
            std::string what = "700x500, type " + std::to_string(type) + ", depth " + std::to_string(depth);
            checkFile(bytes, what, false);
            for (std::size_t length : {std::size_t{18 + (1u << 20) - 1}, std::size_t{18 + (1u << 20) + 2},
                                       bytes.size() - 5, bytes.size() - 1}) {
                if (length >= bytes.size()) continue;
                checkFile(Bytes(bytes.begin(), bytes.begin() + length),
                          what + ", cut to " + std::to_string(length), false);
            }
        }
    }
}

}  // namespace

namespace tga {
// Names the path in failure messages.
void PrintTo(BlendPath path, std::ostream* out) {
    *out << (path == BlendPath::Avx2 ? "the AVX2 path" : "the baseline path");
}
}  // namespace tga

namespace {

// The blend tests run once per blend path (machine code for the baseline
// and for AVX2); a path this CPU cannot run is skipped, with the reason.
class BlendArithmetic : public ::testing::TestWithParam<tga::BlendPath> {
protected:
    void SetUp() override {
        if (!tga::forceBlendPath(GetParam())) {
            GTEST_SKIP() << "the AVX2 blend path cannot run here: this CPU (or its operating system) has no "
                            "AVX2, or this is not an x86 build; the baseline path is tested alone";
        }
    }
    void TearDown() override { tga::forceBlendPath(tga::bestBlendPath()); }

    test_support::ScopedWorkDir workDir;
};

INSTANTIATE_TEST_SUITE_P(EveryPath, BlendArithmetic,
                         ::testing::Values(tga::BlendPath::Baseline, tga::BlendPath::Avx2),
                         [](const ::testing::TestParamInfo<tga::BlendPath>& path) {
                             return path.param == tga::BlendPath::Avx2 ? std::string("Avx2")
                                                                       : std::string("Baseline");
                         });

// The blend, whatever path it takes, against the operator written out
// pixel by pixel: every pair of image and mask alpha, with colours at the
// ends and in the middle of the range.
std::uint8_t referenceBlendChannel(std::uint32_t colour, std::uint32_t aImage, std::uint32_t over,
                                   std::uint32_t aMask) {
    std::uint32_t wImage = (255 - aMask) * aImage / 255;
    std::uint32_t total = aMask + wImage;
    if (total == 0) return static_cast<std::uint8_t>(colour);
    return static_cast<std::uint8_t>((over * aMask + colour * wImage) / total);
}

TEST_P(BlendArithmetic, EveryAlphaPairGivesTheIntegerOperatorsResult) {
    const std::uint8_t colours[] = {0, 1, 2, 63, 127, 128, 129, 200, 253, 254, 255};
    const std::size_t kColours = sizeof colours;
    // One row per image alpha; along it every mask alpha with every pair of
    // colours (image colour in blue, its reverse in red, the mask's in green).
    const std::uint32_t width = 256 * kColours * kColours;
    TgaImage image = test_support::inMemoryImage(width, 256, 32);
    TgaImage mask = test_support::inMemoryImage(width, 256, 32);
    for (std::uint32_t aImage = 0; aImage < 256; ++aImage) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = &image.pixels[(std::size_t{aImage} * width + x) * 4];
            std::uint8_t* over = &mask.pixels[(std::size_t{aImage} * width + x) * 4];
            std::uint8_t colour = colours[x % kColours];
            std::uint8_t maskColour = colours[x / kColours % kColours];
            pixel[0] = colour;
            pixel[1] = maskColour;
            pixel[2] = static_cast<std::uint8_t>(255 - colour);
            pixel[3] = static_cast<std::uint8_t>(aImage);
            over[0] = maskColour;
            over[1] = colour;
            over[2] = maskColour;
            over[3] = static_cast<std::uint8_t>(x / (kColours * kColours));
        }
    }
    TgaImage expected = image;
    for (std::size_t p = 0; p < std::size_t{width} * 256; ++p) {
        for (int k = 0; k < 3; ++k) {
            expected.pixels[p * 4 + k] = referenceBlendChannel(image.pixels[p * 4 + k], image.pixels[p * 4 + 3],
                                                               mask.pixels[p * 4 + k], mask.pixels[p * 4 + 3]);
        }
    }
    ASSERT_TRUE(image.blend(mask));
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) mismatches += image.pixels[i] != expected.pixels[i];
    EXPECT_EQ(mismatches, 0u);
}

// A frame-shaped mask, opaque at its edges and clear inside, lays nothing
// over whole vectors of pixels; a variant, blended into a block of its own
// on the way to the file, must still get them there.
TEST_P(BlendArithmetic, FrameMaskWithAClearInterior) {
    const int side = 24;
    TgaFile icon = test_support::noiseTga(side, side, 32, 7);
    TgaFile frame = test_support::noiseTga(side, side, 32, 8);
    for (int y = 2; y < side - 2; ++y) {
        for (int x = 2; x < side - 2; ++x) frame.data[(y * side + x) * 4 + 3] = 0;
    }
    Bytes expected = icon.data;
    for (std::size_t p = 0; p < expected.size(); p += 4) {
        for (int k = 0; k < 3; ++k) {
            expected[p + k] =
                referenceBlendChannel(icon.data[p + k], icon.data[p + 3], frame.data[p + k], frame.data[p + 3]);
        }
    }
    TgaImage image, mask;
    ASSERT_TRUE(test_support::loadBytes(image, icon.bytes()) && test_support::loadBytes(mask, frame.bytes()));
    Bytes variant, rewritten;
    ASSERT_TRUE(test_support::saveBytes(image, 255, variant, &mask));
    ASSERT_TRUE(image.blend(mask) && test_support::saveBytes(image, 255, rewritten));
    Bytes header = icon.bytes();
    header.resize(18);
    EXPECT_TRUE(variant == test_support::savedForm(header, expected));
    EXPECT_TRUE(rewritten == test_support::savedForm(header, expected));
}

// Widening 3-byte pixels to 4-byte ones, on every path and at every run
// length around the widest step.
TEST_P(BlendArithmetic, WideningKeepsEveryColourByte) {
    const Bytes noise = test_support::noisePixels(40, 1, 3, 5);
    for (std::size_t count = 0; count <= 40; ++count) {
        Bytes widened(count * 4 + 4, 0xEE);
        tga::widenRun(noise.data(), widened.data(), count, 0x5A);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(Bytes(widened.begin() + i * 4, widened.begin() + i * 4 + 4),
                      (Bytes{noise[i * 3], noise[i * 3 + 1], noise[i * 3 + 2], 0x5A}))
                << count << " pixels, pixel " << i;
        }
        EXPECT_EQ(widened[count * 4], 0xEE) << "written past " << count << " pixels";
    }
}

// Images whose alpha changes along the rows (opaque stretches and
// translucent ones side by side), 24-bit images, and 24-bit masks: every
// combination of layouts the blend handles, against the plain operator.
TEST_P(BlendArithmetic, MixedAlphaAndEveryLayout) {
    const std::uint32_t width = 1003;
    const std::uint32_t height = 3;
    for (std::uint32_t imageDepth : {32u, 24u}) {
        for (std::uint32_t maskDepth : {32u, 24u}) {
            SCOPED_TRACE("image depth " + std::to_string(imageDepth) + ", mask depth " + std::to_string(maskDepth));
            TgaImage image = test_support::inMemoryImage(width, height, imageDepth);
            TgaImage mask = test_support::inMemoryImage(width, height, maskDepth);
            Bytes noise = test_support::noisePixels(width, height, 8, 5);
            const std::uint32_t is = imageDepth / 8, ms = maskDepth / 8;
            for (std::size_t p = 0; p < std::size_t{width} * height; ++p) {
                for (std::uint32_t k = 0; k < 3; ++k) {
                    image.pixels[p * is + k] = noise[p * 8 + k];
                    mask.pixels[p * ms + k] = noise[p * 8 + 4 + k];
                }
                // Mostly opaque, with translucent pixels now and then.
                if (is == 4) image.pixels[p * 4 + 3] = (p / 7) % 11 == 0 ? noise[p * 8 + 3] : 255;
                if (ms == 4) mask.pixels[p * 4 + 3] = noise[p * 8 + 7];
            }
            TgaImage expected = image;
            for (std::size_t p = 0; p < std::size_t{width} * height; ++p) {
                std::uint32_t aImage = is == 4 ? image.pixels[p * 4 + 3] : 255;
                std::uint32_t aMask = ms == 4 ? mask.pixels[p * 4 + 3] : 255;
                for (std::uint32_t k = 0; k < 3; ++k) {
                    expected.pixels[p * is + k] =
                        referenceBlendChannel(image.pixels[p * is + k], aImage, mask.pixels[p * ms + k], aMask);
                }
            }
            ASSERT_TRUE(image.blend(mask));
            EXPECT_TRUE(image.pixels == expected.pixels);
        }
    }
}

// saveBlended against what it stands for: copy, blend the copy, save it.
// Depths whose pixels share bytes (0, 8, 16) included, masks of another
// size and of 24 bits too.
TEST_P(BlendArithmetic, SaveBlendedWritesWhatABlendedCopyWould) {
    for (std::uint8_t depth : Byte{24, 32, 0, 8, 16, 40}) {
        for (std::uint8_t maskDepth : Byte{32, 24, 16}) {
            for (std::uint16_t maskWidth : std::initializer_list<std::uint16_t>{5, 4, 7}) {
                std::string what = "depth " + std::to_string(depth) + ", mask depth " +
                                   std::to_string(maskDepth) + ", mask width " + std::to_string(maskWidth);
                SCOPED_TRACE(what);
                TgaFile maskFile = smallFile(2, maskDepth, 0, "");
                maskFile.width = maskWidth;
                maskFile.height = 2;
                maskFile.data = mixedPixels(maskWidth, 2, maskDepth == 32 ? 4 : 3, 99);
                TgaImage icon, mask;
                ASSERT_TRUE(test_support::loadBytes(icon, smallFile(2, depth, 0x20, "id").bytes()));
                ASSERT_TRUE(test_support::loadBytes(mask, maskFile.bytes()));
                TgaImage copy = icon;
                const tga::ByteBuffer pixelsBefore = icon.pixels;
                copy.blend(mask);
                Bytes copied, blended;
                ASSERT_TRUE(test_support::saveBytes(copy, 0x5A, copied));
                ASSERT_TRUE(test_support::saveBytes(icon, 0x5A, blended, &mask));
                EXPECT_TRUE(copied == blended);
                EXPECT_TRUE(icon.pixels == pixelsBefore) << "saveBlended changed the pixels";
                EXPECT_TRUE(icon.header == copy.header);
            }
        }
    }
}

}  // namespace
