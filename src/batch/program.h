// The program as started: its arguments decide what it does and on which
// folders and files.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_run.h"

struct CommandLine {
    enum class Action { Run, Help, Version, UnknownOption, MissingFolder };
    Action action = Action::Run;
    // Given any argument, the run is the modder's: it may take the program's
    // own masks, says more and tells in its exit status whether it warned.
    bool withArguments = false;
    bool waitForKey = true;
    bool preview = false;            // --preview: the preview page of the run
    bool fit = false;                // --fit: icons fitted to the masks' size
    std::vector<std::string> paths;  // folders and files, in the order given
    std::string outputFolder;        // --output: where every file goes ("": beside its icon)
    std::string masksFolder;         // --masks: where the masks come from ("": each folder)
    std::string unknownOption;       // an unknown option, or one given without its folder
};

// Reads the arguments, the program's name left out. Options may stand
// anywhere before "--", after which every argument is a path; the first of
// --help, --version, an unknown option or an option without its folder
// decides at once. An option that takes a folder takes the next argument,
// or what follows its "=".
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Where the program in `programFolder` (as platform::programFolder() gives
// it) finds masks of its own: the folder "masks" beside it, as the archives
// lay it out; where the system installs programs into a prefix, also
// PREFIX/share/button-disabler/masks (/usr/bin beside /usr/share;
// cmake/packaging.cmake), taken only while root or the user alone may
// change it.
std::vector<ProgramMaskFolder> programMaskFolders(const std::string& programFolder);

// Runs the program and returns its exit status: 0, or 2 for an unknown
// option or one without its folder; a run given arguments 1 when it printed
// a warning. Without paths it works on the current
// directory; each folder given is worked on in turn as if the program had
// been started in it, and files given are worked on alone, with the masks
// of their own folder. With an output folder, every file is written there
// and the paths given are only read; with a masks folder, its masks are
// laid over the icons of every folder.
int runProgram(int argc, char** argv);
