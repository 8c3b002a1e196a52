// The built tool given folders, files and options on its command line. A
// folder's part of the output, and what happens to its files, are checked
// against a run started inside an identical copy of the folder.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>

#include "e2e/expected_output.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "support/tool_runner.h"

using namespace test_support;

namespace {

using Contents = std::map<std::string, Bytes>;

// Four masks of 4 x 4 pixels, icons of that size (one run-length encoded)
// and one of another size; `seed` makes each folder's pixels its own.
void makeIconFolder(const std::string& folder, std::uint32_t seed) {
    mkdir(folder.c_str(), 0755);
    const char* files[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                           "ZOF_AUTOCAST_MASK.tga", "b.tga", "A.TGA"};
    for (const char* name : files) writeFile(folder + "/" + name, noiseTga(4, 4, 32, seed++).bytes());
    TgaFile runLength = noiseTga(4, 4, 24, seed++);
    runLength.imageType = 10;
    runLength.data = encodeRunLength(runLength.data, 3);
    writeFile(folder + "/rle.tga", runLength.bytes());
    writeFile(folder + "/small.tga", noiseTga(2, 2, 32, seed).bytes());
}

Contents contentsOf(const std::string& folder) {
    Contents contents;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") contents[name] = readFile(folder + "/" + name);
        }
        closedir(dir);
    }
    return contents;
}

// Copies of one folder: the first is worked on by a run started inside it.
// A run given arguments says more: the output returned has the note on the
// icon the masks do not fit.
ToolResult runInside(const std::string& folder) {
    ToolResult result = runTool({}, folder);
    EXPECT_EQ(result.exitCode, 0);
    const std::string small = reportLine("small.tga", 2, 2);
    const std::string::size_type at = result.output.find(small);
    if (at != std::string::npos && result.output.find("found. No normal mask") == std::string::npos) {
        result.output.insert(at + small.size(), "NOTE:\tIcon \"small.tga\" is 2 x 2: the masks of 4 x 4 (normal, "
                                                "disabled, passive, autocast) do not fit it and were passed over (--fit fits it to them)!\n");
    }
    return result;
}

std::string heading(const std::string& folder) {
    std::string line = "********************** Folder \"" + folder + "\" ";
    return line + std::string(line.size() < 76 ? 79 - line.size() : 3, '*') + "\n";
}

}  // namespace

TEST(Arguments, OneFolderGivesTheOutputAndFilesOfARunStartedInsideIt) {
    ScopedWorkDir dir;
    mkdir("elsewhere", 0755);
    makeIconFolder("inside", 1);
    ToolResult inside = runInside("inside");

    // Each form of path names a copy of the folder, and the tool starts in a
    // working directory that holds no icons. The absolute path is a
    // drive-letter path under wine.
    std::vector<std::pair<std::string, std::string>> copies = {
        {"My Icons", toolPath(dir.path() + "/My Icons/")},
        {"relative", toolPath("../relative")},
    };
    WineShare share(dir.path());
    if (runningNativeTool()) {
        ASSERT_EQ(symlink("linked", "link"), 0);  // a link to a folder, given as it is
        copies.push_back({"linked", "../link"});
    } else {
        // A quoted folder with a final backslash, as Windows PowerShell
        // passes it ("C:\My Icons\"), reaches the program as C:\My Icons".
        copies.push_back({"quoted", toolPath(dir.path() + "/quoted") + "\""});
        if (!share.path().empty()) copies.push_back({"on a share", share.path() + "\\on a share"});
    }
    for (const auto& copy : copies) {
        SCOPED_TRACE(copy.second);
        makeIconFolder(copy.first, 1);
        ToolResult result = runTool({copy.second}, "elsewhere");
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.errors, "");
        EXPECT_EQ(result.output, inside.output);
        EXPECT_EQ(contentsOf(copy.first), contentsOf("inside"));
    }
    EXPECT_TRUE(contentsOf("elsewhere").empty());

    // Given again in another spelling, and with an icon of it given too, the
    // folder is still worked on once: no icon gets the normal mask twice.
    makeIconFolder("twice", 1);
    ToolResult twice = runTool({toolPath("twice"), toolPath(dir.path() + "/twice/"), toolPath("twice/b.tga")});
    EXPECT_EQ(twice.output, inside.output);
    EXPECT_EQ(contentsOf("twice"), contentsOf("inside"));
    makeIconFolder("dot", 1);  // the current folder, and a file of it
    EXPECT_EQ(runTool({".", "b.tga"}, "dot").output, inside.output);
    EXPECT_EQ(contentsOf("dot"), contentsOf("inside"));
}

