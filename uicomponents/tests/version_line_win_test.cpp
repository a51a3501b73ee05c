#include <gtest/gtest.h>

#include <fstream>

#include "gui_testing/process.h"
#include "uicomponents/link_label.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::ui {
namespace {

TEST(VersionLine, FillsTheFormatWithProductAndFileVersion) {
    // This test program carries the version resource the build gives every Windows target.
    const std::string self = win::Narrow(win::ModulePath(nullptr));
    const std::string line = VersionLine("Version %s, %s", self);
    EXPECT_EQ(line.rfind("Version ", 0), 0u);
    EXPECT_NE(line, "Version , ");
}

TEST(VersionLine, AFileWithoutAVersionResourceShowsEmptyTexts) {
    const std::wstring path = testing::ThisProgramFolder() + L"no_version.txt";
    std::ofstream(win::Narrow(path)) << "plain text\n";
    EXPECT_EQ(VersionLine("Version %s, %s", win::Narrow(path)), "Version , ");
    DeleteFileW(path.c_str());
}

TEST(VersionLine, ATranslationWithTheWrongNumberOfTextsNeverFails) {
    const std::string self = win::Narrow(win::ModulePath(nullptr));
    const std::string both = VersionLine("%s|%s", self);
    const std::string product = both.substr(0, both.find('|'));
    const std::string file = both.substr(both.find('|') + 1);
    EXPECT_EQ(VersionLine("Version %s", self), "Version " + product);  // a text left over is ignored
    EXPECT_EQ(VersionLine("Version %s, %s (%s)", self), product + ", " + file);
    EXPECT_EQ(VersionLine("Version %d", self), product + ", " + file);
}

}  // namespace
}  // namespace lark::ui
