#include "batch_input.h"

#include <algorithm>

namespace fuzz_checks {
namespace {

void takePart(const std::uint8_t* data, std::size_t size, std::size_t& at,
              std::vector<std::uint8_t>& part) {
    if (size - at < 2) {
        at = size;
        return;
    }
    std::size_t length = data[at] | (data[at + 1] << 8);
    at += 2;
    length = std::min(length, size - at);
    part.assign(data + at, data + at + length);
    at += length;
}

void putPart(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& part) {
    std::size_t length = std::min<std::size_t>(part.size(), 0xFFFF);
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.insert(out.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace

int BatchInput::maskImage(int slot) const {
    int code = (maskSlots >> (2 * slot)) & 3;
    return code == 3 ? 1 : code;
}

BatchInput BatchInput::parse(const std::uint8_t* data, std::size_t size) {
    BatchInput input;
    if (size > 0) input.maskSlots = data[0];
    if (size > 1) input.options = data[1];
    std::size_t at = std::min<std::size_t>(size, 2);
    takePart(data, size, at, input.icon);
    takePart(data, size, at, input.imageA);
    takePart(data, size, at, input.imageB);
    return input;
}

std::vector<std::uint8_t> BatchInput::serialize() const {
    std::vector<std::uint8_t> out{maskSlots, options};
    putPart(out, icon);
    putPart(out, imageA);
    putPart(out, imageB);
    return out;
}

}  // namespace fuzz_checks
