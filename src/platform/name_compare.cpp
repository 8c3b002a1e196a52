// Comparing names as the tool's names need: ASCII letters fold, nothing
// else does (names are UTF-8, and no other byte is a letter of its own).
#include "platform/names.h"

namespace platform {
namespace {

char foldLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

int compareIgnoreCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
}

int compareIgnoreCaseN(const char* a, const char* b, std::size_t count) {
    for (; count > 0; --count, ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
    return 0;
}

bool hasTgaExtension(const std::string& name) {
    return name.size() >= 4 && compareIgnoreCase(name.c_str() + name.size() - 4, ".tga") == 0;
}

}  // namespace platform