TEST(Arguments, SeveralFoldersEachGetAHeadedPartAndAMissingPathAWarning) {
    ScopedWorkDir dir;
    makeIconFolder("one", 1);
    makeIconFolder("one alone", 1);
    mkdir("two", 0755);  // no masks, one icon
    writeFile("two/Fire.tga", noiseTga(4, 4, 32, 9).bytes());
    mkdir("two alone", 0755);
    writeFile("two alone/Fire.tga", noiseTga(4, 4, 32, 9).bytes());
    std::string partOne = bodyOf(runInside("one alone").output);
    std::string partTwo = bodyOf(runInside("two alone").output);

    // Both relative: the second is found after working in the first.
    const std::string one = toolPath("one"), missing = toolPath("gone/away"), two = toolPath("two");
    ToolResult result = runTool({one, missing, two});
    EXPECT_EQ(result.exitCode, 1);  // it warned
    EXPECT_EQ(result.output, kExpectedBanner + heading(one) + partOne + "WARN:\tPath \"" + missing +
                                 "\" not found!\n" + heading(two) + partTwo + kExpectedClosing);
    EXPECT_EQ(contentsOf("one"), contentsOf("one alone"));
    EXPECT_EQ(contentsOf("two"), contentsOf("two alone"));
    // A folder and a file of another folder are two parts too.
    result = runTool({one, toolPath("two/Fire.tga")});
    EXPECT_NE(result.output.find(heading(one)), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(heading(toolPath("two/"))), std::string::npos) << result.output;
}

TEST(Arguments, GivenFilesAreWorkedOnAloneAndNamesThatAreNoIconsAreNoted) {
    ScopedWorkDir dir;
    makeIconFolder("icons", 1);
    makeIconFolder("reference", 1);
    for (const char* name : {"DISold.tga", "b_Autocast.tga", "notes.txt"}) {
        writeFile(std::string("icons/") + name, Bytes{1, 2, 3});
    }
    Contents before = contentsOf("icons");
    runInside("reference");

    std::vector<std::string> arguments;
    for (const char* name : {"b.tga", "notes.txt", "ZOF_PASSIVE_MASK.tga", "DISold.tga", "A.TGA", "b_Autocast.tga"}) {
        arguments.push_back(toolPath(dir.path() + "/icons/" + name));
    }
    arguments.push_back(toolPath("icons/b.tga"));  // again, in another spelling: worked on once
    ToolResult result = runTool(arguments);
    EXPECT_EQ(result.exitCode, 0);
    // In the order a run takes names, each line where the file would stand.
    EXPECT_EQ(bodyOf(result.output),
              kProcessingHeader + reportLine("A.tga", 4, 4) + reportLine("b.tga", 4, 4) +
                  "NOTE:\tFile \"b_Autocast.tga\" has the suffix \"_Autocast\" of a variant, not an icon. Skipped!\n"
                  "NOTE:\tFile \"DISold.tga\" has the prefix \"DIS\" or \"PAS\" of a variant, not an icon. Skipped!\n"
                  "NOTE:\tFile \"notes.txt\" is not a *.tga file. Skipped!\n"
                  "NOTE:\tFile \"ZOF_PASSIVE_MASK.tga\" is a mask, not an icon. Skipped!\n" +
                  summaryLine(2, 2));

    // The two icons and their variants as a run over the folder makes them;
    // everything else as it was.
    Contents expected = before;
    Contents reference = contentsOf("reference");
    // (b_Autocast.tga, given as a name to skip, is remade as b.tga's variant.)
    for (const char* name : {"A.TGA", "DISA.tga", "PASA.tga", "A_Autocast.tga", "b.tga", "DISb.tga", "PASb.tga",
                             "b_Autocast.tga"}) {
        expected[name] = reference[name];
    }
    EXPECT_EQ(contentsOf("icons"), expected);

    // A link given before the icon it leads to is an entry of its own: each
    // is reported and rewritten once, neither passed over.
    makeIconFolder("linked", 1);
    ASSERT_EQ(symlink("b.tga", "linked/alias.tga"), 0);
    result = runTool({toolPath(dir.path() + "/linked/alias.tga"), toolPath(dir.path() + "/linked/b.tga")});
    EXPECT_EQ(bodyOf(result.output), kProcessingHeader + reportLine("alias.tga", 4, 4) + reportLine("b.tga", 4, 4) +
                                         summaryLine(2, 2));
    EXPECT_EQ(readFile("linked/b.tga"), reference["b.tga"]);
    EXPECT_EQ(readFile("linked/alias.tga"), reference["b.tga"]);
}

// A folder, or a link to one, that a shell glob picked up with the icons
// ("pack/*.tga") is noted and never worked on: "Zz.tga -> .." must not
// mask the icons of the folder above.
TEST(Arguments, GivenNameEndingInTgaIsAnIconNeverAFolder) {
    ScopedWorkDir dir;
    makeIconFolder("pack", 1);
    ASSERT_TRUE(makeDirectory("pack/Sub.tga"));
    ASSERT_EQ(symlink("..", "pack/Zz.tga"), 0);
    writeFile("mine.tga", noiseTga(4, 4, 32, 9).bytes());
    writeFile("ZOF_NORMAL_MASK.tga", noiseTga(4, 4, 32, 10).bytes());
    const Bytes mine = readFile("mine.tga");
    std::vector<std::string> arguments;
    // (A separator after the name, as completion adds to a folder's, changes nothing.)
    for (const char* name : {"b.tga", "Sub.tga", "Zz.tga/"}) arguments.push_back(toolPath(dir.path() + "/pack/" + name));
    ToolResult result = runTool(arguments);
    EXPECT_EQ(bodyOf(result.output), kProcessingHeader + reportLine("b.tga", 4, 4) +
                                         "NOTE:\tFile \"Sub.tga\" is a folder, not an icon. Skipped!\n"
                                         "NOTE:\tFile \"Zz.tga\" is a folder, not an icon. Skipped!\n" +
                                         summaryLine(1, 1));
    EXPECT_EQ(readFile("mine.tga"), mine);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"ZOF_NORMAL_MASK.tga", "mine.tga", "pack"}));
}

