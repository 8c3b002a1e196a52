// Which names are icons, and the order of a run.
#include <gtest/gtest.h>

#include <algorithm>

#include "batch/eligibility.h"
#include "preview/outcome.h"

using namespace eligibility;

TEST(Eligibility, MasksAndVariantNamesInAnyLetterCase) {
    EXPECT_TRUE(isMaskName("ZOF_NORMAL_MASK.tga"));
    EXPECT_TRUE(isMaskName("zof_autocast_mask.TGA"));
    EXPECT_FALSE(isMaskName("ZOF_NORMAL_MASK.tga.bak"));
    EXPECT_FALSE(isMaskName("ZOF_OTHER_MASK.tga"));

    EXPECT_TRUE(hasVariantPrefix("DISCO.tga"));
    EXPECT_TRUE(hasVariantPrefix("pasture.tga"));
    EXPECT_TRUE(hasVariantPrefix("Dis"));
    EXPECT_FALSE(hasVariantPrefix("DI.tga"));
    EXPECT_FALSE(hasVariantPrefix("ADIS.tga"));

    EXPECT_TRUE(hasAutocastSuffix("Fire_AUTOCAST"));
    EXPECT_TRUE(hasAutocastSuffix("_autocast"));
    EXPECT_FALSE(hasAutocastSuffix("autocast"));  // shorter than the suffix
    EXPECT_FALSE(hasAutocastSuffix("Fire_Autocast2"));
}

TEST(Eligibility, BaseNameDropsTheLastFourCharacters) {
    EXPECT_EQ(baseNameOf("Fire.tga"), "Fire");
    EXPECT_EQ(baseNameOf("ICON.TGA"), "ICON");
    EXPECT_EQ(baseNameOf(".tga"), "");
    EXPECT_EQ(baseNameOf("z.tgax"), "z.");  // a short alias is cut the same way
    EXPECT_EQ(baseNameOf("ab"), "");
}

TEST(Eligibility, VariantNamesAddPrefixOrSuffixAndLowerCaseExtension) {
    EXPECT_EQ(outputName(0, "ICON", "icon.TGA"), "icon.TGA");  // the icon itself
    EXPECT_EQ(outputName(1, "ICON", "icon.TGA"), "DISICON.tga");
    EXPECT_EQ(outputName(2, "ICON", "icon.TGA"), "PASICON.tga");
    EXPECT_EQ(outputName(3, "ICON", "icon.TGA"), "ICON_Autocast.tga");
    EXPECT_EQ(outputName(3, "", ".tga"), "_Autocast.tga");
}

TEST(Eligibility, RunOrderFoldsLettersToUpperCase) {
    std::vector<std::string> names = {"b.tga", "_a.tga", "A.tga", "a.tga", "z.tga", "Z.tga", "[.tga", "1.tga", "~.tga"};
    std::sort(names.begin(), names.end(), comesBefore);
    // '[' and '_' lie between 'Z' and 'a' in bytes, so they follow the
    // letters once those are upper case; equal names keep byte order.
    EXPECT_EQ(names, (std::vector<std::string>{"1.tga", "A.tga", "a.tga", "b.tga", "Z.tga", "z.tga", "[.tga", "_a.tga",
                                               "~.tga"}));
    EXPECT_TRUE(comesBefore("ab", "abc"));
    EXPECT_FALSE(comesBefore("abc", "ABC"));
}

TEST(Eligibility, GivenNamesAreSkippedForTheFirstRuleTheyBreak) {
    EXPECT_EQ(skipReasonOf("Fire.TGA"), SkipReason::None);
    EXPECT_EQ(skipReasonOf(".tga"), SkipReason::None);
    EXPECT_EQ(skipReasonOf("tga"), SkipReason::NotTga);
    EXPECT_EQ(skipReasonOf("Fire.bmp"), SkipReason::NotTga);
    EXPECT_EQ(skipReasonOf("Fire.Png"), SkipReason::None);
    EXPECT_EQ(skipReasonOf("DISCO.png"), SkipReason::VariantPrefix);
    EXPECT_EQ(skipReasonOf("zof_normal_mask.tga"), SkipReason::Mask);
    EXPECT_EQ(skipReasonOf("ZOF_PASSIVE_MASK.PNG"), SkipReason::Mask);
    EXPECT_EQ(skipReasonOf("PAS_Autocast.tga"), SkipReason::VariantPrefix);
    EXPECT_EQ(skipReasonOf("Fire_autocast.Tga"), SkipReason::AutocastSuffix);
}
