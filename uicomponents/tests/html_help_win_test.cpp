// The help binding when the help cannot be shown: a missing library, a library without the entry
// point, or a missing help file each do nothing (no call, no box, no crash); nothing is loaded
// before the first request; a relative file is taken from the program's folder.
#include "uicomponents/html_help.h"

#include <gtest/gtest.h>

#include "gui_testing/process.h"
#include "win/text.h"

namespace lark::ui {
namespace {

class HtmlHelpTest : public ::testing::Test {
protected:
    void TearDown() override {
        help.Unload();
        help.SetLibrary(L"hhctrl.ocx");
        help.SetHelpFile("");
    }
    // A help file that exists (its content does not matter to the cases here).
    std::string ExistingFile() {
        const std::wstring path = lark::testing::ThisProgramFolder() + L"uicomponents_help.chm";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        return "uicomponents_help.chm";
    }
    HtmlHelp& help = HtmlHelp::Instance();
};

TEST_F(HtmlHelpTest, ARelativeFileIsTakenFromTheProgramsFolder) {
    SetCurrentDirectoryW(L"C:\\");
    help.SetHelpFile("LF_Scheduler.chm");
    EXPECT_EQ(help.HelpFile(), lark::testing::ThisProgramFolder() + L"LF_Scheduler.chm");
    help.SetHelpFile("D:\\help\\lx.chm");
    EXPECT_EQ(help.HelpFile(), L"D:\\help\\lx.chm");
    EXPECT_FALSE(help.Loaded()) << "nothing is loaded before a request";
}

TEST_F(HtmlHelpTest, AMissingLibraryOrEntryPointDoesNothing) {
    help.SetHelpFile(ExistingFile());
    for (const wchar_t* library : {L"no_such_help.ocx", L"kernel32.dll"}) {
        help.Unload();
        help.SetLibrary(library);
        EXPECT_FALSE(help.ShowContext(1000)) << win::Narrow(library);
        EXPECT_FALSE(help.ShowTopic("intro")) << win::Narrow(library);
        EXPECT_FALSE(help.ShowKeyword(std::string(300, 'k'))) << win::Narrow(library);
        EXPECT_FALSE(help.ShowTableOfContents()) << win::Narrow(library);
    }
}

TEST_F(HtmlHelpTest, AMissingHelpFileDoesNothing) {
    help.SetHelpFile("no_such_help.chm");
    EXPECT_FALSE(help.ShowContext(1000));
    EXPECT_FALSE(help.ShowTopic("intro"));
    EXPECT_FALSE(help.Loaded()) << "no file, no library loaded";
    help.SetHelpFile("");
    EXPECT_FALSE(help.ShowTableOfContents());
}

TEST_F(HtmlHelpTest, UnloadClosesTheHelpWindowsAndCanLoadAgain) {
    help.SetHelpFile(ExistingFile());
    // Wine's help library: a topic in a file that is no help file shows nothing, but the call is made.
    EXPECT_TRUE(help.ShowTopic("intro"));
    EXPECT_TRUE(help.Loaded());
    help.Unload();
    EXPECT_FALSE(help.Loaded());
    EXPECT_TRUE(help.ShowTopic("intro"));
    EXPECT_TRUE(help.Loaded());
}

}  // namespace
}  // namespace lark::ui