// A Windows command prompt leaves wildcards to the program, which takes a
// pattern in a path's last part for the long names it matches, as if given
// (never "Fire.tgaX", whose short alias FIRE~1.TGA matches "*.tga"). On
// Linux the shell expands them, and a pattern that reaches the tool names
// nothing.
TEST(Arguments, WildcardsAreExpandedByTheWindowsProgram) {
    ScopedWorkDir dir;
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"*.tga", {"ZOF_NORMAL_MASK.tga", "ZOF_AUTOCAST_MASK.tga", "b.tga", "A.TGA", "rle.tga", "small.tga",
                   "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga"}},
        {"?.tga", {"b.tga", "A.TGA"}},
        {"*.none", {}}};
    for (const auto& pattern : cases) {
        SCOPED_TRACE(pattern.first);
        for (const char* folder : {"matched", "named"}) {
            makeIconFolder(folder, 1);
            writeFile(std::string(folder) + "/Fire.tgaX", Bytes{1});
        }
        const std::string path = toolPath(dir.path() + "/matched/") + pattern.first;
        std::string expected = kExpectedBanner + ("WARN:\tPath \"" + path + "\" not found!\n") + kExpectedClosing;
        if (!runningNativeTool() && !pattern.second.empty()) {
            std::vector<std::string> names;
            for (const std::string& name : pattern.second) names.push_back(toolPath(dir.path() + "/named/" + name));
            expected = runTool(names).output;
        }
        EXPECT_EQ(runTool({path}).output, expected);
        EXPECT_EQ(contentsOf("matched"), contentsOf("named"));
    }
}

