// Loading TGA files: every encoding and depth, row order, image IDs, the
// behaviour at the end of the data, and files the reader does not decode.
#include <gtest/gtest.h>

#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

TgaFile picture(std::uint16_t width, std::uint16_t height, std::uint8_t depth) {
    return noiseTga(width, height, depth, 3);
}

TgaImage loaded(const Bytes& bytes) {
    TgaImage image;
    EXPECT_TRUE(loadBytes(image, bytes));
    return image;
}

// The pixel data proper, without the slack.
Bytes pixelData(const TgaImage& image) {
    return Bytes(image.pixels.begin(), image.pixels.begin() + static_cast<long>(image.pixelDataBytes()));
}

// The whole pixel buffer, slack included.
Bytes wholeBuffer(const TgaImage& image) {
    return Bytes(image.pixels.begin(), image.pixels.end());
}

Bytes rowsReversed(const Bytes& pixels, std::size_t rowBytes) {
    Bytes out;
    for (std::size_t row = pixels.size() / rowBytes; row-- > 0;) {
        out.insert(out.end(), pixels.begin() + static_cast<long>(row * rowBytes),
                   pixels.begin() + static_cast<long>((row + 1) * rowBytes));
    }
    return out;
}

// Each row's pixels in reverse order.
Bytes rowsMirrored(const Bytes& pixels, std::size_t rowBytes, std::size_t stride) {
    Bytes out(pixels);
    for (std::size_t row = 0; row < pixels.size() / rowBytes; ++row) {
        for (std::size_t col = 0; col < rowBytes / stride; ++col) {
            std::copy_n(&pixels[row * rowBytes + col * stride], stride, &out[(row + 1) * rowBytes - (col + 1) * stride]);
        }
    }
    return out;
}

}  // namespace

TEST(TgaReader, DecodesEveryEncodingAndDepth) {
    for (std::uint8_t depth : {24, 32}) {
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (compressed ? " RLE" : " raw"));
            TgaFile file = picture(13, 7, depth);
            Bytes expected = file.data;
            if (compressed) {
                file.imageType = 10;
                file.data = encodeRunLength(expected, depth / 8);
            }
            TgaImage image = loaded(file.bytes());
            EXPECT_EQ(image.content(), TgaContent::Picture);
            EXPECT_TRUE(image.isLoaded());
            EXPECT_EQ(image.width, 13u);
            EXPECT_EQ(image.height, 7u);
            EXPECT_EQ(image.bitsPerPixel, depth);
            EXPECT_EQ(image.headerSize, 18u);
            EXPECT_EQ(image.pixels.size(), expected.size() + 1000);
            EXPECT_EQ(pixelData(image), expected);
        }
    }
}

// Pixels come out bottom row first and left to right whatever the origin;
// the other descriptor bits (alpha bit count) change nothing.
TEST(TgaReader, HonoursBothOriginBits) {
    for (std::uint8_t depth : {24, 32}) {
        const std::size_t stride = depth / 8;
        TgaFile file = picture(3, 5, depth);  // odd sides: the middle row and column stay
        const Bytes raw = file.data;
        for (std::uint8_t descriptor : {0x00, 0x08, 0x20, 0x28, 0x10, 0x18, 0x30, 0x38}) {
            Bytes expected = raw;
            if (descriptor & 0x20) expected = rowsReversed(expected, 3 * stride);
            if (descriptor & 0x10) expected = rowsMirrored(expected, 3 * stride, stride);
            file.descriptor = descriptor;
            for (std::uint8_t type : {2, 10}) {
                file.imageType = type;
                file.data = type == 2 ? raw : encodeRunLength(raw, stride);
                EXPECT_EQ(pixelData(loaded(file.bytes())), expected) << int(depth) << " bits, descriptor " << int(descriptor);
            }
        }
    }
}

TEST(TgaReader, KeepsTheImageIdInTheHeaderBlock) {
    for (std::size_t length : {0u, 1u, 255u}) {
        TgaFile file = picture(2, 2, 32);
        file.id = std::string(length, 'i');
        if (length > 0) file.id[length - 1] = 'z';
        TgaImage image = loaded(file.bytes());
        EXPECT_EQ(image.headerSize, 18 + length);
        EXPECT_GE(image.header.size(), 18u + 255u);
        Bytes bytes = file.bytes();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 18 + static_cast<long>(length), image.header.begin()));
        EXPECT_EQ(pixelData(image), file.data);  // pixels start right after the ID
    }
}

