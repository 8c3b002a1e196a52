// Checks a browser's screenshot of a preview page: every picture of the
// page must be on it, drawn at the size the page asks for over the page's
// checkerboard: opaque pixels exactly, the others as they blend with it.
// Usage: screenshot_check SCREENSHOT.png PAGE.html
// Prints where each picture was found, or which were not, and exits 0 only
// when every one was.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include "support/page_pictures.h"

using namespace test_support;

namespace {

struct Screen {
    int width = 0, height = 0;
    Bytes rgba;
    const std::uint8_t* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Whether picture pixel `pixel` shows as `shown` at (dx, dy) from the
// picture's corner. The page's checkerboard starts there: squares of 8
// screen pixels, grey (#c8c8c8) where exactly one of dx and dy falls in the
// second half of a 16-pixel tile, else white. A blend may round otherwise.
bool showsAs(const std::uint8_t* pixel, const std::uint8_t* shown, int dx, int dy) {
    const int background = ((dx % 16 >= 8) != (dy % 16 >= 8)) ? 0xC8 : 0xFF;
    const int alpha = pixel[3], slack = alpha == 255 ? 0 : 3;
    for (int k = 0; k < 3; ++k) {
        const int expected = (pixel[k] * alpha + background * (255 - alpha) + 127) / 255;
        if (std::abs(shown[k] - expected) > slack) return false;
    }
    return true;
}

// Whether the picture is on the screen with its top left corner at (left,
// top), each pixel a block of scale x scale screen pixels.
bool shownAt(const Screen& screen, const PagePicture& picture, int scale, int left, int top) {
    if (left < 0 || top < 0 || left + picture.width * scale > screen.width ||
        top + picture.height * scale > screen.height) {
        return false;
    }
    for (int y = 0; y < picture.height * scale; ++y) {
        for (int x = 0; x < picture.width * scale; ++x) {
            const std::uint8_t* pixel = &picture.rgba[(static_cast<std::size_t>(y / scale) * picture.width + x / scale) * 4];
            if (!showsAs(pixel, screen.at(left + x, top + y), x, y)) return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCREENSHOT.png PAGE.html\n", argv[0]);
        return 2;
    }
    std::ifstream shot(argv[1], std::ios::binary), html(argv[2], std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(shot)), std::istreambuf_iterator<char>());
    const std::string page((std::istreambuf_iterator<char>(html)), std::istreambuf_iterator<char>());
    Screen screen;
    if (!decodePng(png, screen.width, screen.height, screen.rgba)) {
        std::fprintf(stderr, "screenshot_check: %s is no PNG file\n", argv[1]);
        return 1;
    }
    const std::vector<PagePicture> pictures = picturesOf(page);
    std::set<std::pair<int, int>> taken;  // equal pictures are in cells of their own
    int found = 0;
    for (const PagePicture& picture : pictures) {
        const int scale = picture.width > 0 ? picture.shownWidth / picture.width : 0;
        // The most opaque pixel of the picture: where it may be on the screen.
        std::size_t anchor = 0;
        for (std::size_t at = 0; at < picture.rgba.size(); at += 4) {
            if (picture.rgba[at + 3] > picture.rgba[anchor + 3]) anchor = at;
        }
        bool shown = false;
        if (scale > 0 && !picture.rgba.empty()) {
            const int ax = static_cast<int>(anchor / 4) % picture.width * scale;
            const int ay = static_cast<int>(anchor / 4) / picture.width * scale;
            for (int y = ay; y < screen.height && !shown; ++y) {
                for (int x = ax; x < screen.width && !shown; ++x) {
                    if (!showsAs(&picture.rgba[anchor], screen.at(x, y), ax, ay)) continue;
                    const std::pair<int, int> corner(x - ax, y - ay);
                    if (taken.count(corner) == 0 && shownAt(screen, picture, scale, corner.first, corner.second)) {
                        taken.insert(corner);
                        shown = true;
                        std::printf("%-28s %dx at (%d, %d)\n", picture.title.c_str(), scale, corner.first, corner.second);
                    }
                }
            }
        }
        if (shown) {
            ++found;
        } else {
            std::printf("%-28s NOT FOUND (%d x %d, drawn %d wide)\n", picture.title.c_str(), picture.width,
                        picture.height, picture.shownWidth);
        }
    }
    std::printf("%d of %zu pictures of the page found on the screenshot\n", found, pictures.size());
    return found == static_cast<int>(pictures.size()) && found > 0 ? 0 : 1;
}
