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
    std::vector<std::string> arguments;
    std::string workDirectory;        // empty: the current directory
    long fileSizeLimit = -1;          // bytes a file may grow to (RLIMIT_FSIZE); -1: none
    bool outputToClosedPipe = false;  // standard output a pipe whose reader is gone
    int umask = -1;                   // the tool's umask; -1: the test's own
    std::vector<std::string> runAs;   // a command put before the tool's (say setpriv)
    std::string program;              // a copy of the tool to run instead; "": the tool
};

// Runs the tool with no arguments in the current directory, with standard
// input from /dev/null and without a controlling terminal, so that its key
// wait ends at once. The tool is the one built with the tests, or the
// command in BUTTON_DISABLER_COMMAND (for instance "wine path/to/tool.exe"),
// whose CRLF line ends (on both outputs) are then read as LF.
ToolResult runTool(const ToolSetup& setup = ToolSetup());
// The same with arguments, in `workDirectory` (when not empty) instead of
// the current directory.
ToolResult runTool(const std::vector<std::string>& arguments, const std::string& workDirectory = "");

// The command runTool runs: the program (and, for an emulated build, the
// emulator before it).
std::vector<std::string> toolCommand();

// Starts the tool as runTool does, with standard output and error going to
// the given descriptors, and returns at once: the child's process id.
int startTool(const ToolSetup& setup, int outFd, int errFd);

// A path of this machine as the tool under test must be given it: as it is
// for the native build; for a Windows build, a Windows path, Z: being the
// drive on which wine shows the root of the file system.
std::string toolPath(const std::string& path);

// A folder of this machine shown to the Windows build under wine as a
// network share, \\bd-tests\NAME (wine reaches \\SERVER\SHARE through a
// link in its prefix's dosdevices/unc folder). The path is empty when no
// wine prefix is named in WINEPREFIX; the link goes with the object.
class WineShare {
public:
    explicit WineShare(const std::string& folder);
    ~WineShare();
    WineShare(const WineShare&) = delete;
    WineShare& operator=(const WineShare&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string link_;
    std::string path_;
};

// Whether the tool under test is the native build (false: another platform's
// build run through an emulation layer).
bool runningNativeTool();

}  // namespace test_support
