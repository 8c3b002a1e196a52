// The key wait on a real (pseudo) terminal: it reads the keyboard itself,
// takes Ctrl+C as a key, eats a special key's whole escape sequence, keeps
// keys typed earlier, and leaves the terminal as it found it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/process.h"

namespace {

struct WaitOutcome {
    bool exitedNormally = false;
    bool settingsRestored = false;
    std::string leftOver;  // what the terminal still held after the wait
};

bool sameSettings(const termios& a, const termios& b) {
    return a.c_lflag == b.c_lflag && a.c_iflag == b.c_iflag && a.c_cc[VMIN] == b.c_cc[VMIN] &&
           a.c_cc[VTIME] == b.c_cc[VTIME];
}

bool waitUntilRaw(int master) {
    for (int i = 0; i < 500; ++i) {
        termios settings;
        if (tcgetattr(master, &settings) == 0 && (settings.c_lflag & ICANON) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The status of `child` once it ends. A wait that goes wrong would block
// for ever: a child still there after five seconds is killed, and the test
// fails saying what did not end.
int statusOf(pid_t child, const char* what) {
    int status = -1;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(child, &status, WNOHANG) == child) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ADD_FAILURE() << what << " had not ended after 5 seconds";
    return status;
}

bool exitedWithZero(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What the terminal shows within five seconds: all that has come once
// nothing more comes for a tenth of a second ("" if nothing came at all).
std::string shownOn(int master) {
    std::string shown;
    pollfd output{master, POLLIN, 0};
    char buffer[256];
    for (int timeout = 5000; poll(&output, 1, timeout) > 0; timeout = 100) {
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) break;
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    return shown;
}

// Runs waitForKey in a child whose controlling terminal is a new pty and
// types `keys` into it, before the wait starts or once it runs.
WaitOutcome runWait(const std::string& keys, bool typeBeforeWait) {
    int report[2];
    if (pipe(report) != 0) return {};
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        close(report[0]);
        termios before;
        tcgetattr(0, &before);
        // Give the parent's early keys time to reach the terminal's buffer
        // (a canonical terminal does not report them as readable yet).
        if (typeBeforeWait) usleep(200000);
        platform::waitForKey("");
        termios after;
        tcgetattr(0, &after);
        char restored = sameSettings(before, after) ? 'Y' : 'N';
        // Collect whatever input is still pending, without waiting for it.
        termios raw = after;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        tcsetattr(0, TCSANOW, &raw);
        std::string rest(1, restored);
        char buffer[64];
        ssize_t got = read(0, buffer, sizeof buffer);
        if (got > 0) rest.append(buffer, static_cast<std::size_t>(got));
        if (write(report[1], rest.data(), rest.size()) < 0) _exit(3);
        _exit(0);
    }
    close(report[1]);
    WaitOutcome outcome;
    if (child < 0) return outcome;
    if (!typeBeforeWait) waitUntilRaw(master);
    if (write(master, keys.data(), keys.size()) < 0) return outcome;

    pollfd done{report[0], POLLIN, 0};
    if (poll(&done, 1, 5000) <= 0) {
        kill(child, SIGKILL);  // the wait never ended
    }
    std::string message;
    char buffer[128];
    ssize_t got;
    while ((got = read(report[0], buffer, sizeof buffer)) > 0) message.append(buffer, static_cast<std::size_t>(got));
    int status = 0;
    waitpid(child, &status, 0);
    close(report[0]);
    close(master);
    outcome.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.settingsRestored = !message.empty() && message[0] == 'Y';
    if (!message.empty()) outcome.leftOver = message.substr(1);
    return outcome;
}

}  // namespace

TEST(KeyWait, EndsAtOnceWithoutATerminal) {
    // The test itself runs without a controlling terminal in CI; run the
    // wait in a child that surely has none.
    pid_t child = fork();
    if (child == 0) {
        setsid();
        platform::waitForKey("");
        _exit(0);
    }
    ASSERT_GT(child, 0);
    EXPECT_TRUE(exitedWithZero(statusOf(child, "the wait without a terminal")));
}

TEST(KeyWait, AnyKeyEndsItAndTheTerminalIsRestored) {
    WaitOutcome outcome = runWait("q", false);
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_TRUE(outcome.settingsRestored);
    EXPECT_EQ(outcome.leftOver, "");
}

TEST(KeyWait, CtrlCIsAKeyNotASignal) {
    WaitOutcome outcome = runWait("\x03", false);
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_TRUE(outcome.settingsRestored);
}

TEST(KeyWait, SpecialKeysSequenceIsConsumedWhole) {
    // Arrow up, F5, F1 in application mode, and characters of two, three
    // and four bytes (é, 火, 🙂): one key each. Then a key typed later that
    // belongs to the shell.
    for (const char* key : {"\x1b[A", "\x1b[15~", "\x1bOP", "\xC3\xA9", "\xE7\x81\xAB", "\xF0\x9F\x99\x82"}) {
        WaitOutcome outcome = runWait(std::string(key) + "k", false);
        EXPECT_TRUE(outcome.exitedNormally) << key;
        EXPECT_EQ(outcome.leftOver, "k") << key;
    }
}

TEST(KeyWait, KeyTypedBeforeTheWaitEndsIt) {
    WaitOutcome outcome = runWait("x", true);
    EXPECT_TRUE(outcome.exitedNormally);
    EXPECT_TRUE(outcome.settingsRestored);
}

// Ended by a signal during the wait, the run puts the terminal's settings
// back first: the user's shell gets its echo and line input again.
TEST(KeyWait, TerminationDuringTheWaitRestoresTheTerminal) {
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        int master = -1;
        pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
        if (child == 0) {
            signal(signalNumber, SIG_DFL);
            platform::protectRun();
            platform::waitForKey("");
            _exit(0);
        }
        ASSERT_GT(child, 0);
        ASSERT_TRUE(waitUntilRaw(master));
        kill(child, signalNumber);
        int status = statusOf(child, "the run ended by a signal");
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
        // A new terminal starts with line input, echo and signal keys on.
        termios after;
        ASSERT_EQ(tcgetattr(master, &after), 0);
        const tcflag_t kCooked = ICANON | ECHO | ISIG;
        EXPECT_EQ(after.c_lflag & kCooked, kCooked) << signalNumber;
        close(master);
    }
}

// A background job does not own the keyboard: it does not wait (and is
// not stopped by the terminal for trying).
TEST(KeyWait, BackgroundJobDoesNotWait) {
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        // The terminal's session leader starts a job in a process group of
        // its own, as a shell does for "button-disabler &".
        pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            signal(SIGTTOU, SIG_DFL);
            signal(SIGTTIN, SIG_DFL);
            platform::waitForKey("");
            _exit(0);
        }
        int status = -1;
        for (int i = 0; i < 500 && waitpid(job, &status, WNOHANG | WUNTRACED) == 0; ++i) usleep(10000);
        bool ended = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!ended) kill(job, SIGKILL);
        _exit(ended ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the job waited or was stopped";
    close(master);
}

