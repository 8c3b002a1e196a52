// The platform layer on POSIX systems (Linux and the like).
//
// The tool was made for a file system that ignores letter case. Here names
// are resolved against the current directory by hand, so that ICON.TGA is
// rewritten as ICON.TGA and "DISFire.tga" replaces an existing "disfire.tga".
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <dirent.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unordered_map>

#include "platform/file_faults.h"
#include "platform/replacement_steps.h"

namespace platform {
namespace {

char foldLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string foldedName(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) c = foldLower(c);
    return folded;
}

bool hasTgaExtension(const char* name) {
    std::size_t length = std::strlen(name);
    return length >= 4 && compareIgnoreCase(name + length - 4, ".tga") == 0;
}

bool entryExists(const std::string& name) {
    struct stat info;
    return lstat(name.c_str(), &info) == 0;
}

// The current directory's entries by case-folded name. Resolving a name the
// exact spelling of which does not exist would otherwise mean a directory
// scan per variant; the index is rebuilt whenever the directory changed
// behind the tool's back (its identity or modification time differ).
class DirectoryIndex {
public:
    std::string find(const std::string& name) {
        if (!isCurrent()) rebuild();
        auto found = entries_.find(foldedName(name));
        if (found == entries_.end()) return std::string();
        if (!entryExists(found->second)) {  // removed since the index was made
            rebuild();
            found = entries_.find(foldedName(name));
            if (found == entries_.end()) return std::string();
        }
        return found->second;
    }

    // Records a file the tool itself just created, and the directory state
    // that creating it left.
    void noteCreated(const std::string& name) {
        if (!built_) return;
        bool wasCurrent = isCurrentExceptTime();
        if (!wasCurrent) {
            built_ = false;
            return;
        }
        addEntry(name);
        struct stat info;
        if (stat(".", &info) == 0) stamp_ = info;
    }

private:
    bool isCurrentExceptTime() const {
        struct stat info;
        return built_ && stat(".", &info) == 0 && info.st_dev == stamp_.st_dev &&
               info.st_ino == stamp_.st_ino;
    }

    bool isCurrent() const {
        struct stat info;
        return built_ && stat(".", &info) == 0 && info.st_dev == stamp_.st_dev &&
               info.st_ino == stamp_.st_ino && info.st_mtim.tv_sec == stamp_.st_mtim.tv_sec &&
               info.st_mtim.tv_nsec == stamp_.st_mtim.tv_nsec;
    }

    void addEntry(const std::string& name) {
        // Of several spellings the smallest in byte order wins, so that the
        // choice does not depend on the order the directory lists them in.
        auto inserted = entries_.emplace(foldedName(name), name);
        if (!inserted.second && name < inserted.first->second) inserted.first->second = name;
    }

    void rebuild() {
        entries_.clear();
        built_ = false;
        if (stat(".", &stamp_) != 0) return;
        DIR* directory = opendir(".");
        if (directory == nullptr) return;
        while (const dirent* entry = readdir(directory)) addEntry(entry->d_name);
        closedir(directory);
        built_ = true;
    }

    std::unordered_map<std::string, std::string> entries_;
    struct stat stamp_ {};
    bool built_ = false;
};

DirectoryIndex& directoryIndex() {
    static DirectoryIndex index;
    return index;
}

// The temporary file being written, if any: a run stopped by Ctrl+C or a
// termination signal removes it before it ends, so that no half-written
// file is left beside the icons. Plain storage, as a signal handler needs.
char pendingTemporary[4096] = "";

void removePendingAndStop(int signalNumber) {
    if (pendingTemporary[0] != '\0') unlink(pendingTemporary);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void notePendingTemporary(const std::string& name) {
    static bool watching = false;
    if (!watching) {
        watching = true;
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction previous;
            // A handler someone else installed stays in charge.
            if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_DFL) {
                signal(signalNumber, removePendingAndStop);
            }
        }
    }
    if (name.size() < sizeof pendingTemporary) {
        std::memcpy(pendingTemporary, name.c_str(), name.size() + 1);
    }
}

void forgetPendingTemporary() {
    pendingTemporary[0] = '\0';
}

std::string temporaryNameFor(unsigned serial) {
    // Never ends in ".tga", so no search for icons can take it for one.
    return "button-disabler-" + std::to_string(static_cast<long>(getpid())) + "-" +
           std::to_string(serial) + ".tmp";
}

}  // namespace

int compareIgnoreCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
}

