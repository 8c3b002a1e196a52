// Runs the built tool as a user would, in the current directory.
#pragma once

#include <string>

namespace test_support {

struct ToolResult {
    int exitCode = -1;
    std::string output;  // standard output, line ends as on Linux
    std::string errors;  // standard error
};

// Runs the tool with no arguments in the current directory, with standard
// input from /dev/null and without a controlling terminal, so that its key
// wait ends at once. The tool is the one built with the tests, or the
// command in BUTTON_DISABLER_COMMAND (for instance "wine path/to/tool.exe"),
// whose CRLF line ends are then read as LF.
ToolResult runTool();

// Whether the tool under test is the native build (false: another platform's
// build run through an emulation layer).
bool runningNativeTool();

}  // namespace test_support