// An icon that cannot be opened (a pipe) is reported and counted, given by
// name or met in its folder, and the run fails; a folder named like an icon
// is noted and not counted. A run without arguments passes over both.
TEST(Arguments, IconThatCannotBeOpenedIsCountedAndWarnedOf) {
    if (!runningNativeTool()) GTEST_SKIP() << "a pipe of this machine";
    ScopedWorkDir dir;
    makeIconFolder("icons", 1);
    ASSERT_EQ(mkfifo("icons/x.tga", 0644), 0);
    ASSERT_TRUE(makeDirectory("icons/d.tga"));
    const std::string cannotOpen = "WARN:\tCan't open \"x.tga\"!\n";
    ToolResult result = runTool({toolPath("icons/b.tga"), toolPath("icons/x.tga")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(bodyOf(result.output), kProcessingHeader + reportLine("b.tga", 4, 4) + cannotOpen + summaryLine(1, 2));
    result = runTool({"--preview", toolPath("icons")});
    EXPECT_EQ(result.exitCode, 1);
    const std::string body = bodyOf(result.output);
    EXPECT_NE(body.find("NOTE:\tFile \"d.tga\" is a folder, not an icon. Skipped!\n"), std::string::npos) << body;
    EXPECT_NE(body.find(cannotOpen + summaryLine(4, 5)), std::string::npos) << body;
    EXPECT_NE(readText("icons/button-disabler-preview.html")
                  .find("<b>x.tga</b><br><span class=\"warn\">could not be opened</span>"),
              std::string::npos);
    result = runTool({}, "icons");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.find("d.tga"), std::string::npos);
    EXPECT_EQ(result.output.find("Can't open"), std::string::npos);
    EXPECT_NE(result.output.find(summaryLine(4, 6)), std::string::npos) << result.output;
}

TEST(Arguments, HelpVersionAndUnknownOptionsWorkOnNothing) {
    ScopedWorkDir dir;
    makeIconFolder("icons", 1);
    Contents before = contentsOf("icons");
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"icons", "/?"}}) {
        ToolResult result = runTool(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output.rfind("Usage: button-disabler [OPTION]... [FOLDER | ICON.tga | ICON.png]...\n", 0), 0u);
        for (const char* word :
             {"ZOF_NORMAL_MASK.tga", "ZOF_AUTOCAST_MASK.tga", "--version", "--no-wait", "--output=DIR", "--masks=DIR"}) {
            EXPECT_NE(result.output.find(word), std::string::npos) << word;
        }
        EXPECT_EQ(result.errors, "");
    }

    ToolResult version = runTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "button-disabler " BD_VERSION "\n");

    ToolResult unknown = runTool({"icons", "--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.output, "");
    EXPECT_EQ(unknown.errors.rfind("button-disabler: unknown option \"--bogus\"\nUsage: button-disabler", 0), 0u);
    ToolResult bare = runTool({"icons", "--output"});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(bare.errors.rfind("button-disabler: option \"--output\" needs a folder\nUsage: button-disabler", 0), 0u);
    EXPECT_EQ(contentsOf("icons"), before);

    // After "--" a folder may look like an option.
    makeIconFolder("--help", 1);
    ToolResult folder = runTool({"--", "--help"});
    EXPECT_EQ(folder.output, runInside("icons").output);
    EXPECT_EQ(contentsOf("--help"), contentsOf("icons"));

    // A run that does not wait for a key asks for none.
    const std::string prompt = "Press any key to exit ...";
    makeIconFolder("quiet", 1);
    makeIconFolder("waiting", 1);
    std::string waiting = runInside("waiting").output;
    ASSERT_EQ(waiting.substr(waiting.size() - prompt.size()), prompt);
    EXPECT_EQ(runTool({"--no-wait", toolPath("quiet")}).output, waiting.substr(0, waiting.size() - prompt.size()));
}

namespace {

const char* const kKeyPrompt = "Press any key to exit ...";

bool sameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

// Whether the run `child` is blocked writing into a pipe, or has taken the
// keyboard (`terminal` is no longer in line input).
bool stalledOrRaw(pid_t child, int terminal) {
    std::ifstream wchan("/proc/" + std::to_string(child) + "/wchan");
    std::string waitsIn;
    termios now;
    return (std::getline(wchan, waitsIn) && waitsIn.find("pipe_write") != std::string::npos) ||
           (tcgetattr(terminal, &now) == 0 && (now.c_lflag & ICANON) == 0);
}

// Runs the tool with `arguments` on a terminal of its own (a pseudo
// terminal), and types `key` as soon as the key prompt shows; with its
// standard output going to `output` instead, as soon as it blocks writing
// there or takes the keyboard (or after two seconds, where the system does
// not tell what a process waits for). Gives up `patience` milliseconds
// later (or after half a minute). Returns the exit status (-1 when it had
// not ended), and all that the terminal showed; a run that ended must leave
// the terminal's settings as they were.
std::pair<int, std::string> runOnTerminal(const std::vector<std::string>& arguments, const std::string& key,
                                          int patience, int output = -1) {
    std::vector<std::string> command = toolCommand();
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    int terminal = -1, user = -1, status = -1;
    termios before{}, now{};
    if (openpty(&terminal, &user, nullptr, nullptr, nullptr) != 0 || tcgetattr(user, &before) != 0) return {-1, ""};
    pid_t child = fork();
    if (child == 0) {
        login_tty(user);
        if (output >= 0) dup2(output, 1);
        signal(SIGINT, SIG_DFL);  // as a user's shell leaves it
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(user);
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::seconds(30), typeBy = Clock::now() + std::chrono::seconds(2);
    std::string shown;
    bool ended = false, typed = false;
    for (char buffer[4096];;) {  // read as it comes: the tool never blocks on a full terminal
        pollfd shows{terminal, POLLIN, 0};
        ssize_t got = poll(&shows, 1, ended ? 100 : 20) > 0 ? read(terminal, buffer, sizeof buffer) : 0;
        if (got > 0) shown.append(buffer, static_cast<std::size_t>(got));
        if (got <= 0 && ended) break;  // all it showed is in
        const bool blocked = output >= 0 && !ended && (Clock::now() > typeBy || stalledOrRaw(child, terminal));
        if (!typed && (output < 0 ? shown.find(kKeyPrompt) != std::string::npos : blocked)) {
            typed = write(terminal, key.data(), key.size()) == static_cast<ssize_t>(key.size());
            deadline = std::min(deadline, Clock::now() + std::chrono::milliseconds(patience));
        }
        ended = ended || waitpid(child, &status, WNOHANG) == child;
        if (!ended && Clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            break;
        }
    }
    if (ended && runningNativeTool()) {
        EXPECT_TRUE(tcgetattr(terminal, &now) == 0 && sameSettings(before, now)) << "the terminal left changed";
    }
    close(terminal);
    return {ended ? status : -1, shown};
}

}  // namespace

// On a terminal the run waits for a key unless told not to. Ctrl+C is a key
// like any other, even typed as the prompt appears (a Windows program under
// wine gets it as a console event); after the key the shell's prompt starts
// on a line of its own.
TEST(Arguments, NoWaitEndsTheRunWithoutAKey) {
    ScopedWorkDir dir;
    EXPECT_EQ(runOnTerminal({"--no-wait"}, "", 0).first, 1 << 8);  // exit status 1: no mask, a warning
    EXPECT_EQ(runOnTerminal({}, "", 500).first, -1);  // the same run without the option waits
    const std::pair<int, std::string> ctrlC = runOnTerminal({}, "\x03", 10000);
    EXPECT_EQ(ctrlC.first, 0);  // ended, with exit status 0
    EXPECT_NE(ctrlC.second.find('\n', ctrlC.second.rfind(kKeyPrompt)), std::string::npos) << ctrlC.second;
}

TEST(Arguments, OnATerminalNamesShowNoControlBytesAndTheKeyWaitEndsTheLine) {
    if (!runningNativeTool()) GTEST_SKIP() << "needs a terminal of this machine";
    ScopedWorkDir dir;
    writeFile("Fire\x1b(0\x1b[?25l.tga", noiseTga(2, 2, 32, 1).bytes());
    writeFile("Csi\xc2\x9b" "1m\x9b" "2m\xe9.tga", noiseTga(2, 2, 32, 2).bytes());  // C1 CSI, in UTF-8 and alone
    // Direction controls (U+202A, U+202E, U+2066, U+2069) between characters that are none.
    writeFile("Bidi\u2029\u202A\u202E\u202F\u2065\u2066\u2069\u206A.tga", noiseTga(2, 2, 32, 3).bytes());
    const std::pair<int, std::string> run = runOnTerminal({}, "k", 10000);
    EXPECT_EQ(run.first, 0);
    const std::string& shown = run.second;
    EXPECT_NE(shown.find("Fire?(0?[?25l.tga"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
    EXPECT_NE(shown.find("Csi?1m?2m\xe9.tga"), std::string::npos) << shown;  // other bytes as they are
    EXPECT_NE(shown.find("Bidi\u2029??\u202F\u2065??\u206A.tga"), std::string::npos) << shown;
    const std::string promptThenLineEnd = "Press any key to exit ...\r\n";
    ASSERT_GE(shown.size(), promptThenLineEnd.size());
    EXPECT_EQ(shown.substr(shown.size() - promptThenLineEnd.size()), promptThenLineEnd);
}

namespace {

// A name of each kind of character, as it is, as a terminal shows it, and
// as the preview page shows it. (U+FFFD where the page shows a byte that
// is no UTF-8 character.)
#define BAD "\xEF\xBF\xBD"
struct NameShown {
    std::string name, onTerminal, onPage;
};
const NameShown kNameKinds[] = {
    {"c0\x01\x1b\x1f ~", "c0??? ~", "c0??? ~"},  // C0 controls, then the first printable characters
    {"del\x7f", "del?", "del?"},
    {"c1\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0", "c1???\xC2\xA0", "c1???\xC2\xA0"},  // then U+00A0, no control
    {"lone\x80\x9B\x9F\xA0\xC2", "lone???\xA0\xC2", "lone" BAD BAD BAD BAD BAD},
    {"<b>&\"'", "<b>&\"'", "&lt;b&gt;&amp;&quot;&#39;"},
    {"sur\xED\xA0\x80\xED\xBF\xBF\xED\x9F\xBF", "sur\xED\xA0\x80\xED\xBF\xBF\xED\x9F\xBF",
     "sur" BAD BAD BAD BAD BAD BAD "\xED\x9F\xBF"},  // surrogates, then U+D7FF
    {"o\xC1\xBF\xE0\x9F\xBF\xE0\xA0\x80\xF0\x8F\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF4\x90\x80\x80",
     "o\xC1\xBF\xE0\x9F\xBF\xE0\xA0\x80\xF0\x8F\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF4\x90\x80\x80",
     // overlong forms, the first and last characters of three and four bytes, one above U+10FFFF
     "o" BAD BAD BAD BAD BAD "\xE0\xA0\x80" BAD BAD BAD BAD "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF" BAD BAD BAD BAD},
};
#undef BAD

}  // namespace

// Every name is printed as it is into a file or a pipe; on a terminal and
// on the page, no byte of it can act as a control or as markup, and a
// character that ends a name (the folder's) is kept whole.
TEST(Arguments, NamesOfEveryKindShowAsTheyAreInFilesAndSafelyOnTheTerminalAndThePage) {
    if (!runningNativeTool()) GTEST_SKIP() << "needs a terminal of this machine";
    ScopedWorkDir dir;
    const std::string folder = "dir\xD1\x8F", gone = "gone\xD1\x8F";
    ASSERT_TRUE(makeDirectory(folder));
    for (const NameShown& kind : kNameKinds) {
        writeFile(folder + "/" + kind.name + ".tga", noiseTga(1, 1, 32, 1).bytes());
    }
    const std::string onTerminal = runOnTerminal({"--preview", folder, gone}, "k", 10000).second;
    const std::string inFile = runTool({folder, gone}).output;
    const std::string page = readText(folder + "/button-disabler-preview.html");
    for (const NameShown& kind : kNameKinds) {
        EXPECT_NE(onTerminal.find("\n" + kind.onTerminal + ".tga"), std::string::npos) << kind.onTerminal;
        EXPECT_NE(inFile.find("\n" + kind.name + ".tga"), std::string::npos) << kind.name;
        EXPECT_NE(page.find("<b>" + kind.onPage + ".tga</b>"), std::string::npos) << kind.onPage;
    }
    EXPECT_NE(onTerminal.find("\"" + gone + "\" not found"), std::string::npos) << onTerminal;
    EXPECT_NE(page.find("<h2>Folder: " + folder + "</h2>"), std::string::npos);
}

// With its report stalled (a pipe no one reads), a run on a terminal can
// still be stopped with Ctrl+C: it takes the keyboard only once the report
// is out.
TEST(Arguments, CtrlCStopsARunWhoseOutputHasStalled) {
    if (!runningNativeTool()) GTEST_SKIP() << "needs a terminal of this machine";
    ScopedWorkDir dir;
    int stalled[2];
    ASSERT_EQ(pipe(stalled), 0);
    ASSERT_EQ(fcntl(stalled[1], F_SETFL, O_NONBLOCK), 0);
    for (char block[4096] = {}; write(stalled[1], block, sizeof block) > 0;) {
    }
    ASSERT_EQ(fcntl(stalled[1], F_SETFL, 0), 0);
    const int status = runOnTerminal({}, "\x03", 3000, stalled[1]).first;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    close(stalled[0]);
    close(stalled[1]);
}

namespace {

const char* const kMasks[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                              "ZOF_AUTOCAST_MASK.tga"};

// What a run in place leaves in `folder`, less the masks it only read.
Contents writtenBy(const std::string& folder) {
    Contents contents = contentsOf(folder);
    for (const char* mask : kMasks) contents.erase(mask);
    return contents;
}

void setWritable(const std::string& folder, bool writable) {
    for (const auto& file : contentsOf(folder)) chmod((folder + "/" + file.first).c_str(), writable ? 0644 : 0444);
    chmod(folder.c_str(), writable ? 0755 : 0555);
}

}  // namespace

TEST(Arguments, OutputFolderGetsTheFilesOfARunInPlaceAndTheIconsGivenAreOnlyRead) {
    ScopedWorkDir dir;
    makeIconFolder("source", 1);
    makeIconFolder("in place", 1);
    ToolResult inPlace = runInside("in place");
    Contents original = contentsOf("source");
    // A run as root on someone else's icons keeps the files it writes into
    // its own folder its own, as any copy is.
    const bool asRoot = runningNativeTool() && geteuid() == 0;
    for (const auto& file : original) {
        if (asRoot) {
            ASSERT_EQ(chown(("source/" + file.first).c_str(), 65534, 65534), 0);
        }
    }
    setWritable("source", false);
    // Made with its parents; each run reads the originals again, never its
    // own outputs, and replaces what the last one wrote with the same bytes.
    const std::string output = toolPath("made/on the/way");
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{{"--output", output}, {"-o", output}, {"--output=" + output}}) {
        std::vector<std::string> arguments = options;
        arguments.push_back(toolPath("source"));
        ToolResult result = runTool(arguments);
        EXPECT_EQ(result.output, inPlace.output) << options[0];
        EXPECT_EQ(contentsOf("made/on the/way"), writtenBy("in place")) << options[0];
        EXPECT_EQ(contentsOf("source"), original) << options[0];
    }
    struct stat written;
    ASSERT_EQ(stat("made/on the/way/DISb.tga", &written), 0);
    if (asRoot) {
        EXPECT_EQ(written.st_uid, 0u);
    }
    setWritable("source", true);
}

TEST(Arguments, MasksFolderServesEveryFolderAndAnIconAlreadyWrittenIsSkipped) {
    ScopedWorkDir dir;
    makeIconFolder("reference", 1);  // the masks, A.TGA and b.tga
    mkdir("masks", 0755);
    mkdir("one", 0755);
    mkdir("two", 0755);
    for (const auto& file : contentsOf("reference")) {
        bool mask = file.first.compare(0, 4, "ZOF_") == 0;
        if (mask || file.first == "A.TGA" || file.first == "b.tga") {
            writeFile((mask ? "masks/" : "one/") + file.first, file.second);
        }
    }
    // Masks beside the icons are passed over; an icon of the same name in a
    // later folder leaves the first one's files as they are.
    makeIconFolder("decoys", 7);
    for (const char* mask : kMasks) writeFile(std::string("one/") + mask, readFile(std::string("decoys/") + mask));
    writeFile("two/B.tga", noiseTga(4, 4, 32, 99).bytes());
    std::remove("reference/rle.tga");  // A.TGA and b.tga are its icons
    std::remove("reference/small.tga");
    runInside("reference");

    // Windows takes "one..", "masks. ." and "out " for one, masks and out.
    const bool windows = !runningNativeTool();
    const std::string one = toolPath("one") + (windows ? ".." : ""), two = toolPath("two");
    ToolResult result = runTool({"--masks", toolPath("masks") + (windows ? ". ." : ""), "-o",
                                 toolPath("out") + (windows ? " " : ""), one, two});
    EXPECT_EQ(result.output, kExpectedBanner + heading(one) + kProcessingHeader + reportLine("A.tga", 4, 4) +
                                 reportLine("b.tga", 4, 4) + summaryLine(2, 2) + heading(two) + kProcessingHeader +
                                 "WARN:\tFile \"B.tga\" was already written by this run. Skipped!\n" +
                                 summaryLine(0, 1) + kExpectedClosing);
    EXPECT_EQ(contentsOf("out"), writtenBy("reference"));

    // Given among the folders again ("-o out pack/*"), in another spelling,
    // or by one of its icons, the output folder is no source: never masked
    // in place, nor are its icons taken for another part's. A folder inside
    // it, where nothing is written, is a source like any other.
    const std::string again = toolPath(dir.path() + "/out/"), sub = toolPath("out/sub"), icon = toolPath("out/A.TGA");
    ASSERT_TRUE(makeDirectory("out/sub"));
    const std::string parts = bodyOf(result.output);
    result = runTool({"--masks", toolPath("masks"), "-o", toolPath("out"), again, one, sub, two, icon});
    const std::string inside = "\" is inside the output folder. Skipped!\n";
    EXPECT_EQ(bodyOf(result.output), "NOTE:\tFolder \"" + again + "\" is the output folder. Skipped!\n" +
                                         parts.substr(0, parts.find(heading(two))) + heading(sub) +
                                         "No *.tga files in current directory!\n" +
                                         parts.substr(parts.find(heading(two))) + "NOTE:\tPath \"" + icon + inside);
    rmdir("out/sub");
    EXPECT_EQ(contentsOf("out"), writtenBy("reference"));
    // A run whose every path is skipped did nothing that was asked for.
    EXPECT_EQ(runTool({"-o", toolPath("out"), again, icon}).exitCode, 1);
    EXPECT_EQ(contentsOf("out"), writtenBy("reference"));
    // Given alone, it is the run in place there.
    EXPECT_NE(runTool({"-o", toolPath("out"), again}).output.find(reportLine("b.tga", 4, 4)), std::string::npos);
    // Its variants written, an icon whose own file could not be is written
    // all the same.
    ASSERT_TRUE(makeDirectory("out2") && makeDirectory("out2/b.tga"));
    result = runTool({"--masks", toolPath("masks"), "-o", toolPath("out2"), one, two});
    EXPECT_NE(result.output.find("\"B.tga\" was already written by this run"), std::string::npos) << result.output;
}

// The output folder, and every folder on its way, is made as any folder is
// (0777 under the umask). A set-group-ID output folder gives its group to
// every file written there, the page too.
TEST(Arguments, OutputFolderIsMadeUnderTheUmaskGivesItsGroupAndMayBeTheFolderWorkedOn) {
    if (!runningNativeTool()) GTEST_SKIP() << "POSIX permissions";
    ScopedWorkDir dir;
    makeIconFolder("icons", 1);
    for (int umask : {0, 027}) {
        ToolSetup setup;
        setup.umask = umask;
        const std::string made = "made" + std::to_string(umask);
        setup.arguments = {"-o", made + "/out", "icons"};
        runTool(setup);
        for (const std::string& folder : {made, made + "/out"}) {
            struct stat info;
            ASSERT_EQ(stat(folder.c_str(), &info), 0) << folder;
            EXPECT_EQ(info.st_mode & 07777, 0777u & ~umask) << folder;
        }
    }
    if (geteuid() != 0) GTEST_SKIP() << "only root gives a folder and an icon to others";
    const unsigned kTeam = 61003;
    ASSERT_TRUE(makeDirectory("team"));
    ASSERT_TRUE(chown("team", 0, kTeam) == 0 && chmod("team", 02775) == 0);
    runTool({"--preview", "-o", "team", "icons"});
    EXPECT_TRUE(fileExists("team/button-disabler-preview.html"));
    for (const auto& file : contentsOf("team")) {
        struct stat info;
        ASSERT_EQ(stat(("team/" + file.first).c_str(), &info), 0);
        EXPECT_EQ(info.st_gid, kTeam) << file.first;
    }
}

TEST(Arguments, OutputFolderThatCannotBeWrittenStopsTheRunWithOneLine) {
    ScopedWorkDir dir;
    makeIconFolder("icons", 1);
    Contents before = contentsOf("icons");
    std::vector<std::string> outputs = {toolPath("icons/b.tga/out")};
    // Root may write into a folder without write bits; the tool does not. A
    // Windows folder has no such bits.
    if (runningNativeTool()) outputs.push_back("locked");
    mkdir("locked", 0555);
    for (const std::string& output : outputs) {
        ToolResult result = runTool({"--output=" + output, toolPath("icons")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, std::string(kExpectedBanner) + "WARN:\tCan't write to folder \"" + output +
                                     "\"!\n" + kExpectedClosing);
        EXPECT_EQ(contentsOf("icons"), before);
    }
    EXPECT_TRUE(contentsOf("locked").empty());
    // Nor are the icons rewritten without the masks asked for.
    const std::string masks = toolPath("no masks");
    ToolResult result = runTool({"--masks", masks, toolPath("icons")});
    EXPECT_EQ(result.output,
              std::string(kExpectedBanner) + "WARN:\tPath \"" + masks + "\" not found!\n" + kExpectedClosing);
    EXPECT_EQ(contentsOf("icons"), before);
}

// A run given arguments is the modder's: a folder without masks takes those
// beside the program, or those installed into its prefix while only root
// and the user may change them (a Windows program has no prefix), in one
// line; an icon the masks do not fit gets a note; the exit status tells
// whether the run warned.
TEST(Arguments, FolderWithoutMasksTakesTheProgramsOwnAndTheExitStatusTellsOfWarnings) {
    ScopedWorkDir dir;
    const std::string tool = toolCommand().back();
    const std::string name = tool.substr(tool.find_last_of('/') + 1);
    const bool root = runningNativeTool() && geteuid() == 0;
    // (bare/masks holds no mask: it is passed over.) "open" is another
    // user's to change: its share/button-disabler may be written by its group,
    // "theirs" belongs to another user.
    const std::vector<std::string> prefixes = {"usr", "open", "theirs"};
    for (const char* folder : {"zip", "zip/masks", "bare", "bare/masks", "loose", "loose/masks"}) {
        ASSERT_TRUE(makeDirectory(folder));
    }
    for (const std::string& prefix : prefixes) {
        for (const char* folder : {"", "/bin", "/share", "/share/button-disabler", "/share/button-disabler/masks"}) {
            ASSERT_TRUE(makeDirectory(prefix + folder));
        }
    }
    std::vector<std::string> programs = {"zip/", "bare/", "loose/"}, masks = {"zip/masks/", "loose/masks/"};
    for (const std::string& prefix : prefixes) {
        programs.push_back(prefix + "/bin/");
        masks.push_back(prefix + "/share/button-disabler/masks/");
    }
    for (const std::string& folder : programs) {
        writeFile(folder + name, readFile(tool));
        ASSERT_EQ(chmod((folder + name).c_str(), 0755), 0);
    }
    for (const std::string& folder : masks) {
        for (const char* mask : kMasks) writeFile(folder + mask, noiseTga(4, 4, 32, 1).bytes());
    }
    ASSERT_EQ(chmod("open/share/button-disabler", 0775), 0);
    ASSERT_EQ(chmod("loose/masks", 0777), 0);
    if (root) {
        ASSERT_EQ(chown("theirs/share", 61001, 61001), 0);
    }
    const std::string misfit = "NOTE:\tIcon \"Big.tga\" is 8 x 8: the masks of 4 x 4 (normal, disabled, passive, "
                               "autocast) do not fit it and were passed over (--fit fits it to them)!\n";
    const std::string noMask = kAllMasksMissing;  // four notes and the warning
    const auto using_ = [&](const std::string& folder) {
        return "NOTE:\tNo masks beside the icons: using those in \"" + toolPath(dir.path() + "/" + folder) + "\"!\n";
    };
    const auto notUsed = [&](const std::string& folder) {
        if (!runningNativeTool()) return noMask;
        return "NOTE:\tMasks in \"" + toolPath(dir.path() + "/" + folder) +
               "\" not used: users other than root and you may change them!\n" + noMask;
    };
    struct Row {
        std::string program;
        std::vector<std::string> arguments;  // the icons' folder follows them
        std::string masksNotes;              // "": the report is not checked
        bool masked;
        int status;
    };
    std::vector<Row> rows = {
        {"zip", {}, using_("zip/masks"), true, 0},
        {"bare", {}, noMask, false, 1},
        {"open/bin", {}, notUsed("open/share/button-disabler/masks"), false, 1},
        {"zip", {toolPath("gone")}, "", true, 1},
        {"zip", {"--bogus"}, "", false, 2},
    };
    if (runningNativeTool()) {
        rows.push_back({"usr/bin", {"--"}, using_("usr/share/button-disabler/masks"), true, 0});
        rows.push_back({"loose", {}, notUsed("loose/masks"), false, 1});
    } else {
        rows.push_back({"usr/bin", {"--"}, noMask, false, 1});
        rows.push_back({"loose", {}, using_("loose/masks"), true, 0});
    }
    if (root) rows.push_back({"theirs/bin", {}, notUsed("theirs/share/button-disabler/masks"), false, 1});
    int count = 0;
    for (const Row& row : rows) {
        const std::string icons = "icons" + std::to_string(++count);
        SCOPED_TRACE(icons);
        ASSERT_TRUE(makeDirectory(icons));
        writeFile(icons + "/Fire.tga", noiseTga(4, 4, 32, 2).bytes());
        writeFile(icons + "/Big.tga", noiseTga(8, 8, 32, 3).bytes());
        ToolSetup setup;
        setup.program = dir.path() + "/" + row.program + "/" + name;
        setup.arguments = row.arguments;
        setup.arguments.push_back(toolPath(icons));
        ToolResult result = runTool(setup);
        EXPECT_EQ(result.exitCode, row.status);
        EXPECT_EQ(fileExists(icons + "/DISFire.tga"), row.masked);
        if (row.masksNotes.empty()) continue;
        EXPECT_EQ(bodyOf(result.output), row.masksNotes + kProcessingHeader + reportLine("Big.tga", 8, 8) +
                                             (row.masked ? misfit : "") + reportLine("Fire.tga", 4, 4) +
                                             summaryLine(2, 2));
    }
    // Without arguments the run is as it always was: the masks of its own
    // folder or none, no note, exit status 0.
    ToolSetup inside;
    inside.program = dir.path() + "/zip/" + name;
    inside.workDirectory = "icons2";
    ToolResult result = runTool(inside);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(bodyOf(result.output), noMask + kProcessingHeader + reportLine("Big.tga", 8, 8) +
                                         reportLine("Fire.tga", 4, 4) + summaryLine(2, 2));
}
