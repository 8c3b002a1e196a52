// Runs the built tool as a user would, in the current directory.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ToolResult {
    int exitCode = -1;
    std::string output;  // standard output, line ends as on Linux
    std::string errors;  // standard error
};

// How the tool's process is set up, beyond what runTool always does.
struct ToolSetup {
    long fileSizeLimit = -1;          // bytes a file may grow to (RLIMIT_FSIZE); -1: none
    bool outputToClosedPipe = false;  // standard output a pipe whose reader is gone
};

// Runs the tool with no arguments in the current directory, with standard
// input from /dev/null and without a controlling terminal, so that its key
// wait ends at once. The tool is the one built with the tests, or the
// command in BUTTON_DISABLER_COMMAND (for instance "wine path/to/tool.exe"),
// whose CRLF line ends are then read as LF.
ToolResult runTool(const ToolSetup& setup = ToolSetup());

// The command runTool runs: the program and its arguments.
std::vector<std::string> toolCommand();

// Starts the tool as runTool does, with standard output and error going to
// the given descriptors, and returns at once: the child's process id.
int startTool(const ToolSetup& setup, int outFd, int errFd);

// Whether the tool under test is the native build (false: another platform's
// build run through an emulation layer).
bool runningNativeTool();

}  // namespace test_support
