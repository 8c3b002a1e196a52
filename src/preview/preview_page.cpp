#include "preview/preview_page.h"

#include <new>

#include "platform/console.h"
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
    ".file { font: 12px monospace; }\n"
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

// Text as the page shows a console line (a printf format taking one name,
// or a whole line): its tabs as spaces, without its line end.
std::string consoleLine(const char* format, const std::string& name) {
    std::string line = platform::formatted(format, name.c_str());
    while (!line.empty() && line.back() == '\n') line.pop_back();
    for (char& c : line) {
        if (c == '\t') c = ' ';
    }
    return escaped(line);
}

std::string sizeOf(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " &times; " + std::to_string(height);
}

// How the file stores its pixels, as far as its header tells.
std::string formOf(const IconOutcome& icon) {
    if (icon.png) return "PNG";
    const std::string form = icon.imageType == tga::kTypeUncompressed ? "Normal"
                             : icon.imageType == tga::kTypeRunLength  ? "RLE"
                                                                      : "type " + std::to_string(icon.imageType);
    return form + ", " + std::to_string(icon.bitsPerPixel) + " bits";
}

std::string why(const std::string& reason) {
    return "<span class=\"why\">" + reason + "</span>";
}

std::string warning(const std::string& line) {
    return "<br><span class=\"warn\">" + line + "</span>";
}

// The words of a mask that was not laid over an icon.
std::string reasonNotLaid(MaskFit fit, const TgaImage* mask) {
    switch (fit) {
        case MaskFit::Missing: return "mask missing";
        case MaskFit::Unusable: return "mask not usable";
        case MaskFit::OtherSize: break;
        case MaskFit::Laid: return "";
    }
    return "no mask of the icon's size (the mask is " + sizeOf(mask->width, mask->height) + ")";
}

const char* const kAsRead = "As read";
const char* const kOutOfMemory = "not shown: out of memory";

}  // namespace

void PreviewPage::write(const std::string& text) {
    if (!failed_ && !out_.write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) failed_ = true;
}

