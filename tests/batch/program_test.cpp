// Reading the command line: options anywhere before "--", paths in order.
#include <gtest/gtest.h>

#include "batch/program.h"

using Action = CommandLine::Action;

TEST(CommandLine, OptionsMayStandAnywhereBeforeTheirEnd) {
    CommandLine none = parseCommandLine({});
    EXPECT_EQ(none.action, Action::Run);
    EXPECT_TRUE(none.waitForKey);
    EXPECT_TRUE(none.paths.empty());

    CommandLine run = parseCommandLine({"icons", "--no-wait", "My Icons", "-", "--", "--help", "-h"});
    EXPECT_EQ(run.action, Action::Run);
    EXPECT_FALSE(run.waitForKey);
    EXPECT_EQ(run.paths, (std::vector<std::string>{"icons", "My Icons", "-", "--help", "-h"}));

    CommandLine folders = parseCommandLine({"-o", "out", "icons", "--masks=m", "--output=-x", "--", "-o"});
    EXPECT_EQ(folders.outputFolder, "-x");  // the last one given
    EXPECT_EQ(folders.masksFolder, "m");
    EXPECT_EQ(folders.paths, (std::vector<std::string>{"icons", "-o"}));
}

TEST(CommandLine, TheFirstOfHelpVersionOrAnUnknownOptionDecides) {
    EXPECT_EQ(parseCommandLine({"icons", "/?", "--bogus"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"--version", "-h"}).action, Action::Version);
    CommandLine unknown = parseCommandLine({"icons", "-x", "--help"});
    EXPECT_EQ(unknown.action, Action::UnknownOption);
    EXPECT_EQ(unknown.unknownOption, "-x");
    EXPECT_EQ(parseCommandLine({"--no-wait=yes"}).action, Action::UnknownOption);
    EXPECT_EQ(parseCommandLine({"--outputs", "out"}).action, Action::UnknownOption);
    CommandLine bare = parseCommandLine({"icons", "--masks=", "--help"});
    EXPECT_EQ(bare.action, Action::MissingFolder);
    EXPECT_EQ(bare.unknownOption, "--masks");
    EXPECT_EQ(parseCommandLine({"icons", "-o"}).action, Action::MissingFolder);
}
