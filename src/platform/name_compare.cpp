// What every system's names share: the icons' extension. How names are
// compared is each system's own (names_posix.cpp, names_windows.cpp).
#include "platform/names.h"

namespace platform {

bool hasTgaExtension(const std::string& name) {
    return name.size() >= 4 && compareIgnoreCase(name.c_str() + name.size() - 4, ".tga") == 0;
}

bool hasPngExtension(const std::string& name) {
    return name.size() >= 4 && compareIgnoreCase(name.c_str() + name.size() - 4, ".png") == 0;
}

}  // namespace platform
