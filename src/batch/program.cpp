#include "batch/program.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <set>

#include "batch/batch_run.h"
#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "batch/warnings.h"
#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace {

// One part of a run: a folder, the files given of one folder, or a path
// that cannot be worked on.
struct Job {
    enum class Kind { Folder, Files, NotFound, CannotOpen, IsOutput, InOutput };
    Kind kind;
    std::string path;                // as given; for Files, their folder
    std::vector<std::string> names;  // Files: their names
    std::string identity;            // the folder's (see identityOf), "" when unknown
};

// Whether the path given `path`, of the kind `kind`, is the output folder
// (`outputIdentity`) or an icon in it: its files are the run's outputs.
// The outputs go into that folder alone, never into a folder inside it,
// which is a source like any other.
Job::Kind placeToOutput(const std::string& path, platform::PathKind kind, const std::string& outputIdentity) {
    if (kind == platform::PathKind::Folder && platform::identityOf(path) == outputIdentity) return Job::Kind::IsOutput;
    if (kind == platform::PathKind::File && platform::identityOf(platform::splitPath(path).folder) == outputIdentity) {
        return Job::Kind::InOutput;
    }
    return Job::Kind::Folder;
}

// Adds the file `path` to the files given of its folder, which are done
// together, with its masks loaded once, in the order a run would take them.
void addFile(const std::string& path, std::vector<Job>& jobs) {
    const platform::SplitPath split = platform::splitPath(path);
    const std::string identity = platform::identityOf(split.folder);
    auto sameFolder = std::find_if(jobs.begin(), jobs.end(), [&](const Job& job) {
        return job.kind == Job::Kind::Files && job.identity == identity && (!identity.empty() || job.path == split.folder);
    });
    if (sameFolder != jobs.end()) {
        sameFolder->names.push_back(split.name);
    } else {
        jobs.push_back({Job::Kind::Files, split.folder, {split.name}, identity});
    }
}

// Every path is looked at before any work is done; relative paths all start
// from the directory the program was started in, which stays the current
// one. Nothing is worked on twice: a folder given again (by whatever
// spelling), or files of a folder that is itself given, would have the
// normal mask laid over their icons a second time. Files are told apart by
// their folder and their name there (a file given again under another
// spelling is found once when the names are resolved), never by what they
// lead to: a link and the icon it points to are two entries, each rewritten
// once from what it holds when its turn comes, as in a run over their
// folder. Among several paths, the output folder (`outputIdentity`, "" for
// none) or an icon in it is no source: it would be worked on in place and
// its icons then taken for those of another part. Given alone, it is a run
// in place there.
std::vector<Job> planJobs(const std::vector<std::string>& paths, const std::string& outputIdentity) {
    const bool sparingOutput = !outputIdentity.empty() && paths.size() > 1;
    std::vector<Job> jobs;
    std::set<std::string> folders;  // identities of the folders given
    for (const std::string& path : paths) {
        const platform::PathKind kind = platform::pathKind(path);
        const Job::Kind place = sparingOutput ? placeToOutput(path, kind, outputIdentity) : Job::Kind::Folder;
        const std::string trimmed = platform::trimmedPath(path);
        if (place != Job::Kind::Folder) {
            jobs.push_back({place, path, {}, {}});
        } else if (kind == platform::PathKind::Missing || kind == platform::PathKind::Inaccessible) {
            jobs.push_back({kind == platform::PathKind::Missing ? Job::Kind::NotFound : Job::Kind::CannotOpen, path, {}, {}});
        } else if (kind == platform::PathKind::File) {
            addFile(path, jobs);
        } else if (platform::hasTgaExtension(platform::splitPath(trimmed).name)) {
            // A name ending in ".tga" is an icon's, never a folder to work
            // on: a folder, or a link to one, that a shell glob picked up
            // (or that completion ended with a separator) is noted and
            // passed over with the files.
            addFile(trimmed, jobs);
        } else if (const std::string identity = platform::identityOf(path);
                   identity.empty() || folders.insert(identity).second) {
            jobs.push_back({Job::Kind::Folder, path, {}, identity});
        }
    }
    // A folder's own run takes every icon in it, given by name or not.
    jobs.erase(std::remove_if(jobs.begin(), jobs.end(),
                              [&](const Job& job) {
                                  return job.kind == Job::Kind::Files && !job.identity.empty() &&
                                         folders.count(job.identity) != 0;
                              }),
               jobs.end());
    return jobs;
}