int compareIgnoreCaseN(const char* a, const char* b, std::size_t count) {
    for (; count > 0; --count, ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
    return 0;
}

bool listTgaEntries(std::vector<std::string>& names) {
    DIR* directory = opendir(".");
    if (directory == nullptr) return false;
    while (const dirent* entry = readdir(directory)) {
        if (hasTgaExtension(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(directory);
    return true;
}

std::string resolveName(const std::string& name) {
    if (name.empty() || entryExists(name)) return name;
    std::string found = directoryIndex().find(name);
    return found.empty() ? name : found;
}

std::FILE* openForReading(const std::string& name) {
    if (shouldFail(FileOp::Open)) return nullptr;
    std::string resolved = resolveName(name);
    // Non-blocking, so that a FIFO that happens to match cannot hang the run;
    // anything but a regular file (a directory, a device) is refused.
    int descriptor = open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(descriptor, "rb");
    if (stream == nullptr) close(descriptor);
    return stream;
}

namespace replacement {

bool chooseTarget(const std::string& name, std::string& target) {
    target = resolveName(name);
    // A symbolic link is replaced by the new file, never written through: a
    // link in a downloaded icon pack must not make the tool overwrite a file
    // elsewhere. A file its owner made read-only stays as it is, as it would
    // if it were opened for writing; a directory can never be replaced.
    struct stat targetInfo;
    if (lstat(target.c_str(), &targetInfo) != 0 || S_ISLNK(targetInfo.st_mode)) return true;
    return !S_ISDIR(targetInfo.st_mode) && access(target.c_str(), W_OK) == 0;
}

std::FILE* createTemporaryBeside(const std::string& target, std::string& temporary) {
    static unsigned serial = 0;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        // Names carry no directory part: the target is in the current folder.
        temporary = temporaryNameFor(++serial);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        temporary.clear();
        return nullptr;
    }
    // The new version keeps the owner (where allowed) and the permissions of
    // the old one, so that a run as root leaves the user's files theirs.
    struct stat targetInfo;
    if (lstat(target.c_str(), &targetInfo) == 0 && S_ISREG(targetInfo.st_mode)) {
        // Giving a file away needs root; for anyone else the file stays theirs.
        [[maybe_unused]] int owned = fchown(descriptor, targetInfo.st_uid, targetInfo.st_gid);
        fchmod(descriptor, targetInfo.st_mode & 07777);
    }
    notePendingTemporary(temporary);
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        removeTemporary(temporary);
        temporary.clear();
    }
    return stream;
}

bool swapIn(const std::string& temporary, const std::string& target) {
    if (std::rename(temporary.c_str(), target.c_str()) != 0) return false;
    forgetPendingTemporary();
    directoryIndex().noteCreated(target);
    return true;
}

void removeTemporary(const std::string& temporary) {
    forgetPendingTemporary();
    std::remove(temporary.c_str());
}

}  // namespace replacement

namespace {

// Reads one byte from the terminal, giving up after `tenths` of a second
// (0 = wait for ever). False when nothing came.
bool readTerminalByte(int terminal, termios settings, cc_t tenths, unsigned char& byte) {
    settings.c_cc[VMIN] = tenths == 0 ? 1 : 0;
    settings.c_cc[VTIME] = tenths;
    tcsetattr(terminal, TCSANOW, &settings);
    for (;;) {
        ssize_t got = read(terminal, &byte, 1);
        if (got == 1) return true;
        if (got < 0 && errno == EINTR) continue;
        return false;
    }
}

// After an escape byte, swallows the rest of a special key's sequence
// (ESC [ ... final, ESC O x), so none of it reaches the shell afterwards.
void consumeEscapeSequence(int terminal, const termios& settings) {
    const cc_t kWaitTenths = 1;
    unsigned char byte = 0;
    if (!readTerminalByte(terminal, settings, kWaitTenths, byte)) return;  // a lone Escape
    if (byte == 'O') {
        readTerminalByte(terminal, settings, kWaitTenths, byte);
        return;
    }
    if (byte != '[') return;
    // Parameters and intermediates run until a final byte 0x40..0x7E.
    while (readTerminalByte(terminal, settings, kWaitTenths, byte)) {
        if (byte >= 0x40 && byte <= 0x7E) return;
    }
}

}  // namespace

void waitForKey() {
    // The keyboard itself, not standard input, which may be redirected.
    int terminal = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;
    termios saved;
    if (tcgetattr(terminal, &saved) != 0) {
        close(terminal);
        return;
    }
    termios raw = saved;
    // No line input, no echo, and Ctrl+C is a key like any other.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    unsigned char byte = 0;
    if (readTerminalByte(terminal, raw, 0, byte) && byte == 0x1B) {
        consumeEscapeSequence(terminal, raw);
    }
    // TCSANOW, not TCSAFLUSH: what was typed after the key stays for the shell.
    tcsetattr(terminal, TCSANOW, &saved);
    close(terminal);
}

}  // namespace platform
