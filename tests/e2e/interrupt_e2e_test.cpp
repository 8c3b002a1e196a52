// A run stopped from outside at any moment, a file-size limit, and an
// output pipe closed early: no temporary file and no half-written file is
// ever left, and what the run can still finish, it finishes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "e2e/expected_output.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "support/tool_runner.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

const char* const kMaskNames[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                                  "ZOF_AUTOCAST_MASK.tga"};

// Masks and icons of one size: small ones, so that a run is mostly the
// moments between files, and a few large ones, so that it is also long
// writes.
std::map<std::string, Bytes> folderOf(int icons, std::uint16_t side, std::uint32_t seed) {
    std::map<std::string, Bytes> files;
    for (const char* mask : kMaskNames) files[mask] = noiseTga(side, side, 32, seed++).bytes();
    for (int i = 0; i < icons; ++i) {
        TgaFile icon = noiseTga(side, side, i % 2 ? 24 : 32, seed++);
        if (i % 3 == 0) {
            icon.imageType = 10;
            icon.data = encodeRunLength(icon.data, icon.depth / 8);
        }
        files["icon" + std::to_string(i) + ".tga"] = icon.bytes();
    }
    return files;
}

void writeFolder(const std::map<std::string, Bytes>& files) {
    for (const auto& file : files) writeFile(file.first, file.second);
}

// Every file is still there, and either as it was or a complete picture as
// the tool writes it; nothing else is there. Returns what is wrong, or "".
std::string problemsIn(const std::map<std::string, Bytes>& before) {
    std::string problems;
    for (const auto& file : before) {
        if (!fileExists(file.first)) problems += file.first + " is gone; ";
    }
    for (const std::string& name : listDirectory()) {
        auto original = before.find(name);
        if (original != before.end() && readFile(name) == original->second) continue;
        if (name == "button-disabler-preview.html") {
            const Bytes page = readFile(name);
            const std::string end = "</html>\n";
            if (page.size() < end.size() || !std::equal(end.begin(), end.end(), page.end() - end.size())) {
                problems += "the preview page is not complete; ";
            }
            continue;
        }
        TgaImage image;
        bool complete = loadBytes(image, readFile(name)) && image.content() == TgaContent::Picture &&
                        image.bitsPerPixel == 32 && readFile(name).size() == image.savedFileBytes();
        if (!complete) problems += name + " is neither as it was nor complete; ";
    }
    return problems;
}

bool skipUnderEmulation() {
    return !runningNativeTool();
}

// Whether `status` is that of a run the signal ended. A Windows program
// under wine gets Ctrl+C (SIGINT) as a console event; its handler ends it
// with the status Windows gives, 0xC000013A, whose low byte is the exit
// status here. Before wine has started the program, the signal ends wine.
bool endedBy(int signalNumber, int status) {
    bool bySignal = WIFSIGNALED(status) && WTERMSIG(status) == signalNumber;
    if (runningNativeTool()) return bySignal;
    return bySignal || (WIFEXITED(status) && WEXITSTATUS(status) == 0x3A);
}

}  // namespace

class Interrupted : public ::testing::TestWithParam<int> {};