void printHeading(const std::string& folder) {
    const std::string label = platform::shownName(stdout, folder.empty() ? "." : folder);
    int used = std::snprintf(nullptr, 0, texts::kFolderHeading, label.c_str(), "") - 1;
    const int kLeastStars = 3;
    int stars = texts::kHeadingWidth - used > kLeastStars ? texts::kHeadingWidth - used : kLeastStars;
    platform::printFormatted(stdout, texts::kFolderHeading, label.c_str(),
                             std::string(static_cast<std::size_t>(stars), '*').c_str());
}

// What the parts of a run share.
struct Shared {
    platform::Folder* output = nullptr;  // where every file goes; null: beside its icon
    std::string outputIdentity;
    const MaskSet* masks = nullptr;      // the run's masks; null: each folder's own
    OutputLedger ledger;                 // what the parts wrote into the output
    bool preview = false;                // a preview page: the output folder's, or each folder's
    platform::LocalTime started;
    PageFile* page = nullptr;            // the output folder's page, for the whole run
    std::string outputPath;              // the output folder as given
    // A run given arguments says more (BatchRun::withArguments), with the
    // folders of the program's own masks.
    bool withArguments = false;
    std::vector<ProgramMaskFolder> programMasks;
    bool fit = false;  // --fit
    // Whether any part was worked on: a folder, or an icon given.
    bool workedOn = false;
};

// Starts the preview page in `folder` (`path` as given).
std::unique_ptr<PageFile> startPage(platform::Folder& folder, const std::string& path, const Shared& shared) {
    std::unique_ptr<PageFile> page(new PageFile);
    page->open(folder, path, shared.started);
    return page;
}

// Puts the preview page of the folder `path` in place, and says where it is.
void finishPage(PageFile& page, const std::string& path) {
    const std::string pagePath = platform::pathInFolder(path, page.fileName());
    if (page.commit()) {
        platform::printFormatted(stdout, texts::kPreviewWritten, platform::shownName(stdout, pagePath).c_str());
    } else {
        printWarning(stdout, texts::kCannotWrite, pagePath);
    }
}

// Works on one part of the run, `folder` being the one it names. Where that
// is the output folder itself, the part is a run in place there. Without
// an output folder, the part's preview page goes into its own folder, its
// path the part's last line.
void workOnPart(const Job& job, platform::Folder& folder, Shared& shared, int part) {
    const bool isOutput = shared.output != nullptr && !job.identity.empty() && job.identity == shared.outputIdentity;
    platform::Folder& source = isOutput ? *shared.output : folder;
    BatchRun run(stdout, source, shared.output != nullptr ? *shared.output : source);
    if (shared.masks != nullptr) run.useMasks(*shared.masks);
    if (shared.output != nullptr) run.keepTrackIn(shared.ledger, part);
    if (shared.withArguments) run.withArguments(shared.programMasks);
    if (shared.fit) run.fitToMasks();
    std::unique_ptr<PageFile> ownPage;  // only when asked for: it holds an encoder
    if (shared.preview && shared.page == nullptr) ownPage = startPage(source, job.path, shared);
    if (shared.preview) {
        run.showOn(shared.page != nullptr ? *shared.page : *ownPage, job.path,
                   shared.output != nullptr ? shared.outputPath : job.path);
    }
    if (job.kind == Job::Kind::Folder) {
        run.workOnFolder();
    } else {
        run.workOnFiles(job.names);
    }
    if (ownPage) finishPage(*ownPage, job.path);
    if (job.kind == Job::Kind::Folder || run.candidates() > 0) shared.workedOn = true;
}

