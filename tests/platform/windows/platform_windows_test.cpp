// The Windows platform layer: listing (long names only, in any script),
// name resolution, reading only regular files (never a device), replacing
// files all or nothing (keeping their attributes, refusing read-only ones
// and ones another program holds without share-delete), and a replacement
// ended by Ctrl+Break. The counterparts of platform_test.cpp, which needs
// POSIX.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "batch/batch_run.h"
#include "batch/program.h"
#include "platform/console.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/replacement_checks.h"
#include "platform/windows/command_line.h"
#include "platform/windows/wide.h"
#include "support/compiled_out.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "support/windows/child_process.h"

using namespace test_support;

// The POSIX tests that have no counterpart here.
COMPILED_OUT(Platform, SymbolicLinkIsReplacedNotWrittenThrough,
             "making a symbolic link on Windows takes a privilege (or developer mode) that a test "
             "cannot count on, and wine makes none");
COMPILED_OUT(Platform, LinkIsReadOnlyWhereItsMakerMayReadWhatItReaches,
             "making a symbolic link on Windows takes a privilege (or developer mode) that a test "
             "cannot count on, and wine makes none");
COMPILED_OUT(Platform, ReplacementKeepsTheOwnerAndNewFilesTakeTheirIconsOwnerAndPermissions,
             "giving a file to another user takes a privilege on Windows; a rewritten file keeps "
             "its access-control list, and a file made from an icon takes the icon's "
             "(Platform.FilesMadeFromAPrivateIconStayPrivate)");

