#include "batch/preview_page.h"

#include <cstdio>
#include <new>

#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "batch/variants.h"
#include "platform/console.h"
#include "platform/names.h"
#include "tga/tga_format.h"

const char* const PreviewPage::kFileName = "button-disabler-preview.html";

namespace {

// The page's head: no script, and nothing from outside the file. Pictures
// are drawn over a checkerboard, so that transparent pixels show, and
// scaled without smoothing, so that single pixels do. In a narrow window
// (and on a phone) each row becomes a block of labelled cells; printed,
// rows are not cut across pages and the checkerboard is kept.
const char* const kHead =
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Button Disabler preview: %s</title>\n"
    "<style>\n"
    "body { font: 14px/1.4 sans-serif; color: #111; background: #fff; margin: 12px; }\n"
    "h1 { font-size: 20px; margin: 0 0 4px; }\n"
    "h2 { font-size: 17px; margin: 16px 0 4px; }\n"
    "h3 { font-size: 15px; margin: 12px 0 4px; }\n"
    "p { margin: 4px 0; }\n"
    "table { border-collapse: collapse; }\n"
    "th, td { border: 1px solid #bbb; padding: 4px 6px; text-align: left; vertical-align: top; }\n"
    "th { background: #eee; }\n"
    ".icons td:nth-child(2) { white-space: nowrap; }\n"
    ".masks { display: flex; flex-wrap: wrap; gap: 8px 16px; }\n"
    "figure { margin: 0; }\n"
    "figcaption { font-size: 13px; }\n"
    ".pic { display: inline-block; line-height: 0;"
    " background: repeating-conic-gradient(#c8c8c8 0 25%%, #fff 0 50%%) 0 0 / 16px 16px; }\n"
    "img { display: block; image-rendering: pixelated; }\n"
    ".why { color: #555; font-style: italic; }\n"
    ".warn { color: #a00000; }\n"
    "@media (max-width: 720px) {\n"
    "  .icons, .icons tbody, .icons tr, .icons td { display: block; border: 0; }\n"
    "  .icons thead { display: none; }\n"
    "  .icons tr { border-top: 1px solid #bbb; padding: 6px 0; }\n"
    "  .icons td[data-label] { display: inline-block; }\n"
    "  .icons td[data-label]::before { content: attr(data-label); display: block; font-weight: bold; }\n"
    "  img { max-width: 100%%; height: auto; }\n"
    "}\n"
    "@media print {\n"
    "  body { margin: 0; }\n"
    "  tr, figure { break-inside: avoid; }\n"
    "  img { max-width: 100%%; height: auto; }\n"
    "  .pic { -webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
    "}\n"
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<h1>Button Disabler preview</h1>\n"
    "<p>Run: %s</p>\n";

// The columns of a row's pictures, each with the mask of its slot in
// MaskSet order (none for the icon as read).
const char* const kColumns[5] = {"As read", "Rewritten", "DIS", "PAS", "_Autocast"};
const TgaImage MaskSet::*const kMasks[4] = {&MaskSet::normalMask, &MaskSet::disabledMask, &MaskSet::passiveMask,
                                            &MaskSet::autocastMask};
const char* const kMaskNames[4] = {eligibility::kNormalMaskName, eligibility::kDisabledMaskName,
                                   eligibility::kPassiveMaskName, eligibility::kAutocastMaskName};

// The length of the UTF-8 sequence at `at`, 0 when the bytes there are none.
std::size_t sequenceLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[at + k]);
        if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

// Text as the page shows it: markup characters as references, control
// characters (C0, DEL, C1 and those of direction) as '?', as a terminal
// shows them, and bytes that are no UTF-8 (a POSIX name may hold any) as
// U+FFFD.
std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const std::size_t length = sequenceLength(text, at);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++at;
            } else if ((byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) ||
                       platform::isDirectionControl(text, at, length)) {
                out += '?';
                at += length;
            } else {
                out.append(text, at, length);
                at += length;
            }
            continue;
        }
        switch (byte) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte); break;
        }
        ++at;
    }
    return out;
}

// A console line (a printf format taking one name, or a whole line) as the
// page shows it: its tabs as spaces, without its line end.
std::string consoleLine(const char* format, const std::string& name) {
    int length = std::snprintf(nullptr, 0, format, name.c_str());
    std::string line(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
    std::snprintf(&line[0], line.size(), format, name.c_str());
    line.resize(line.size() - 1);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    for (char& c : line) {
        if (c == '\t') c = ' ';
    }
    return line;
}

std::string sizeOf(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " &times; " + std::to_string(height);
}

// How the file stores its pixels, as far as its header tells.
std::string formOf(const TgaImage& image) {
    const std::uint8_t type = image.header.size() > tga::kImageTypeOffset ? image.header[tga::kImageTypeOffset] : 0;
    std::string form = type == tga::kTypeUncompressed ? "Normal"
                       : type == tga::kTypeRunLength  ? "RLE"
                                                      : "type " + std::to_string(type);
    return form + ", " + std::to_string(image.bitsPerPixel) + " bits";
}

std::string reasonCell(const std::string& reason) {
    return "<span class=\"why\">" + reason + "</span>";
}

const char* const kOutOfMemory = "not shown: out of memory";

// Gives back the memory of `buffer` when it is more than is worth keeping.
template <typename Buffer>
void releaseIfLarge(Buffer& buffer) {
    if (buffer.capacity() > PngEncoder::kKeptBufferBytes) Buffer().swap(buffer);
}

}  // namespace