void workOnPaths(const std::vector<std::string>& given, Shared& shared) {
    // Each path as the user meant it: a wildcard pattern the system leaves
    // to the program stands for what it matches, in the order a run takes
    // names.
    std::vector<std::string> paths;
    for (const std::string& path : given) {
        std::vector<std::string> matches = platform::pathsMatching(path);
        std::sort(matches.begin(), matches.end(), eligibility::comesBefore);
        paths.insert(paths.end(), matches.begin(), matches.end());
    }
    std::vector<Job> jobs = planJobs(paths, shared.outputIdentity);
    // One folder's output is exactly that of a run started inside it; with
    // several, a heading tells whose part follows.
    bool headings = std::count_if(jobs.begin(), jobs.end(), [](const Job& job) {
                        return job.kind == Job::Kind::Folder || job.kind == Job::Kind::Files;
                    }) > 1;
    int part = 0;
    for (const Job& job : jobs) {
        platform::Folder folder;
        if (job.kind == Job::Kind::NotFound) {
            printWarning(stdout, texts::kPathNotFound, job.path);
        } else if (job.kind == Job::Kind::CannotOpen) {
            printWarning(stdout, texts::kCannotOpen, job.path);
        } else if (job.kind == Job::Kind::IsOutput || job.kind == Job::Kind::InOutput) {
            platform::printFormatted(stdout,
                                     job.kind == Job::Kind::IsOutput ? texts::kSkippedOutputFolder
                                                                     : texts::kSkippedInOutputFolder,
                                     platform::shownName(stdout, job.path).c_str());
        } else if (!folder.open(job.path)) {
            // Named as they were given: the folder of a file given alone is
            // the program's reading of the path, not the user's words.
            if (job.kind == Job::Kind::Folder) printWarning(stdout, texts::kCannotOpen, job.path);
            for (const std::string& name : job.names) printWarning(stdout, texts::kCannotOpen, job.path + name);
        } else {
            if (headings) printHeading(job.path);
            workOnPart(job, folder, shared, ++part);
        }
    }
}

// Makes the output folder where it is missing and opens it; false, with
// one line, when it cannot be made or written: nothing is worked on then.
bool prepareOutput(const std::string& path, platform::Folder& output) {
    if (platform::makeFolder(path) && output.open(path) && platform::canWriteInto(output)) return true;
    printWarning(stdout, texts::kCannotWriteFolder, path);
    return false;
}

// The run after its banner: the run's masks and the output folder first,
// then each part. False when nothing was worked on: every path given was
// skipped, or the run stopped before its parts.
bool workOnLine(const CommandLine& line) {
    Shared shared;
    shared.preview = line.preview;
    shared.started = platform::localTimeNow();
    shared.withArguments = line.withArguments;
    shared.fit = line.fit;
    if (shared.withArguments) shared.programMasks = programMaskFolders(platform::programFolder());
    // The run's masks are loaded once, their notes standing before every
    // part; the masks of the folders worked on are then passed over. A
    // masks folder that cannot be read stops the run before anything is
    // made: the icons are not to be rewritten without the masks asked for.
    platform::Folder masksFolder;
    BatchRun masks(stdout, masksFolder, masksFolder);
    masks.withArguments({});  // PNG masks serve too
    if (!line.masksFolder.empty()) {
        if (!masksFolder.open(line.masksFolder)) {
            const bool missing = platform::pathKind(line.masksFolder) == platform::PathKind::Missing;
            printWarning(stdout, missing ? texts::kPathNotFound : texts::kCannotOpen, line.masksFolder);
            return false;
        }
        if (masks.loadMasks() == 0) printWarning(stdout, texts::kNoMaskAtAll);
        shared.masks = &masks.masks();
    }
    platform::Folder output;
    if (!line.outputFolder.empty()) {
        if (!prepareOutput(line.outputFolder, output)) return false;
        shared.output = &output;
        shared.outputIdentity = platform::identityOf(line.outputFolder);
        shared.outputPath = line.outputFolder;
    }
    // With an output folder, one page shows the whole run: every part
    // writes there.
    std::unique_ptr<PageFile> page;
    if (shared.preview && shared.output != nullptr) {
        page = startPage(output, line.outputFolder, shared);
        shared.page = page.get();
    }
    if (!line.paths.empty()) {
        workOnPaths(line.paths, shared);
    } else {
        // The current directory; with an output folder, it may be that one.
        std::string identity = shared.output != nullptr ? platform::identityOf("") : std::string();
        workOnPart({Job::Kind::Folder, "", {}, identity}, platform::currentFolder(), shared, 1);
    }
    if (page) finishPage(*page, line.outputFolder);
    return shared.workedOn;
}