template <typename Step>
void PreviewPage::guarded(Step step) {
    if (failed_) return;
    try {
        step();
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    // The buffers of large pictures are given back: held on, they would
    // stand in the way of the icons that follow.
    if (png_.capacity() > PngEncoder::kKeptBufferBytes) std::string().swap(png_);
    encoder_.releaseLargeBuffers();
}

void PreviewPage::start(const std::string& shown, const std::string& when) {
    guarded([&] { write(platform::formatted(kHead, escaped(shown.empty() ? "." : shown).c_str(), when.c_str())); });
}

void PreviewPage::beginPart(const std::string& folder, const std::string& output, const PartMasks& masks) {
    masks_ = masks;
    guarded([&] {
        write("<h2>Folder: " + escaped(folder.empty() ? "." : folder) + "</h2>\n<p>Files written to: " +
              escaped(output.empty() ? "." : output) + "</p>\n<h3>Masks</h3>\n<div class=\"masks\">\n");
        for (int slot = 0; slot < kMaskCount; ++slot) {
            const TgaImage& mask = *masks.images[slot];
            const char* fileName = kMaskKinds[slot].fileName;
            std::string figure = std::string("<figure><figcaption><b>") + fileName + "</b><br>";
            if (masks.states[slot] == MaskState::Used) {
                figure += "used, " + sizeOf(mask.width, mask.height) + "</figcaption>" +
                          picture(mask.width, mask.height, mask.stride(), mask.pixels.data(), fileName);
                figure.erase(figure.rfind("<br>"));  // its name is its caption already
            } else {
                figure += why(masks.states[slot] == MaskState::Missing ? "not found" : "not usable") + "</figcaption>";
            }
            write(figure + "</figure>\n");
        }
        std::string head =
            "</div>\n<p>A mask changes the colours of an icon, never its transparency: the part of a mask that lies "
            "where the icon is transparent does not show.</p>\n<h3>Icons</h3>\n<table class=\"icons\">\n"
            "<thead><tr><th>Icon</th><th>Read as</th><th>" + std::string(kAsRead) + "</th>";
        for (const MaskKind& kind : kMaskKinds) head += std::string("<th>") + kind.column + "</th>";
        write(head + "</tr></thead>\n<tbody>\n");
    });
}

void PreviewPage::endPart() {
    guarded([&] { write("</tbody>\n</table>\n"); });
}

void PreviewPage::addNote(const std::string& line) {
    guarded([&] { write("<tr><td colspan=\"7\">" + consoleLine("%s", line) + "</td></tr>\n"); });
}

void PreviewPage::finish() {
    guarded([&] { write("</body>\n</html>\n"); });
}

void PreviewPage::addIcon(IconOutcome& icon) {
    if (icon.result == IconOutcome::Result::IsFolder) return;
    guarded([&] { writeRow(icon); });
}

void PreviewPage::writeRow(IconOutcome& icon) {
    using Result = IconOutcome::Result;
    std::string size, warnings, cells[kMaskCount + 1];
    if (icon.result == Result::NotOpened || icon.result == Result::NotRead) {
        warnings = warning("could not be opened");
        for (std::string& cell : cells) cell = why("not read");
    } else if (!icon.png || icon.width != 0) {
        size = sizeOf(icon.width, icon.height) + "<br>" + formOf(icon);
        if (icon.result == Result::Worked && (icon.writtenWidth != icon.width || icon.writtenHeight != icon.height)) {
            size += "<br>fitted to " + sizeOf(icon.writtenWidth, icon.writtenHeight);
        }
    }
    if (icon.result == Result::Unchanged) {
        warnings = warning(consoleLine(icon.warning, icon.fileName));
        for (std::string& cell : cells) cell = why("left unchanged");
    } else if (icon.result == Result::Worked) {
        // Each copy is given back once its picture is made; the icon as
        // read, which every note on a hidden mask looks at, last.
        for (int slot = 0; slot < kMaskCount; ++slot) {
            cells[slot + 1] = outputCell(icon, slot, warnings);
            tga::ByteBuffer().swap(icon.outputs[slot].bytes);
        }
        cells[0] = pictureOfFile(icon.asRead, icon.width, icon.height, icon.fileName);
        tga::ByteBuffer().swap(icon.asRead);
    }
    // Cell by cell: the pictures are not copied once more into one row.
    write("<tr><td><b>" + escaped(icon.reportName) + "</b>" + warnings + "</td><td>" + size + "</td>");
    for (int column = 0; column <= kMaskCount; ++column) {
        write(std::string("<td data-label=\"") + (column == 0 ? kAsRead : kMaskKinds[column - 1].column) + "\">");
        write(cells[column]);
        write("</td>");
    }
    write("</tr>\n");
}

std::string PreviewPage::outputCell(const IconOutcome& icon, int slot, std::string& warnings) {
    const OutputOutcome& output = icon.outputs[slot];
    if (!output.attempted) return why(reasonNotLaid(output.fit, masks_.images[slot]));
    if (!output.written) {
        if (output.warning != nullptr) warnings += warning(consoleLine(output.warning, output.fileName));
        return why("not written");
    }
    // Named as the file stands: an older file of the name in another letter
    // case keeps its spelling.
    const std::string& name = output.writtenAs.empty() ? output.fileName : output.writtenAs;
    std::string cell = pictureOfFile(output.bytes, icon.writtenWidth, icon.writtenHeight, name);
    if (output.fit != MaskFit::Laid) {
        // The icon is rewritten all the same, without the normal mask.
        cell += "<br>" + why("without the normal mask: " + reasonNotLaid(output.fit, masks_.images[slot]));
    }
    cell += hiddenPartNote(icon, slot);
    return cell;
}

std::string PreviewPage::hiddenPartNote(const IconOutcome& icon, int slot) const {
    const TgaImage& mask = *masks_.images[slot];
    // Kept only for a picture that may be shown, so its size fits.
    const std::size_t pixels = static_cast<std::size_t>(std::uint64_t{icon.width} * icon.height);
    const bool fitted = icon.writtenWidth != icon.width || icon.writtenHeight != icon.height;
    if (icon.outputs[slot].fit != MaskFit::Laid || icon.asRead.size() < pixels * 4 || icon.bitsPerPixel != 32 ||
        fitted) {
        return "";
    }
    const std::uint8_t* iconPixels = icon.asRead.data() + (icon.asRead.size() - pixels * 4);  // behind header and ID
    // One pass without a branch, which the compiler vectorises. A mask
    // without alpha shows everywhere.
    unsigned hidden = 0;
    if (mask.hasAlpha()) {
        const std::uint8_t* maskPixels = mask.pixels.data();
        for (std::size_t i = 0; i < pixels; ++i) {
            hidden |= (maskPixels[i * 4 + tga::kAlpha] != 0) & (iconPixels[i * 4 + tga::kAlpha] == 0);
        }
    } else {
        for (std::size_t i = 0; i < pixels; ++i) hidden |= iconPixels[i * 4 + tga::kAlpha] == 0;
    }
    return hidden ? "<br>" + why("mask partly hidden: the icon is transparent there") : "";
}

std::string PreviewPage::pictureOfFile(const tga::ByteBuffer& file, std::uint32_t width, std::uint32_t height,
                                       const std::string& fileName) {
    const std::uint64_t pixelBytes = std::uint64_t{width} * height * tga::kOutputBytesPerPixel;
    // The bytes written are not kept for a picture too large to show, nor
    // where memory ran out for them.
    const bool kept = file.size() >= pixelBytes;
    return picture(width, height, 4, kept ? file.data() + (file.size() - pixelBytes) : nullptr, fileName);
}

std::string PreviewPage::picture(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                                 const std::uint8_t* pixels, const std::string& fileName) {
    const std::string caption = "<br><span class=\"file\">" + escaped(fileName) + "</span>";
    if (std::uint64_t{width} * height == 0) return why("no pixels") + caption;
    if (std::uint64_t{width} * height > kMaxShownPixels) {
        return why("too large to show (" + sizeOf(width, height) + ")") + caption;
    }
    try {
        // Within the budget, a picture fails to encode only for lack of memory.
        if (pixels == nullptr || !encoder_.encode(width, height, stride, pixels, png_)) {
            return why(kOutOfMemory) + caption;
        }
        // Small pictures at twice their size: single pixels show.
        const std::uint32_t scale = width < 128 ? 2 : 1;
        const std::string head = "<span class=\"pic\"><img width=\"" + std::to_string(width * scale) +
                                 "\" height=\"" + std::to_string(height * scale) + "\" title=\"" + escaped(fileName) +
                                 "\" alt=\"" + escaped(fileName) + "\" src=\"data:image/png;base64,";
        const std::string tail = "\"></span>" + caption;
        // Its room made at once, with some for the notes that may follow:
        // the cell of a large picture is never copied.
        std::string html;
        html.reserve(head.size() + (png_.size() + 2) / 3 * 4 + tail.size() + 256);
        html += head;
        appendBase64(png_, html);
        html += tail;
        return html;
    } catch (const std::bad_alloc&) {
        return why(kOutOfMemory) + caption;
    }
}
