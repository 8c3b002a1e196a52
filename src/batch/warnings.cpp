#include "batch/warnings.h"

#include "platform/console.h"

namespace {

// One program, one report: the count is the process's.
bool warned = false;

}  // namespace

void printWarning(std::FILE* console, const char* text) {
    warned = true;
    platform::printText(console, text);
}

void printWarning(std::FILE* console, const char* format, const std::string& name) {
    warned = true;
    platform::printFormatted(console, format, platform::shownName(console, name).c_str());
}

bool anyWarningPrinted() {
    return warned;
}
