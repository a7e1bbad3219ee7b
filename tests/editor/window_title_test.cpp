// The window title: new, changed, saved or opened, and the file name without its folder.

#include <gtest/gtest.h>

#include "editor/window_title.h"

namespace corvane {
namespace {

TEST(WindowTitle, NewScore) {
    EXPECT_EQ(windowTitle("", false), "Corvane");
    EXPECT_EQ(windowTitle("", true), "Untitled* - Corvane");
    EXPECT_EQ(windowTitleTemplate("", false), "Corvane");
    EXPECT_EQ(windowTitleTemplate("", true), "Untitled[*] - Corvane");
}

TEST(WindowTitle, FileNameWithoutFolder) {
    EXPECT_EQ(windowTitle("/home/ann/tunes/song.cvn", false), "song.cvn - Corvane");
    EXPECT_EQ(windowTitle("/home/ann/tunes/song.cvn", true), "song.cvn* - Corvane");
    EXPECT_EQ(windowTitleTemplate("/home/ann/tunes/song.cvn", false), "song.cvn[*] - Corvane");
    EXPECT_EQ(windowTitle("relative name.cvn", true), "relative name.cvn* - Corvane");
}

}  // namespace
}  // namespace corvane
