// Printing on POSIX systems: terminals take UTF-8 as it is.
#include "platform/console.h"

#include <unistd.h>

namespace platform {

void printText(std::FILE* stream, const char* text, std::size_t size) {
    std::fwrite(text, 1, size, stream);
}

bool isConsole(std::FILE* stream) {
    // A standard stream is asked once: what it goes to stays so for the run
    // (a closed one is filled before anything is printed), and every report
    // line asks.
    static int standard[3] = {-1, -1, -1};
    const int descriptor = fileno(stream);
    if (descriptor < 0) return false;
    if (descriptor > 2) return isatty(descriptor) == 1;
    if (standard[descriptor] < 0) standard[descriptor] = isatty(descriptor) == 1 ? 1 : 0;
    return standard[descriptor] == 1;
}

}  // namespace platform
