// Third-party TGA files: every true-colour one decodes to the colours of its
// PNG reference, and a run leaves every file it cannot decode untouched.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <map>

#include "support/temp_dir.h"
#include "support/test_environment.h"
#include "support/tool_runner.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

// Every .tga file below the corpus root, as paths relative to it.
void collectTga(const std::string& relative, std::vector<std::string>& out) {
    std::string path = corpusRoot() + (relative.empty() ? "" : "/" + relative);
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string child = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (stat((corpusRoot() + "/" + child).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            collectTga(child, out);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0) {
            out.push_back(child);
        }
    }
    closedir(dir);
    std::sort(out.begin(), out.end());
}

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    collectTga("", files);
    return files;
}

struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // r, g, b, a; top row first
};

// Decodes any PNG to 8-bit RGBA with libpng.
bool readPng(const std::string& path, Rgba& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGBA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    bool ok = png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok;
}

struct Reference {
    const char* tga;
    const char* png;
    bool compareAlpha;  // false where the reference is opaque but the file's alpha bytes are not
};

const Reference kReferences[] = {
    {"truevision/ctc24.tga", "truevision/ctc24.png", true},
    {"truevision/utc24.tga", "truevision/utc24.png", true},
    {"truevision/utc32.tga", "truevision/utc32.png", false},
    {"truevision/ctc32.tga", "truevision/color.png", false},
    {"image-rs/top_left.tga", "image-rs/top_left.tga.png", true},
    {"image-rs/top_right.tga", "image-rs/top_right.tga.png", true},
    {"image-rs/bottom_left.tga", "image-rs/bottom_left.tga.png", true},
    {"image-rs/bottom_right.tga", "image-rs/bottom_right.tga.png", true},
    {"pillow/common/200x32_rgb_bl_raw.tga", "pillow/common/200x32_rgb.png", true},
    {"pillow/common/200x32_rgb_bl_rle.tga", "pillow/common/200x32_rgb.png", true},
    {"pillow/common/200x32_rgb_tl_raw.tga", "pillow/common/200x32_rgb.png", true},
    {"pillow/common/200x32_rgb_tl_rle.tga", "pillow/common/200x32_rgb.png", true},
    {"pillow/common/200x32_rgba_bl_raw.tga", "pillow/common/200x32_rgba.png", true},
    {"pillow/common/200x32_rgba_bl_rle.tga", "pillow/common/200x32_rgba.png", true},
    {"pillow/common/200x32_rgba_tl_raw.tga", "pillow/common/200x32_rgba.png", true},
    {"pillow/common/200x32_rgba_tl_rle.tga", "pillow/common/200x32_rgba.png", true},
    {"ftrvxmtrx/rgb24_bottom_left_rle.tga", "ftrvxmtrx/rgb24.0.png", true},
    {"ftrvxmtrx/rgb24_top_left.tga", "ftrvxmtrx/rgb24.0.png", true},
    {"ftrvxmtrx/rgb32_bottom_left.tga", "ftrvxmtrx/rgb32.0.png", true},
    {"ftrvxmtrx/rgb32_top_left_rle.tga", "ftrvxmtrx/rgb32.0.png", true},
    {"libgd/tga_read_rgb.tga", "libgd/tga_read_rgb.png", true},
    {"libgd/tga_read_rgb_rle.tga", "libgd/tga_read_rgb.png", true},
    {"tinytga/chessboard_uncompressed.tga", "tinytga/chessboard_uncompressed.png", true},
    {"tinytga/chessboard_rle.tga", "tinytga/chessboard_uncompressed.png", true},
    {"wuffs/bricks-color.tga", "wuffs/bricks-color.png", true},
};

bool isTrueColour(const TgaImage& image) {
    std::uint8_t type = image.header[tga::kImageTypeOffset];
    bool colourMap = image.header[tga::kColorMapTypeOffset] != 0 &&
                     (image.header[tga::kColorMapLengthOffset] | image.header[tga::kColorMapLengthOffset + 1]) != 0;
    return (type == 2 || type == 10) && (image.bitsPerPixel == 24 || image.bitsPerPixel == 32) && !colourMap;
}

}  // namespace

