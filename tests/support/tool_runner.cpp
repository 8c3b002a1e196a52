#include "support/tool_runner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "support/temp_dir.h"

namespace test_support {

std::vector<std::string> toolCommand() {
    const char* custom = std::getenv("BUTTON_DISABLER_COMMAND");
    std::vector<std::string> words;
    if (custom == nullptr || *custom == '\0') {
        words.push_back(BD_TOOL_PATH);
        return words;
    }
    std::istringstream in(custom);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string withoutCarriageReturns(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace

bool runningNativeTool() {
    const char* custom = std::getenv("BUTTON_DISABLER_COMMAND");
    return custom == nullptr || *custom == '\0';
}

std::string toolPath(const std::string& path) {
    if (runningNativeTool()) return path;
    std::string windowsPath = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    for (char& c : windowsPath) {
        if (c == '/') c = '\\';
    }
    return windowsPath;
}

WineShare::WineShare(const std::string& folder) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (runningNativeTool() || prefix == nullptr || *prefix == '\0') return;
    std::string server = std::string(prefix) + "/dosdevices/unc/bd-tests";
    mkdir((std::string(prefix) + "/dosdevices/unc").c_str(), 0755);
    mkdir(server.c_str(), 0755);
    std::string share = "share-" + std::to_string(static_cast<long>(getpid()));
    link_ = server + "/" + share;
    unlink(link_.c_str());
    if (symlink(folder.c_str(), link_.c_str()) == 0) path_ = "\\\\bd-tests\\" + share;
}

WineShare::~WineShare() {
    if (!link_.empty()) unlink(link_.c_str());
}

int startTool(const ToolSetup& setup, int outFd, int errFd) {
    std::vector<std::string> command = setup.runAs;
    std::vector<std::string> tool = toolCommand();
    if (!setup.program.empty()) tool.back() = setup.program;
    command.insert(command.end(), tool.begin(), tool.end());
    command.insert(command.end(), setup.arguments.begin(), setup.arguments.end());
    int closedPipe[2] = {-1, -1};
    if (setup.outputToClosedPipe && pipe(closedPipe) == 0) close(closedPipe[0]);
    pid_t child = fork();
    if (child == 0) {
        setsid();  // no controlling terminal: the key wait must end at once
        if (!setup.workDirectory.empty() && chdir(setup.workDirectory.c_str()) != 0) _exit(126);
        int nullFd = open("/dev/null", O_RDONLY);
        dup2(nullFd, 0);
        dup2(setup.outputToClosedPipe ? closedPipe[1] : outFd, 1);
        dup2(errFd, 2);
        rlimit noCore{0, 0};  // a signal that dumps core must not leave a file behind
        setrlimit(RLIMIT_CORE, &noCore);
        if (setup.umask >= 0) umask(static_cast<mode_t>(setup.umask));
        if (setup.fileSizeLimit >= 0) {
            rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit), static_cast<rlim_t>(setup.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        // The tool meets these signals as a user's shell leaves them, not as
        // the test program may have set them.
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) signal(signalNumber, SIG_DFL);
        std::vector<char*> argv;
        for (std::string& word : command) argv.push_back(&word[0]);
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (closedPipe[1] >= 0) close(closedPipe[1]);
    return child;
}

ToolResult runTool(const std::vector<std::string>& arguments, const std::string& workDirectory) {
    ToolSetup setup;
    setup.arguments = arguments;
    setup.workDirectory = workDirectory;
    return runTool(setup);
}

ToolResult runTool(const ToolSetup& setup) {
    // Output goes to files outside the work directory, so that the tool
    // never sees them.
    char outPattern[] = "/tmp/bd-out-XXXXXX";
    char errPattern[] = "/tmp/bd-err-XXXXXX";
    int outFd = mkstemp(outPattern);
    int errFd = mkstemp(errPattern);
    pid_t child = startTool(setup, outFd, errFd);
    int status = 0;
    waitpid(child, &status, 0);
    close(outFd);
    close(errFd);
    ToolResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.output = slurp(outPattern);
    result.errors = slurp(errPattern);
    unlink(outPattern);
    unlink(errPattern);
    if (!runningNativeTool()) {
        result.output = withoutCarriageReturns(result.output);
        result.errors = withoutCarriageReturns(result.errors);
    }
    return result;
}

}  // namespace test_support