TEST(TgaReader, RunLengthPacketsCrossRowsAndTheLastOneOvershootsIntoTheSlack) {
    TgaFile file = picture(3, 2, 32);
    // A raw packet of 4 pixels crossing the row end, then a run of 128
    // pixels of which only 2 belong to the image.
    Bytes pixel = {1, 2, 3, 4};
    file.imageType = 10;
    file.data = {0x03};
    file.data.insert(file.data.end(), {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33, 40, 41, 42, 43});
    file.data.push_back(0xFF);
    file.data.insert(file.data.end(), pixel.begin(), pixel.end());
    TgaImage image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Picture);
    EXPECT_EQ(pixelData(image), (Bytes{10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33, 40, 41, 42, 43,
                                       1, 2, 3, 4, 1, 2, 3, 4}));
    // 126 surplus pixels lie in the slack; the rest of it stays zero.
    for (std::size_t i = 24; i < 24 + 126 * 4; ++i) ASSERT_EQ(image.pixels[i], pixel[i % 4]) << i;
    for (std::size_t i = 24 + 126 * 4; i < image.pixels.size(); ++i) ASSERT_EQ(image.pixels[i], 0) << i;
}

TEST(TgaReader, RawPacketOfOnePixelAndRunOf128) {
    TgaFile file = picture(129, 1, 24);
    file.imageType = 10;
    file.data = {0x00, 9, 8, 7, 0xFF, 1, 2, 3};
    Bytes expected = {9, 8, 7};
    for (int i = 0; i < 128; ++i) expected.insert(expected.end(), {1, 2, 3});
    EXPECT_EQ(pixelData(loaded(file.bytes())), expected);
}

TEST(TgaReader, EmptyPictureIsJustTheSlack) {
    for (auto size : {std::pair<int, int>{0, 5}, {5, 0}, {0, 0}}) {
        TgaFile file;
        file.width = static_cast<std::uint16_t>(size.first);
        file.height = static_cast<std::uint16_t>(size.second);
        TgaImage image = loaded(file.bytes());
        EXPECT_TRUE(image.isLoaded());
        EXPECT_EQ(image.content(), TgaContent::Picture);
        EXPECT_EQ(wholeBuffer(image), Bytes(1000, 0));
    }
}

TEST(TgaReader, ShortUncompressedDataRepeatsTheLastBytesReadPerChannel) {
    TgaFile file = picture(4, 1, 32);
    file.data = {1, 2, 3, 4, 5, 6};  // one pixel and half of the next
    TgaImage image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Truncated);
    EXPECT_EQ(pixelData(image), (Bytes{1, 2, 3, 4, 5, 6, 3, 4, 5, 6, 3, 4, 5, 6, 3, 4}));

    file.depth = 24;
    file.data = {};  // nothing at all: every channel keeps its start value 0
    image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Truncated);
    EXPECT_EQ(pixelData(image), Bytes(12, 0));
}

TEST(TgaReader, ShortRunLengthDataReusesTheLastPacketHeader) {
    TgaFile file = picture(6, 1, 24);
    file.imageType = 10;
    // A raw packet of 2 pixels whose second pixel is cut after one byte; the
    // header is then used again: raw packets of 2 that read nothing.
    file.data = {0x01, 1, 2, 3, 4};
    TgaImage image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Truncated);
    EXPECT_EQ(pixelData(image), (Bytes{1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 2, 3, 4, 2, 3, 4, 2, 3}));
}