// Each trial stops a run after a random delay within the time a whole run
// takes. BD_INTERRUPT_TRIALS sets the number of trials per signal. Under
// wine, Ctrl+C is what a Windows program can get.
TEST_P(Interrupted, LeavesNoTemporaryAndNoHalfWrittenFile) {
    const int signalNumber = GetParam();
    if (skipUnderEmulation() && signalNumber != SIGINT) GTEST_SKIP() << "Windows knows Ctrl+C, not this signal";
    const char* configured = std::getenv("BD_INTERRUPT_TRIALS");
    // Each trial under wine starts a Windows process: fewer of them.
    const int trials = configured != nullptr ? std::atoi(configured) : runningNativeTool() ? 50 : 20;
    std::map<std::string, Bytes> folder = folderOf(12, 16, 1);
    const std::map<std::string, Bytes> large = folderOf(1, 128, 100);
    folder["large.tga"] = large.at("icon0.tga");
    for (const char* mask : kMaskNames) folder["L" + std::string(mask)] = large.at(mask);

    // How long a whole run takes here (the quickest of three, the machine
    // may be busy), to aim the signals within it.
    std::chrono::microseconds wholeRun = std::chrono::microseconds::max();
    for (int run = 0; run < 3; ++run) {
        ScopedWorkDir dir;
        writeFolder(folder);
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(runTool().exitCode, 0);
        wholeRun = std::min(wholeRun, std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - start));
    }
    std::mt19937 random(static_cast<unsigned>(signalNumber));
    std::uniform_int_distribution<long> delay(0, wholeRun.count());
    int stoppedBySignal = 0;
    for (int trial = 0; trial < trials; ++trial) {
        ScopedWorkDir source;
        writeFolder(folder);
        // Every other run writes into another folder than the one it reads
        // (and is started in): its temporary files are there.
        ScopedWorkDir output;
        ToolSetup setup;
        setup.workDirectory = source.path();
        if (trial % 2 == 1) setup.arguments = {"--output", toolPath(output.path())};
        // And every other pair also writes the preview page, all the run long.
        if (trial % 4 >= 2) setup.arguments.push_back("--preview");
        int quiet = open("/dev/null", O_WRONLY);
        int child = startTool(setup, quiet, quiet);
        close(quiet);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(child, signalNumber);
        int status = 0;
        waitpid(child, &status, 0);
        // Stopped by the signal, with its usual status, or done before it came.
        bool stopped = endedBy(signalNumber, status);
        ASSERT_TRUE(stopped || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "trial " << trial << ", status " << status;
        stoppedBySignal += stopped;
        ASSERT_EQ(problemsIn({}), "") << "trial " << trial;  // the output folder: finished files only
        ASSERT_EQ(chdir(source.path().c_str()), 0);
        ASSERT_EQ(problemsIn(folder), "") << "trial " << trial;
    }
    EXPECT_GE(stoppedBySignal, trials / 4) << "the signals mostly came too late to test anything";
}

std::string signalName(const ::testing::TestParamInfo<int>& signal) {
    switch (signal.param) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        case SIGQUIT: return "SIGQUIT";
        case SIGUSR1: return "SIGUSR1";
        default: return "SIGRTMIN";
    }
}

// Ctrl+C, kill, a closed terminal, Ctrl+\, and signals no one expects a
// console tool to get (ending it all the same), a real-time one among them.
INSTANTIATE_TEST_SUITE_P(EachSignal, Interrupted,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGRTMIN), signalName);

TEST(Limits, FileSizeLimitFailsTheWriteItStopsAndTheRunGoesOn) {
    if (skipUnderEmulation()) GTEST_SKIP() << "POSIX file-size limits";
    ScopedWorkDir dir;
    Bytes large = noiseTga(64, 64, 24, 1).bytes();  // written back it takes 16402 bytes
    writeFile("large.tga", large);
    writeFile("small.tga", noiseTga(8, 8, 24, 2).bytes());
    ToolSetup setup;
    setup.fileSizeLimit = 8192;
    ToolResult result = runTool(setup);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("WARN:\tCan't write file \"large.tga\"!\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(summaryLine(1, 2)), std::string::npos);
    EXPECT_EQ(readFile("large.tga"), large);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"large.tga", "small.tga"}));
}

// Started with its output closed (`>&-`), the run never takes that
// descriptor for a file it writes, so the report lands in no icon and no page.
TEST(Limits, ClosedStandardOutputNeverBecomesAFileItWrites) {
    if (skipUnderEmulation()) GTEST_SKIP() << "POSIX descriptors";
    ScopedWorkDir dir;
    const std::map<std::string, Bytes> folder = folderOf(300, 4, 7);
    writeFolder(folder);
    ToolSetup setup;
    setup.runAs = {"sh", "-c", "exec \"$@\" >&-", "sh"};
    setup.arguments = {"--no-wait", "--preview"};
    EXPECT_EQ(runTool(setup).exitCode, 0);
    EXPECT_EQ(problemsIn(folder), "");
    const Bytes page = readFile("button-disabler-preview.html");
    EXPECT_EQ(std::count(page.begin(), page.end(), '\t'), 0);  // the report's lines have tabs, the page none
}

TEST(Limits, OutputPipeClosedEarlyStillFinishesTheFolder) {
    if (skipUnderEmulation()) GTEST_SKIP() << "POSIX pipes and SIGPIPE";
    ScopedWorkDir dir;
    // Enough report lines to fill any output buffer several times over.
    const std::map<std::string, Bytes> folder = folderOf(300, 4, 7);
    writeFolder(folder);
    ToolSetup setup;
    setup.outputToClosedPipe = true;
    EXPECT_EQ(runTool(setup).exitCode, 0);
    EXPECT_EQ(listDirectory().size(), 4u + 300u * 4u);  // every icon's three variants made
    for (const auto& file : folder) {
        if (file.first.compare(0, 4, "icon") == 0) {
            EXPECT_NE(readFile(file.first), file.second) << file.first;
        }
    }
}