void PreviewPage::write(const std::string& text) {
    if (!failed_ && !file_.write(text.data(), text.size())) failed_ = true;
}

template <typename Step>
void PreviewPage::guarded(Step step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        abandon();
    }
}

void PreviewPage::abandon() {
    failed_ = true;
    file_.discard();
    releaseWorkingBuffers();
    releaseCells();
}

void PreviewPage::releaseWorkingBuffers() {
    if (blended_.pixels.capacity() > PngEncoder::kKeptBufferBytes) blended_.release();
    releaseIfLarge(png_);
    encoder_.releaseLargeBuffers();
}

void PreviewPage::releaseCells() {
    for (Cell& cell : cells_) releaseIfLarge(cell.html);
}

bool PreviewPage::open(platform::Folder& folder, const std::string& shown, const platform::LocalTime& when) {
    // The page is a new file of the writer's, whatever held its name
    // before, and shows every icon and mask it comes to show: nobody may
    // read it who may not read them all.
    guarded([&] {
        fileName_ = platform::resolveName(folder, kFileName);
        failed_ = !file_.open(folder, kFileName, {platform::Made::ShowsLater, {}});
    });
    if (failed_) return false;
    guarded([&] { writeHead(shown, when); });
    return !failed_;
}

void PreviewPage::writeHead(const std::string& shown, const platform::LocalTime& when) {
    char time[80];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    const std::string title = escaped(shown.empty() ? "." : shown);
    int length = std::snprintf(nullptr, 0, kHead, title.c_str(), time);
    std::string head(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(&head[0], head.size(), kHead, title.c_str(), time);
    head.resize(head.size() - 1);
    write(head);
}

void PreviewPage::beginPart(const std::string& folder, const MaskSet& masks) {
    masks_ = &masks;
    for (int slot = 0; slot < 4; ++slot) {
        if (masks.states[slot] == MaskState::Used) file_.alsoShows((masks.*kMasks[slot]).readers());
    }
    if (!failed_) guarded([&] { writePartHead(folder); });
    releaseWorkingBuffers();
}

void PreviewPage::writePartHead(const std::string& folder) {
    const MaskSet& masks = *masks_;
    std::string head = "<h2>Folder: " + escaped(folder.empty() ? "." : folder) + "</h2>\n";
    head += "<h3>Masks</h3>\n<div class=\"masks\">\n";
    for (int slot = 0; slot < 4; ++slot) {
        const TgaImage& mask = masks.*kMasks[slot];
        head += std::string("<figure><figcaption><b>") + kMaskNames[slot] + "</b><br>";
        if (masks_->states[slot] == MaskState::Used) {
            head += "used, " + sizeOf(mask.width, mask.height) + "</figcaption>";
            appendPicture(mask, nullptr, kMaskNames[slot], head);
        } else {
            head += reasonCell(masks_->states[slot] == MaskState::Missing ? "not found" : "not usable") + "</figcaption>";
        }
        head += "</figure>\n";
    }
    head += "</div>\n<h3>Icons</h3>\n<table class=\"icons\">\n<thead><tr><th>Icon</th><th>Read as</th>";
    for (const char* column : kColumns) head += std::string("<th>") + column + "</th>";
    head += "</tr></thead>\n<tbody>\n";
    write(head);
}

void PreviewPage::endPart() {
    guarded([&] { write("</tbody>\n</table>\n"); });
}

void PreviewPage::appendPicture(const TgaImage& image, const TgaImage* mask, const std::string& fileName,
                                std::string& html) {
    if (std::uint64_t{image.width} * image.height > kMaxShownPixels) {
        html += reasonCell("too large to show (" + sizeOf(image.width, image.height) + ")");
        return;
    }
    const std::size_t start = html.size();
    try {
        appendEncoded(image, mask, fileName, html);
    } catch (const std::bad_alloc&) {
        html.resize(start);  // never more than it held
        html += reasonCell(kOutOfMemory);
    }
}

void PreviewPage::appendEncoded(const TgaImage& image, const TgaImage* mask, const std::string& fileName,
                                std::string& html) {
    const TgaImage* shown = &image;
    if (mask != nullptr) {
        blended_.assign(image);
        if (!blended_.blend(*mask)) {
            html += reasonCell(kOutOfMemory);
            return;
        }
        shown = &blended_;
    }
    // Within the budget, a picture fails to encode only for lack of memory.
    if (!encoder_.encode(*shown, png_)) {
        html += reasonCell(kOutOfMemory);
        return;
    }
    // Small pictures at twice their size: single pixels show.
    const std::uint32_t scale = image.width < 128 ? 2 : 1;
    html += "<span class=\"pic\"><img width=\"" + std::to_string(image.width * scale) + "\" height=\"" +
            std::to_string(image.height * scale) + "\" title=\"" + escaped(fileName) + "\" alt=\"" +
            escaped(fileName) + "\" src=\"data:image/png;base64,";
    appendBase64(png_, html);
    html += "\"></span>";
}

std::string PreviewPage::reasonForMissing(int slot, const TgaImage& icon) const {
    const TgaImage& mask = masks_->*kMasks[slot];
    switch (masks_->states[slot]) {
        case MaskState::Missing: return "mask missing";
        case MaskState::Unusable: return "mask not usable";
        case MaskState::Used: break;
    }
    if (mask.sameSize(icon)) return "";
    return "no mask of the icon's size (the mask is " + sizeOf(mask.width, mask.height) + ")";
}

void PreviewPage::startIcon(const std::string& name, const std::string& fileName, const std::string& baseName,
                            const TgaImage& icon, bool runLength) {
    if (failed_) return;
    file_.alsoShows(icon.readers());
    guarded([&] {
        name_ = name;
        size_ = sizeOf(icon.width, icon.height);
        form_ = std::string(runLength ? "RLE" : "Normal") + ", " + std::to_string(icon.bitsPerPixel) + " bits";
        makeCells(fileName, baseName, icon);
    });
    // The run writes the icon's files next: only the cells are held meanwhile.
    releaseWorkingBuffers();
}

void PreviewPage::makeCells(const std::string& fileName, const std::string& baseName, const TgaImage& icon) {
    const std::string outputs[5] = {fileName, fileName, disabledVariantName(baseName), passiveVariantName(baseName),
                                    autocastVariantName(baseName)};
    for (Cell& cell : cells_) cell.html.clear();
    cells_[0].fileName = fileName;
    appendPicture(icon, nullptr, fileName, cells_[0].html);
    for (int slot = 0; slot < 4; ++slot) {
        const std::string reason = reasonForMissing(slot, icon);
        Cell& cell = cells_[slot + 1];
        cell.fileName = outputs[slot + 1];
        if (reason.empty()) {
            appendPicture(icon, &(masks_->*kMasks[slot]), cell.fileName, cell.html);
        } else if (slot == 0) {
            // The icon is rewritten all the same, without the normal mask.
            appendPicture(icon, nullptr, cell.fileName, cell.html);
            cell.html += "<br>" + reasonCell("without the normal mask: " + reason);
        } else {
            cell.html = reasonCell(reason);
            cell.fileName.clear();
        }
    }
}

void PreviewPage::finishIcon(unsigned variantsWritten, bool iconWritten) {
    if (failed_) return;
    guarded([&] { writeIconRow(variantsWritten, iconWritten); });
    releaseCells();
}

void PreviewPage::writeIconRow(unsigned variantsWritten, bool iconWritten) {
    std::string warnings;
    for (int output = 1; output < 5; ++output) {
        Cell& cell = cells_[output];
        if (cell.fileName.empty()) continue;
        const bool written = output == 1 ? iconWritten : (variantsWritten & (1u << (output - 2))) != 0;
        if (written) continue;
        warnings += "<br><span class=\"warn\">" + escaped(consoleLine(texts::kCannotWrite, cell.fileName)) + "</span>";
        cell.html = reasonCell("not written");
    }
    writeRow(name_, size_, form_, warnings);
}

void PreviewPage::addUnchangedIcon(const std::string& name, const TgaImage& icon, const char* warning,
                                   const std::string& fileName) {
    guarded([&] {
        for (Cell& cell : cells_) cell.html = reasonCell("left unchanged");
        writeRow(name, sizeOf(icon.width, icon.height), formOf(icon),
                 "<br><span class=\"warn\">" + escaped(consoleLine(warning, fileName)) + "</span>");
    });
}

void PreviewPage::addUnreadIcon(const std::string& name) {
    guarded([&] {
        for (Cell& cell : cells_) cell.html = reasonCell("not read");
        writeRow(name, "", "", "<br><span class=\"warn\">could not be opened</span>");
    });
}

void PreviewPage::writeRow(const std::string& name, const std::string& size, const std::string& form,
                           const std::string& warnings) {
    // Cell by cell: the pictures are not copied once more into one row.
    write("<tr><td><b>" + escaped(name) + "</b>" + warnings + "</td><td>" + size + "<br>" + form + "</td>");
    for (int column = 0; column < 5; ++column) {
        write(std::string("<td data-label=\"") + kColumns[column] + "\">");
        write(cells_[column].html);
        write("</td>");
    }
    write("</tr>\n");
}

void PreviewPage::addNote(const std::string& line) {
    guarded([&] { write("<tr><td colspan=\"7\">" + escaped(consoleLine("%s", line)) + "</td></tr>\n"); });
}

bool PreviewPage::commit() {
    guarded([&] { write("</body>\n</html>\n"); });
    bool committed = !failed_ && file_.commit();
    failed_ = true;
    return committed;
}
