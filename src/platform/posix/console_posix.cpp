// Printing on POSIX systems: terminals take UTF-8 as it is.
#include "platform/console.h"

#include <unistd.h>

namespace platform {

void printText(std::FILE* stream, const char* text, std::size_t size) {
    std::fwrite(text, 1, size, stream);
}

bool isConsole(std::FILE* stream) {
    const int descriptor = fileno(stream);
    return descriptor >= 0 && isatty(descriptor) == 1;
}

}  // namespace platform
