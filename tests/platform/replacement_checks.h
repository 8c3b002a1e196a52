// What a replacement does on every platform, checked the same way on each:
// an abandoned one leaves the file as it was and no temporary beside it; a
// committed one replaces the file under the spelling it already has.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace test_support {

// Works on "icon.tga" of the current directory, which holds {1, 2, 3} and
// nothing else; it ends holding "xyz".
inline void expectReplacementIsAllOrNothing() {
    {
        platform::ReplacementFile out;
        ASSERT_TRUE(out.open("icon.tga"));
        ASSERT_TRUE(out.write("abc", 3));
        EXPECT_EQ(readFile("icon.tga"), (Bytes{1, 2, 3}));  // untouched until commit
        EXPECT_EQ(listDirectory().size(), 2u);              // the temporary beside it
    }
    // Abandoned: the temporary is gone and the target as it was.
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"icon.tga"}));
    EXPECT_EQ(readFile("icon.tga"), (Bytes{1, 2, 3}));

    platform::ReplacementFile out;
    ASSERT_TRUE(out.open("ICON.tga"));
    ASSERT_TRUE(out.write("xyz", 3));
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"icon.tga"}));
    EXPECT_EQ(readFile("icon.tga"), (Bytes{'x', 'y', 'z'}));
}

}  // namespace test_support
