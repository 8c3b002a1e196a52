// Printing on POSIX systems: terminals take UTF-8 as it is.
#include "platform/console.h"

namespace platform {

void printText(std::FILE* stream, const char* text, std::size_t size) {
    std::fwrite(text, 1, size, stream);
}

}  // namespace platform