TEST(Corpus, TrueColourFilesLoadAsPictures) {
    SKIP_WITHOUT_CORPUS();
    // Files of the corpus that are broken on purpose: their data end early.
    const std::vector<std::string> knownShort = {"libgd/heap_overflow_1.tga",
                                                 "tinytga/error_truncated_image_data.tga"};
    int trueColour = 0;
    for (const std::string& file : corpusFiles()) {
        TgaImage image;
        ASSERT_TRUE(loadBytes(image, readFile(corpusRoot() + "/" + file))) << file;
        if (!isTrueColour(image)) {
            EXPECT_EQ(image.content(), TgaContent::Unsupported) << file;
            continue;
        }
        ++trueColour;
        bool isShort = std::find(knownShort.begin(), knownShort.end(), file) != knownShort.end();
        EXPECT_EQ(image.content(), isShort ? TgaContent::Truncated : TgaContent::Picture) << file;
    }
    EXPECT_GE(trueColour, 50);
}

// The image's pixels, read bottom row first and left to right as the record
// holds them, compared with the reference picture: the mismatching pixels.
int mismatchesWith(const TgaImage& image, const Reference& reference) {
    Rgba png;
    EXPECT_TRUE(readPng(corpusRoot() + "/" + reference.png, png));
    EXPECT_EQ(png.width, static_cast<int>(image.width));
    EXPECT_EQ(png.height, static_cast<int>(image.height));
    if (png.width != static_cast<int>(image.width) || png.height != static_cast<int>(image.height)) return -1;
    int mismatches = 0;
    for (int y = 0; y < png.height; ++y) {
        for (int x = 0; x < png.width; ++x) {
            const std::uint8_t* mine =
                image.pixels.data() + (static_cast<std::size_t>(png.height - 1 - y) * image.width + x) * image.stride();
            const std::uint8_t* theirs = png.pixels.data() + (static_cast<std::size_t>(y) * png.width + x) * 4;
            int alpha = image.hasAlpha() ? mine[3] : 255;
            bool same = mine[2] == theirs[0] && mine[1] == theirs[1] && mine[0] == theirs[2] &&
                        (!reference.compareAlpha || alpha == theirs[3]);
            if (!same) ++mismatches;
        }
    }
    return mismatches;
}

TEST(Corpus, DecodedColoursMatchTheReferenceImages) {
    SKIP_WITHOUT_CORPUS();
    for (const Reference& reference : kReferences) {
        SCOPED_TRACE(reference.tga);
        TgaImage image;
        ASSERT_TRUE(loadBytes(image, readFile(corpusRoot() + "/" + reference.tga)));
        ASSERT_EQ(image.content(), TgaContent::Picture);
        EXPECT_EQ(mismatchesWith(image, reference), 0);
    }
}

// After a run, every file the tool cannot decode holds its old bytes, and
// every other one is rewritten and, where there is a reference picture,
// shows that picture.
TEST(Corpus, RunLeavesEveryFileItCannotDecodeUnchanged) {
    SKIP_WITHOUT_CORPUS();
    std::map<std::string, Bytes> originals;
    std::map<std::string, bool> decodable;
    ScopedWorkDir dir;
    for (const std::string& file : corpusFiles()) {
        // Flattened names; none of them looks like a variant or a mask.
        std::string flat = file;
        std::replace(flat.begin(), flat.end(), '/', '-');
        Bytes bytes = readFile(corpusRoot() + "/" + file);
        writeFile(flat, bytes);
        originals[flat] = bytes;
        TgaImage image;
        loadBytes(image, bytes);
        decodable[flat] = image.content() == TgaContent::Picture;
    }
    ToolResult result = runTool();
    EXPECT_EQ(result.exitCode, 0);
    int untouched = 0;
    for (const auto& original : originals) {
        Bytes now = readFile(original.first);
        if (!decodable[original.first]) {
            EXPECT_EQ(now, original.second) << original.first;
            ++untouched;
            continue;
        }
        // Rewritten as 32-bit uncompressed bottom-up.
        ASSERT_GE(now.size(), 18u) << original.first;
        EXPECT_EQ(now[2], 2);
        EXPECT_EQ(now[16], 32);
        EXPECT_EQ(now[17], 0);
    }
    EXPECT_GE(untouched, 40);
    for (const Reference& reference : kReferences) {
        std::string flat = reference.tga;
        std::replace(flat.begin(), flat.end(), '/', '-');
        SCOPED_TRACE(flat);
        TgaImage rewritten;
        ASSERT_TRUE(loadBytes(rewritten, readFile(flat)));
        EXPECT_EQ(mismatchesWith(rewritten, reference), 0);
    }
    EXPECT_EQ(listDirectory().size(), originals.size());
}
