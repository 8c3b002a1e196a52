// The program as started: its arguments decide what it does and on which
// folders and files.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum class Action { Run, Help, Version, UnknownOption };
    Action action = Action::Run;
    bool waitForKey = true;
    std::vector<std::string> paths;  // folders and files, in the order given
    std::string unknownOption;
};

// Reads the arguments, the program's name left out. Options may stand
// anywhere before "--", after which every argument is a path; the first of
// --help, --version or an unknown option decides at once.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Runs the program and returns its exit status: 0, or 2 for an unknown
// option. Without paths it works on the current directory; each folder
// given is worked on in turn as if the program had been started in it, and
// files given are worked on alone, with the masks of their own folder.
int runProgram(int argc, char** argv);