// Stopped during the wait (kill -TSTP), the run gives the terminal back to
// the shell, and takes it again once continued. (The wait runs as a job of
// its own under the terminal's session leader, as a shell starts it: a
// stop signal cannot stop a process group without such a parent.)
TEST(KeyWait, StopDuringTheWaitGivesTheTerminalBack) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            // Still in the background if the leader has not made it the
            // foreground yet: without this, SIGTTOU would stop it.
            signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(0, getpid());
            signal(SIGTTOU, SIG_DFL);
            platform::protectRun();
            platform::waitForKey("");
            _exit(0);
        }
        setpgid(job, job);
        tcsetpgrp(0, job);
        if (write(report[1], &job, sizeof job) != sizeof job) _exit(2);
        int status = 0;
        while (waitpid(job, &status, 0) < 0) {
        }
        _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    pid_t job = 0;
    ASSERT_EQ(read(report[0], &job, sizeof job), static_cast<ssize_t>(sizeof job));
    ASSERT_TRUE(waitUntilRaw(master));
    kill(job, SIGTSTP);
    bool givenBack = false;
    for (int i = 0; i < 500 && !givenBack; ++i) {
        termios settings;
        givenBack = tcgetattr(master, &settings) == 0 && (settings.c_lflag & ICANON) != 0;
        if (!givenBack) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(givenBack) << "raw while stopped";
    kill(job, SIGCONT);
    EXPECT_TRUE(waitUntilRaw(master));
    ASSERT_EQ(write(master, "q", 1), 1);
    EXPECT_TRUE(exitedWithZero(statusOf(child, "the wait after a stop")));
    close(master);
    close(report[0]);
    close(report[1]);
}

// With the output going elsewhere, the prompt is shown on the terminal.
TEST(KeyWait, PromptGoesToTheTerminalWhenTheOutputDoesNot) {
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        int elsewhere = open("/dev/null", O_WRONLY);
        dup2(elsewhere, 1);
        platform::waitForKey("Press any key");
        _exit(0);
    }
    ASSERT_GT(child, 0);
    EXPECT_TRUE(waitUntilRaw(master));
    EXPECT_EQ(shownOn(master), "Press any key");
    ASSERT_EQ(write(master, "q", 1), 1);
    // The key ends the prompt's line on the terminal (where output turns
    // a line end into carriage return and line feed).
    EXPECT_EQ(shownOn(master), "\r\n");
    EXPECT_TRUE(exitedWithZero(statusOf(child, "the wait for a key")));
    close(master);
}

// The keyboard is raw from prepareKeyWait on, before the closing lines are
// printed, so that a key typed as they appear is neither echoed nor lost;
// after the key a line end goes to the terminal.
TEST(KeyWait, PreparedKeyboardIsRawBeforeTheWaitAndTheWaitEndsTheLine) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        platform::prepareKeyWait();
        if (write(ready[1], "r", 1) != 1) _exit(3);
        platform::waitForKey("");
        _exit(0);
    }
    close(ready[1]);
    pollfd prepared{ready[0], POLLIN, 0};
    ASSERT_GT(poll(&prepared, 1, 5000), 0) << "prepareKeyWait did not return";
    termios settings;
    ASSERT_EQ(tcgetattr(master, &settings), 0);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
    ASSERT_EQ(write(master, "k", 1), 1);
    std::string shown;
    char buffer[64];
    for (pollfd output{master, POLLIN, 0}; poll(&output, 1, 5000) > 0;) {
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) break;
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    EXPECT_TRUE(exitedWithZero(statusOf(child, "the wait after a prepared keyboard")));
    close(master);
    close(ready[0]);
    EXPECT_EQ(shown, "\r\n");  // no echo of the key, and the line ended
}