namespace {

std::wstring wide(const std::string& utf8) {
    std::wstring result;
    EXPECT_TRUE(platform::windows::toWide(utf8, result)) << utf8;
    return result;
}

DWORD attributesOf(const std::string& name) {
    return GetFileAttributesW(wide(name).c_str());
}

// A file another program holds open: only reading and writing are shared,
// never deletion, as an image viewer or the game may hold an icon.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& name)
        : handle_(CreateFileW(wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

Bytes smallIcon(std::uint32_t seed) {
    return noiseTga(2, 2, 24, seed).bytes();  // 24 bits: a rewrite changes it
}

// A run in the current directory, as a folder of its own (what it learns
// of held files is its own): its report, and how long it took.
struct TimedRun {
    std::string report;
    ULONGLONG milliseconds;
};
TimedRun timedRun() {
    platform::Folder here;
    EXPECT_TRUE(here.open(""));
    ConsoleCapture console;
    BatchRun run(console.file(), here, here);
    const ULONGLONG start = GetTickCount64();
    run.workOnFolder();
    return {console.take(), GetTickCount64() - start};
}

// The access list of `name`, in the system's own notation (SDDL); "" when
// it cannot be read.
std::wstring accessListOf(const std::string& name) {
    DWORD needed = 0;
    GetFileSecurityW(wide(name).c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<char> descriptor(needed);
    LPWSTR text = nullptr;
    if (needed == 0 ||
        !GetFileSecurityW(wide(name).c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return L"";
    }
    std::wstring list = text;
    LocalFree(text);
    return list;
}

// Gives `name` the access list `sddl`, in which "ME" stands for the user
// running the test.
bool setAccessList(const std::string& name, std::wstring sddl) {
    HANDLE token = nullptr;
    char user[256];
    DWORD size = sizeof user;
    LPWSTR sid = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const bool known = GetTokenInformation(token, TokenUser, user, size, &size) &&
                       ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
    CloseHandle(token);
    if (!known) return false;
    sddl.replace(sddl.find(L"ME"), 2, sid);
    LocalFree(sid);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    const bool set = SetFileSecurityW(wide(name).c_str(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set;
}

}  // namespace

// Names are one where NTFS takes them for one: letters of every script fold
// (so the output ledger holds "Жар" and "жар" as one icon), look-alikes and
// bytes that are no UTF-8 stay apart.
TEST(Platform, ComparisonFoldsLettersAsNtfsDoes) {
    EXPECT_EQ(platform::compareIgnoreCase("Fire.TGA", "fire.tga"), 0);
    EXPECT_NE(platform::compareIgnoreCase("\xC4", "\xE4"), 0);  // Latin-1 letters stay apart
    EXPECT_NE(platform::compareIgnoreCase("\xEF\xBC\xA6ire.tga", "Fire.tga"), 0);  // full-width F
    EXPECT_LT(platform::compareIgnoreCase("abc", "abcd"), 0);
    EXPECT_EQ(platform::compareIgnoreCaseN("DISCO", "dis", 3), 0);
    EXPECT_NE(platform::compareIgnoreCaseN("DI", "dis", 3), 0);
    EXPECT_EQ(platform::compareIgnoreCase("\xD0\x96\xD0\xB0\xD1\x80", "\xD0\xB6\xD0\xB0\xD1\x80"), 0);  // Жар
    OutputLedger ledger;
    ledger.noteWritten("\xC3\x89" "clair", 1);
    EXPECT_TRUE(ledger.writtenByAnother("\xC3\xA9" "clair", 2));  // Éclair, éclair
}

// Stands for the POSIX listing test: only long names that themselves end in
// ".tga" are listed, never a name whose 8.3 alias does ("Fire.tgaX" has one
// like "FIRE~1.TGA" where the volume makes short names), and names in any
// script come back exactly, none best-fitted to another.
TEST(Platform, ListsLongNamesEndingInTgaInAnyScript) {
    ScopedWorkDir dir;
    const std::vector<std::string> icons = {
        ".tga", "B.TGA", "Fire.tga",
        "\xEF\xBC\xA6ire.tga",                       // full-width F: not Fire.tga
        "\xE7\x81\xAB.tga",                          // fire, in Chinese
        "\xD0\x96\xD0\xB0\xD1\x80.tga",              // Cyrillic
        "\xCE\xA6\xCF\x89\xCF\x84\xCE\xB9\xCE\xAC.tga"};  // Greek
    for (const std::string& name : icons) writeFile(name, {1});
    for (const char* name : {"Fire.tgaX", "c.tgax", "d.tg", "e.png"}) writeFile(name, {1});
    ASSERT_TRUE(makeDirectory("folder.Tga"));
    std::vector<std::string> names;
    ASSERT_TRUE(platform::listTgaEntries(names));
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = icons;
    expected.push_back("folder.Tga");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

// Stands for the POSIX resolution test: the file system ignores letter case
// itself, so a name resolves to the spelling the file has.
TEST(Platform, ResolvesNamesToTheSpellingTheFileHas) {
    ScopedWorkDir dir;
    writeFile("Fire.TGA", {1});
    EXPECT_EQ(platform::resolveName("fire.tga"), "Fire.TGA");
    EXPECT_EQ(platform::resolveName("new.tga"), "new.tga");
    EXPECT_EQ(platform::resolveName("*.tga"), "*.tga");  // a wildcard matches nothing
    platform::ReplacementFile out;
    ASSERT_TRUE(out.open("New.tga"));
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(platform::resolveName("NEW.TGA"), "New.tga");

    // A name that differs from a file's only in the case of a letter beyond
    // ASCII is that file's, which is replaced under its own spelling.
    writeFile("DIS\xD0\xB6\xD0\xB0\xD1\x80.tga", {5});  // DISжар.tga
    platform::ReplacementFile otherCase;
    ASSERT_TRUE(otherCase.open("DIS\xD0\x96\xD0\xB0\xD1\x80.tga") && otherCase.write("new", 3) && otherCase.commit());
    EXPECT_EQ(readFile("DIS\xD0\xB6\xD0\xB0\xD1\x80.tga"), (Bytes{'n', 'e', 'w'}));

    // A short 8.3 alias resolves to the long name, which the rules about
    // names are meant for; and no output is written through another file's
    // alias, which would replace that file.
    writeFile("Fireball.tgaX", {7});
    wchar_t alias[MAX_PATH] = {};
    if (GetShortPathNameW(L"Fireball.tgaX", alias, MAX_PATH) == 0 || std::wstring(alias) == L"Fireball.tgaX") {
        GTEST_SKIP() << "this volume makes no short names";
    }
    std::string shortName;
    ASSERT_TRUE(platform::windows::toUtf8(alias, shortName));
    EXPECT_EQ(platform::resolveName(shortName), "Fireball.tgaX");
    platform::ReplacementFile throughAlias;
    EXPECT_FALSE(throughAlias.open(shortName));
    EXPECT_EQ(readFile("Fireball.tgaX"), Bytes{7});
}

// The command line is split as its users mean it: a quoted folder with a
// final backslash, as Windows PowerShell passes it, ends where its quote
// ends; an argument that is no valid UTF-16 never names an existing file,
// nor is it a pattern (a '?' for its lone surrogate would match these).
TEST(Platform, CommandLineWordsAsMeant) {
    using Words = std::vector<std::wstring>;
    EXPECT_EQ(platform::windows::splitCommandLine(L"tool.exe \"C:\\My Icons\\\" \"C:\\b\" x\"\""),
              (Words{L"tool.exe", L"C:\\My Icons\\", L"C:\\b", L"x"}));
    EXPECT_EQ(platform::windows::splitCommandLine(L"\"C:\\Program Files\\t.exe\"  \"\" a"),
              (Words{L"C:\\Program Files\\t.exe", L"", L"a"}));
    ScopedWorkDir dir;
    writeFile("xA.tga", {1});
    ASSERT_TRUE(makeDirectory("XB"));
    const wchar_t brokenFile[] = {L'x', 0xD800, L'.', 0xD83D, 0xDE42, L't', L'g', L'a', 0};  // a pair kept
    const wchar_t brokenFolder[] = {L'X', 0xDC00, 0};
    ConsoleCapture console;
    for (const wchar_t* word : {brokenFile, brokenFolder}) {
        const std::string text = platform::windows::argumentText(word);
        EXPECT_EQ(platform::pathsMatching(text), std::vector<std::string>{text});
        EXPECT_EQ(platform::pathKind(text), platform::PathKind::Missing);
        platform::printText(console.file(), text.c_str());
    }
    EXPECT_EQ(console.take(), "x?.\xF0\x9F\x99\x82tgaX?");
}

// A folder given with spaces or dots after its name is the folder Windows
// takes it for, its files named from there.
TEST(Platform, FolderGivenWithTrailingSpacesOrDotsIsThatFolder) {
    ScopedWorkDir dir;
    ASSERT_TRUE(makeDirectory("Icons"));
    writeFile("Icons/Fire.tga", {1});
    for (const char* spelling : {"Icons ", "Icons..", "Icons. ."}) {
        platform::Folder folder;
        std::vector<std::string> names;
        ASSERT_TRUE(folder.open(spelling)) << spelling;
        EXPECT_TRUE(platform::listTgaEntries(folder, names) && names == std::vector<std::string>{"Fire.tga"})
            << spelling;
        EXPECT_TRUE(platform::entryExists(folder, "FIRE.TGA") && platform::canWriteInto(folder)) << spelling;
    }
}

// A Windows program has no install prefix: its own masks are those beside
// it, at a drive's root too, never a folder above it that anyone may make
// nor a path relative to a drive's current folder ("E:share").
TEST(Platform, ProgramsOwnMasksAreThoseBesideItAlone) {
    for (const char* folder : {"E:\\", "C:\\Tools\\", "\\\\server\\share\\bd\\"}) {
        EXPECT_EQ(platform::installPrefixOf(folder), "") << folder;
        const std::vector<ProgramMaskFolder> masks = programMaskFolders(folder);
        ASSERT_EQ(masks.size(), 1u) << folder;
        EXPECT_EQ(masks[0].path, std::string(folder) + "masks");
    }
}

// Stands for the POSIX test of who may open what a run makes: a variant, a
// copy in another folder and a page of an icon that not every user may
// read get a private list, of an icon for everyone their folder's; the
// icon's own rewrite keeps the list its file has. Wine keeps no list as it
// is given: it makes Linux permission bits of it and a list of those again,
// so only whether Everyone may read is seen here.
TEST(Platform, FilesMadeFromAPrivateIconStayPrivate) {
    ScopedWorkDir dir;
    ASSERT_TRUE(makeDirectory("out"));
    platform::Folder out;
    ASSERT_TRUE(out.open("out"));
    const wchar_t* const kPrivate = L"D:P(A;;FA;;;SY)(A;;FA;;;ME)";  // its owner and SYSTEM
    for (const bool isPrivate : {true, false}) {
        SCOPED_TRACE(isPrivate ? "a private icon" : "an icon for everyone");
        writeFile("Icon.tga", smallIcon(1));
        ASSERT_TRUE(setAccessList("Icon.tga", isPrivate ? kPrivate : L"D:P(A;;FA;;;ME)(A;;FR;;;WD)"));  // Everyone
        platform::Readers icon;
        {
            platform::InputFile file;  // closed before the icon is replaced, as in a run
            ASSERT_TRUE(file.open("Icon.tga"));
            icon = file.readers();
        }
        const platform::MadeFrom fromIcon{platform::Made::Shows, {icon}};
        platform::ReplacementFile self, variant, copy, page;
        EXPECT_TRUE(self.open("Icon.tga") && self.commit());
        EXPECT_TRUE(variant.open("DISIcon.tga", fromIcon) && variant.commit());
        EXPECT_TRUE(copy.open(out, "Icon.tga", fromIcon) && copy.commit());
        ASSERT_TRUE(page.open("page.html", {platform::Made::ShowsLater, {}}));
        page.alsoShows(icon);
        const std::vector<std::string> names = listDirectory();
        const auto temporary = std::find_if(names.begin(), names.end(),
                                            [](const std::string& name) { return name.find(".tmp") != name.npos; });
        ASSERT_NE(temporary, names.end());
        EXPECT_FALSE(HeldOpen(*temporary).isOpen()) << "another program may read the page while it is written";
        EXPECT_TRUE(page.commit());
        for (const char* made : {"Icon.tga", "DISIcon.tga", "out/Icon.tga", "page.html"}) {
            EXPECT_EQ(accessListOf(made).find(L";;;WD)") == std::wstring::npos, isPrivate) << made;
        }
    }
    // The icon itself keeps the list its file has now.
    ASSERT_TRUE(setAccessList("Icon.tga", kPrivate));
    platform::ReplacementFile self;
    EXPECT_TRUE(self.open("Icon.tga") && self.commit());
    EXPECT_EQ(accessListOf("Icon.tga").find(L";;;WD)"), std::wstring::npos);
}

// Stands for the POSIX test with a pipe: a reserved device name ("con.tga"
// is the console, whatever its extension) is never opened as a file, nor
// waited on, and the icon of that name is passed over without a word.
TEST(Platform, ReadsOnlyRegularFilesNeverADevice) {
    ScopedWorkDir dir;
    writeFile("plain.tga", {1, 2, 3, 4, 5});
    ASSERT_TRUE(makeDirectory("folder.tga"));
    platform::InputFile file;
    ASSERT_TRUE(file.open("PLAIN.tga"));
    EXPECT_EQ(file.size(), 5u);
    std::uint8_t first[2], second[8];
    EXPECT_EQ(file.read(first, sizeof first, second, sizeof second), 5u);
    EXPECT_EQ(Bytes(second, second + 3), (Bytes{3, 4, 5}));
    for (const char* name : {"folder.tga", "missing.tga", "con.tga", "nul.tga", "aux.tga", "CONIN$"}) {
        platform::InputFile refused;
        EXPECT_FALSE(refused.open(name)) << name;
    }
    ConsoleCapture console;
    BatchRun run(console.file());
    for (const char* name : {"con.tga", "nul.tga", "aux.tga"}) EXPECT_EQ(run.processFile(name), 0) << name;
    EXPECT_EQ(console.take(), "");
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"folder.tga", "plain.tga"}));
}

// Stands for the POSIX test that keeps permission bits: what Windows users
// see of a file, hidden, system and archive, survives its replacement.
TEST(Platform, ReplacementIsAllOrNothingAndKeepsTheAttributes) {
    ScopedWorkDir dir;
    writeFile("icon.tga", {1, 2, 3});
    const DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(L"icon.tga", kKept));
    expectReplacementIsAllOrNothing();
    EXPECT_EQ(attributesOf("icon.tga") & kKept, kKept);
}

TEST(Platform, ReadOnlyFileIsNotReplaced) {
    ScopedWorkDir dir;
    writeFile("locked.tga", {1});
    ASSERT_TRUE(SetFileAttributesW(L"locked.tga", FILE_ATTRIBUTE_READONLY));
    platform::ReplacementFile out;
    EXPECT_FALSE(out.open("locked.tga"));
    EXPECT_EQ(readFile("locked.tga"), (Bytes{1}));
    EXPECT_EQ(listDirectory().size(), 1u);
}

// A program that holds an icon open without sharing deletion keeps it from
// being replaced: the icon is reported, keeps its bytes, leaves no
// temporary file, and its variants are made all the same.
TEST(Platform, IconHeldOpenWithoutShareDeleteIsReportedAndKept) {
    ScopedWorkDir dir;
    const Bytes icon = smallIcon(1);
    writeFile("Held.tga", icon);
    writeFile("DISHeld.tga", smallIcon(2));  // an earlier run's variant, held too
    writeFile("ZOF_DISABLED_MASK.tga", noiseTga(2, 2, 32, 3).bytes());
    writeFile("ZOF_PASSIVE_MASK.tga", noiseTga(2, 2, 32, 4).bytes());
    const Bytes variant = readFile("DISHeld.tga");
    HeldOpen viewer("Held.tga");
    HeldOpen game("DISHeld.tga");
    ASSERT_TRUE(viewer.isOpen() && game.isOpen());

    ConsoleCapture console;
    BatchRun run(console.file());
    run.loadMasks();
    console.take();
    EXPECT_EQ(run.processFile("Held.tga"), 0);
    EXPECT_EQ(console.take(), "WARN:\tCan't write file \"DISHeld.tga\"!\n"
                              "WARN:\tCan't write file \"Held.tga\"!\n");
    EXPECT_EQ(readFile("Held.tga"), icon);
    EXPECT_EQ(readFile("DISHeld.tga"), variant);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"DISHeld.tga", "Held.tga", "PASHeld.tga",
                                                         "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga"}));
}