TEST(TgaReader, SurplusOfTheLastPacketMayBeMissing) {
    TgaFile file = picture(2, 1, 24);
    file.imageType = 10;
    file.data = {0x05, 1, 2, 3, 4, 5, 6};  // a raw packet of 6 with only the 2 needed pixels
    TgaImage image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Picture);
    EXPECT_EQ(pixelData(image), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(TgaReader, ShortHeaderOrIdIsTruncated) {
    TgaFile file = picture(2, 2, 32);
    file.id = "abc";
    Bytes bytes = file.bytes();
    Bytes cutInId(bytes.begin(), bytes.begin() + 19);
    TgaImage image = loaded(cutInId);
    EXPECT_EQ(image.content(), TgaContent::Truncated);
    EXPECT_EQ(image.headerSize, 21u);
    TgaFile empty;  // no pixels that could run short: the ID alone does
    empty.id = "abc";
    Bytes emptyCutInId = empty.bytes();
    emptyCutInId.resize(19);
    EXPECT_EQ(loaded(emptyCutInId).content(), TgaContent::Truncated);
    Bytes cutInHeader(bytes.begin(), bytes.begin() + 17);  // the descriptor is missing
    EXPECT_EQ(loaded(cutInHeader).content(), TgaContent::Truncated);
    Bytes tiny(bytes.begin(), bytes.begin() + 14);  // no height: nothing to read
    image = loaded(tiny);
    EXPECT_EQ(image.height, 0u);
    EXPECT_EQ(image.pixels.size(), 1000u);
}

TEST(TgaReader, FilesThatAreNoTrueColourPictureLoadUndecoded) {
    for (std::uint8_t type : {1, 3, 9, 11, 0, 33}) {
        TgaFile file = picture(4, 4, 8);
        file.imageType = type;
        TgaImage image = loaded(file.bytes());
        EXPECT_EQ(image.content(), TgaContent::Unsupported) << int(type);
        EXPECT_EQ(wholeBuffer(image), Bytes(16 + 1000, 0)) << int(type);
    }
    TgaFile sixteen = picture(4, 4, 16);
    EXPECT_EQ(loaded(sixteen.bytes()).content(), TgaContent::Unsupported);
    TgaFile mapped = picture(4, 4, 24);
    mapped.colorMapLength = 16;
    for (std::uint8_t mapType : {1, 2, 128}) {  // reserved types hold maps of unknown layout
        mapped.colorMapType = mapType;
        EXPECT_EQ(loaded(mapped.bytes()).content(), TgaContent::Unsupported) << int(mapType);
    }
    mapped.colorMapLength = 0;  // a map type without entries announces nothing
    EXPECT_EQ(loaded(mapped.bytes()).content(), TgaContent::Picture);
}

TEST(TgaReader, OddDepthsFollowTheSameRules) {
    // Depth 16: stride 2, yet three bytes read per pixel, each store
    // overlapping the next pixel's first byte.
    TgaFile file = picture(2, 1, 16);
    file.data = {1, 2, 3, 4, 5, 6};
    TgaImage image = loaded(file.bytes());
    EXPECT_EQ(image.content(), TgaContent::Unsupported);
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 6), (Bytes{1, 2, 4, 5, 6, 0}));
}

TEST(TgaReader, FailuresLeaveTheRecordAsDocumented) {
    TgaImage image = loaded(picture(2, 2, 32).bytes());
    TgaFile beyond;  // 65535 x 65535 x 4 + 1000 does not fit in 32 bits
    beyond.width = beyond.height = 65535;
    EXPECT_FALSE(loadBytes(image, beyond.bytes()));
    EXPECT_FALSE(image.isLoaded());
    EXPECT_TRUE(image.header.empty());

    TgaFile huge;  // fits, but a 18-byte file cannot back 4 GB of pixels
    huge.width = huge.height = 32767;
    EXPECT_TRUE(loadBytes(image, huge.bytes()));
    EXPECT_EQ(image.content(), TgaContent::Truncated);
    EXPECT_FALSE(image.isLoaded());
    EXPECT_TRUE(image.pixels.empty());
}

TEST(TgaReader, ReleaseEmptiesAndKeepsTheSizes) {
    TgaImage image;
    EXPECT_FALSE(image.isLoaded());
    image = loaded(picture(3, 2, 24).bytes());
    image.release();
    EXPECT_FALSE(image.isLoaded());
    EXPECT_EQ(image.headerSize, 0u);
    EXPECT_EQ(image.width, 3u);
    image.release();  // twice is harmless
    EXPECT_TRUE(loadBytes(image, picture(3, 2, 24).bytes()));
    EXPECT_TRUE(image.isLoaded());
}