// The option `argument` is or starts, when it takes a folder: where the
// folder goes.
std::string CommandLine::*folderOf(const std::string& argument, std::string& name) {
    struct FolderOption {
        const char* longName;
        const char* shortName;
        std::string CommandLine::*folder;
    };
    static const FolderOption kOptions[] = {
        {"--output", "-o", &CommandLine::outputFolder},
        {"--masks", nullptr, &CommandLine::masksFolder},
    };
    for (const FolderOption& option : kOptions) {
        const std::size_t length = std::strlen(option.longName);
        if (argument.compare(0, length, option.longName) == 0 &&
            (argument.size() == length || argument[length] == '=')) {
            name = option.longName;
            return option.folder;
        }
        if (option.shortName != nullptr && argument == option.shortName) {
            name = option.shortName;
            return option.folder;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<ProgramMaskFolder> programMaskFolders(const std::string& programFolder) {
    if (programFolder.empty()) return {};
    std::vector<ProgramMaskFolder> folders = {{platform::pathInFolder(programFolder, "masks"), programFolder}};
    const std::string prefix = platform::installPrefixOf(programFolder);
    if (!prefix.empty()) {
        const std::string share = platform::pathInFolder(prefix, "share");
        folders.push_back({platform::pathInFolder(platform::pathInFolder(share, "button-disabler"), "masks"), prefix});
    }
    return folders;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    line.withArguments = !arguments.empty();
    bool optionsEnded = false;
    std::string option;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded) {
            line.paths.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h" || argument == "/?") {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (argument == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (argument == "--no-wait") {
            line.waitForKey = false;
        } else if (argument == "--preview") {
            line.preview = true;
        } else if (argument == "--fit") {
            line.fit = true;
        } else if (std::string CommandLine::*folder = folderOf(argument, option)) {
            const bool attached = argument.size() > option.size();
            std::string value = attached ? argument.substr(option.size() + 1)
                                : i + 1 < arguments.size() ? arguments[++i]
                                                           : std::string();
            if (value.empty()) {
                line.action = CommandLine::Action::MissingFolder;
                line.unknownOption = option;
                return line;
            }
            line.*folder = value;
        } else if (argument.size() > 1 && argument[0] == '-') {
            line.action = CommandLine::Action::UnknownOption;
            line.unknownOption = argument;
            return line;
        } else {
            line.paths.push_back(argument);
        }
    }
    return line;
}

int runProgram(int argc, char** argv) {
    platform::fillClosedStandardStreams();
    CommandLine line = parseCommandLine(platform::commandLineArguments(argc, argv));
    switch (line.action) {
        case CommandLine::Action::Help:
            platform::printText(stdout, texts::kUsage);
            return 0;
        case CommandLine::Action::Version:
            platform::printFormatted(stdout, texts::kVersion, texts::kVersionNumber);
            return 0;
        case CommandLine::Action::UnknownOption:
        case CommandLine::Action::MissingFolder:
            platform::printFormatted(stderr,
                                     line.action == CommandLine::Action::UnknownOption ? texts::kUnknownOption
                                                                                       : texts::kOptionNeedsFolder,
                                     platform::shownName(stderr, line.unknownOption).c_str());
            platform::printText(stderr, texts::kUsage);
            return 2;
        case CommandLine::Action::Run:
            break;
    }

    // Stopped from outside, the run leaves no temporary file behind; a
    // closed output pipe does not stop it half-way.
    platform::protectRun();
    platform::printText(stdout, texts::kBanner);
    // Lack of memory outside an icon's work ends the run's work, never the
    // program: what was written stays, every temporary file goes with its
    // writer, and the report and the key wait still come.
    bool workedOn = false;
    try {
        workedOn = workOnLine(line);
    } catch (const std::bad_alloc&) {
        printWarning(stdout, texts::kRunOutOfMemory);
    }
    // The keyboard is taken before the closing lines appear, so that a key
    // typed as they do is kept for the wait. Without the wait, no prompt.
    // The report is out first, while Ctrl+C still stops a run whose output
    // has stalled; from here on it is a key.
    std::fflush(stdout);
    if (line.waitForKey) platform::prepareKeyWait();
    platform::printText(stdout, line.waitForKey ? texts::kClosingBlock : texts::kClosingWithoutPrompt);
    // The prompt has no line end: it must be on the screen during the wait.
    std::fflush(stdout);
    if (line.waitForKey) platform::waitForKey(texts::kKeyPrompt);
    // A run without arguments always ends well, as it always has. One with
    // them fails when it warned, or did nothing that was asked for.
    return line.withArguments && (anyWarningPrinted() || !workedOn) ? 1 : 0;
}