// What an antivirus scanner or a sync client holds for a moment is waited
// for; icons held for good cost one wait of about a second in all, however
// many; a read-only icon costs none.
TEST(Platform, IconsHeldByAnotherProgramAreWaitedForOnceAFolder) {
    ScopedWorkDir dir;
    const std::vector<std::string> icons = {"A.tga", "B.tga", "C.tga", "D.tga", "E.tga"};
    for (const std::string& name : icons) writeFile(name, smallIcon(1));
    writeFile("ZOF_DISABLED_MASK.tga", noiseTga(2, 2, 32, 3).bytes());
    const TimedRun plain = timedRun();
    EXPECT_LT(plain.milliseconds, 500u);  // nothing waits for the missing masks
    const auto cannotWrite = [](const TimedRun& run) {
        int count = 0;
        for (std::size_t at = 0; (at = run.report.find("Can't write file", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    ASSERT_EQ(cannotWrite(plain), 0) << plain.report;
    {
        HANDLE held = CreateFileW(L"B.tga", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::thread release([held] {
            Sleep(300);
            CloseHandle(held);
        });
        const TimedRun run = timedRun();
        release.join();
        EXPECT_EQ(run.report, plain.report);
        EXPECT_GE(run.milliseconds, 250u);
    }
    {
        std::vector<std::unique_ptr<HeldOpen>> viewers;
        for (const std::string& name : icons) viewers.emplace_back(new HeldOpen(name));
        const TimedRun run = timedRun();
        EXPECT_EQ(cannotWrite(run), 5) << run.report;
        EXPECT_LT(run.milliseconds, plain.milliseconds + 1300);
    }
    ASSERT_TRUE(SetFileAttributesW(L"C.tga", FILE_ATTRIBUTE_READONLY));
    const TimedRun readOnly = timedRun();
    EXPECT_EQ(cannotWrite(readOnly), 1) << readOnly.report;
    EXPECT_LT(readOnly.milliseconds, plain.milliseconds + 500);
}

// Stands for the POSIX test with SIGINT: Ctrl+C (like Ctrl+Break and a
// closed console window) in the middle of writing removes the temporary
// file and ends the program, and the icon keeps its bytes.
TEST(Platform, InterruptedReplacementLeavesNoTemporaryFile) {
    SKIP_WITHOUT_CONSOLE();
    ScopedWorkDir dir;
    writeFile("icon.tga", {1, 2, 3});
    // The event goes to every program on the console: this one takes it as
    // handled.
    ScopedIgnoreCtrlEvents ignore;
    EXPECT_EQ(runHelperTest("PlatformHelper.DISABLED_CtrlCWhileWriting", 0), kEndedFromConsole);
    // The event may reach this process only now: it is taken before the
    // handler goes, or it would end the test program.
    ignore.waitForEvent(10000);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"icon.tga"}));
    EXPECT_EQ(readFile("icon.tga"), (Bytes{1, 2, 3}));
}

// Ctrl+C during a wait for a held icon ends the run at once.
TEST(Platform, CtrlCDuringAWaitEndsTheRunAtOnce) {
    SKIP_WITHOUT_CONSOLE();
    ScopedWorkDir dir;
    writeFile("icon.tga", {1, 2, 3});
    HeldOpen viewer("icon.tga");
    ScopedIgnoreCtrlEvents ignore;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(runHelperTest("PlatformHelper.DISABLED_CtrlCWhileWaiting", 0), kEndedFromConsole);
    EXPECT_LT(GetTickCount64() - start, 1000u);  // the wait alone would take a second
    ignore.waitForEvent(10000);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"icon.tga"}));
}

// Run only by the tests above, each in a process of its own.
TEST(PlatformHelper, DISABLED_CtrlCWhileWaiting) {
    platform::ReplacementFile out;
    if (!out.open("icon.tga") || !out.write("new", 3)) ExitProcess(2);
    std::thread([] {
        Sleep(100);
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    }).detach();
    out.commit();
    ExitProcess(3);
}

TEST(PlatformHelper, DISABLED_CtrlCWhileWriting) {
    platform::ReplacementFile out;
    if (!out.open("icon.tga") || !out.write("half", 4)) ExitProcess(2);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    Sleep(30000);  // the handler ends the process long before
    ExitProcess(3);
}
