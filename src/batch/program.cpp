#include "batch/program.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "batch/batch_run.h"
#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace {

// One part of a run: a folder, the files given of one folder, or a path
// that cannot be worked on.
struct Job {
    enum class Kind { Folder, Files, NotFound, CannotOpen };
    Kind kind;
    std::string path;                // as given; for Files, their folder
    std::vector<std::string> names;  // Files: their names
};

// Every path is looked at before any folder is entered, so that relative
// paths all start from the directory the program was started in. Nothing
// is worked on twice: a folder given again (by whatever spelling), or files
// of a folder that is itself given, would have the normal mask laid over
// their icons a second time. Files are told apart by their folder and their
// name there (a file given again under another spelling is found once when
// the names are resolved), never by what they lead to: a link and the icon
// it points to are two entries, each rewritten once from what it holds when
// its turn comes, as in a run over their folder.
std::vector<Job> planJobs(const std::vector<std::string>& paths) {
    std::vector<Job> jobs;
    std::set<std::string> folders;      // identities of the folders given
    std::vector<std::string> filesIn;   // for each job, its folder's identity
    // Files of one folder are done together, with its masks loaded once, in
    // the order a run would take them.
    const auto addFile = [&](const std::string& path) {
        platform::SplitPath split = platform::splitPath(path);
        std::string folder = platform::identityOf(split.folder);
        if (folder.empty()) folder = "path:" + split.folder;
        auto sameFolder = std::find(filesIn.begin(), filesIn.end(), folder);
        std::size_t at = static_cast<std::size_t>(sameFolder - filesIn.begin());
        if (sameFolder == filesIn.end() || jobs[at].kind != Job::Kind::Files) {
            jobs.push_back({Job::Kind::Files, split.folder, {split.name}});
            filesIn.push_back(folder);
        } else {
            jobs[at].names.push_back(split.name);
        }
    };
    const auto addFolder = [&](const std::string& path) {
        std::string identity = platform::identityOf(path);
        if (!identity.empty() && !folders.insert(identity).second) return;
        jobs.push_back({Job::Kind::Folder, path, {}});
        filesIn.push_back(identity);
    };
    for (const std::string& path : paths) {
        switch (platform::pathKind(path)) {
            case platform::PathKind::Folder:
                // A name ending in ".tga" is an icon's, never a folder to
                // work on: a folder, or a link to one, that a shell glob
                // picked up is noted and passed over with the files.
                if (platform::hasTgaExtension(platform::splitPath(path).name)) {
                    addFile(path);
                } else {
                    addFolder(path);
                }
                break;
            case platform::PathKind::Missing:
                jobs.push_back({Job::Kind::NotFound, path, {}});
                filesIn.emplace_back();
                break;
            case platform::PathKind::Inaccessible:
                jobs.push_back({Job::Kind::CannotOpen, path, {}});
                filesIn.emplace_back();
                break;
            case platform::PathKind::File:
                addFile(path);
                break;
        }
    }
    // A folder's own run takes every icon in it, given by name or not.
    std::vector<Job> planned;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].kind != Job::Kind::Files || folders.count(filesIn[i]) == 0) planned.push_back(jobs[i]);
    }
    return planned;
}

void printHeading(const std::string& folder) {
    const std::string label = platform::shownName(stdout, folder.empty() ? "." : folder);
    int used = std::snprintf(nullptr, 0, texts::kFolderHeading, label.c_str(), "") - 1;
    const int kLeastStars = 3;
    int stars = texts::kHeadingWidth - used > kLeastStars ? texts::kHeadingWidth - used : kLeastStars;
    platform::printFormatted(stdout, texts::kFolderHeading, label.c_str(),
                             std::string(static_cast<std::size_t>(stars), '*').c_str());
}

void workOnPaths(const std::vector<std::string>& given) {
    // Each path as the user meant it: a wildcard pattern the system leaves
    // to the program stands for what it matches, in the order a run takes
    // names.
    std::vector<std::string> paths;
    for (const std::string& path : given) {
        std::vector<std::string> matches = platform::pathsMatching(path);
        std::sort(matches.begin(), matches.end(), eligibility::comesBefore);
        paths.insert(paths.end(), matches.begin(), matches.end());
    }
    std::vector<Job> jobs = planJobs(paths);
    // One folder's output is exactly that of a run started inside it; with
    // several, a heading tells whose part follows.
    bool headings = std::count_if(jobs.begin(), jobs.end(), [](const Job& job) {
                        return job.kind == Job::Kind::Folder || job.kind == Job::Kind::Files;
                    }) > 1;
    for (const Job& job : jobs) {
        if (job.kind == Job::Kind::NotFound) {
            platform::printFormatted(stdout, texts::kPathNotFound, platform::shownName(stdout, job.path).c_str());
        } else if (job.kind == Job::Kind::CannotOpen) {
            platform::printFormatted(stdout, texts::kCannotOpen, platform::shownName(stdout, job.path).c_str());
        } else if (!platform::enterFolder(job.path)) {
            // Named as they were given: the folder of a file given alone is
            // the program's reading of the path, not the user's words.
            if (job.kind == Job::Kind::Folder) {
                platform::printFormatted(stdout, texts::kCannotOpen, platform::shownName(stdout, job.path).c_str());
            }
            for (const std::string& name : job.names) {
                platform::printFormatted(stdout, texts::kCannotOpen,
                                         platform::shownName(stdout, job.path + name).c_str());
            }
        } else {
            if (headings) printHeading(job.path);
            BatchRun run(stdout);
            if (job.kind == Job::Kind::Folder) {
                run.workOnFolder();
            } else {
                run.workOnFiles(job.names);
            }
        }
    }
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
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
    CommandLine line = parseCommandLine(platform::commandLineArguments(argc, argv));
    switch (line.action) {
        case CommandLine::Action::Help:
            platform::printText(stdout, texts::kUsage);
            return 0;
        case CommandLine::Action::Version:
            platform::printFormatted(stdout, texts::kVersion, texts::kVersionNumber);
            return 0;
        case CommandLine::Action::UnknownOption:
            platform::printFormatted(stderr, texts::kUnknownOption, platform::shownName(stderr, line.unknownOption).c_str());
            platform::printText(stderr, texts::kUsage);
            return 2;
        case CommandLine::Action::Run:
            break;
    }

    // Stopped from outside, the run leaves no temporary file behind; a
    // closed output pipe does not stop it half-way.
    platform::protectRun();
    platform::printText(stdout, texts::kBanner);
    if (line.paths.empty()) {
        BatchRun run(stdout);
        run.workOnFolder();
    } else {
        workOnPaths(line.paths);
    }
    // The keyboard is taken before the closing lines appear, so that a key
    // typed as they do is kept for the wait. Without the wait, no prompt.
    if (line.waitForKey) platform::prepareKeyWait();
    platform::printText(stdout, line.waitForKey ? texts::kClosingBlock : texts::kClosingWithoutPrompt);
    // The prompt has no line end: it must be on the screen during the wait.
    std::fflush(stdout);
    if (line.waitForKey) platform::waitForKey(texts::kKeyPrompt);
    return 0;
}
