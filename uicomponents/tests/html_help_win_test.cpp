// The help binding: a missing library, a library without the entry point, or a missing help file
// each do nothing (no call, no box, no crash); nothing is loaded before the first request; a
// relative file is taken from the program's folder; a stand-in library records that each request
// reaches the entry point with its command and whole texts, and that unloading closes all first.
#include "uicomponents/html_help.h"

#include <gtest/gtest.h>

#include <vector>

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

// The stand-in library records what the entry point was given.
struct RecordedCall {
    UINT command = 0;
    std::wstring target;
    DWORD_PTR data = 0;
    std::wstring keyword;
};

std::vector<RecordedCall> Recorded(HMODULE probe) {
    using Reader = int (*)(int, UINT*, wchar_t*, int, DWORD_PTR*, wchar_t*, int);
    auto read = reinterpret_cast<Reader>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeCall")));
    std::vector<RecordedCall> calls;
    const int count = read(-1, nullptr, nullptr, 0, nullptr, nullptr, 0);
    for (int i = 0; i < count; ++i) {
        RecordedCall call;
        std::vector<wchar_t> target(2048), keyword(2048);
        read(i, &call.command, target.data(), 2048, &call.data, keyword.data(), 2048);
        call.target = target.data();
        call.keyword = keyword.data();
        calls.push_back(call);
    }
    return calls;
}

TEST_F(HtmlHelpTest, EachRequestReachesTheEntryPointWholeAndUnloadClosesAllFirst) {
    // Held here too, so its record outlives the binding's unload.
    HMODULE probe = LoadLibraryW(L"help_probe.dll");
    ASSERT_NE(probe, nullptr);
    help.SetLibrary(L"help_probe.dll");
    help.SetHelpFile(ExistingFile());
    const std::wstring file = lark::testing::ThisProgramFolder() + L"uicomponents_help.chm";
    const std::string longTopic(300, 't');
    const std::string longKeyword(300, 'k');
    EXPECT_TRUE(help.ShowContext(1000));
    EXPECT_TRUE(help.ShowTopic("intro"));
    EXPECT_TRUE(help.ShowTopic(longTopic));
    EXPECT_TRUE(help.ShowKeyword(longKeyword));
    EXPECT_TRUE(help.ShowTableOfContents());
    help.Unload();
    const auto calls = Recorded(probe);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].command, 0x000Fu);
    EXPECT_EQ(calls[0].target, file);
    EXPECT_EQ(calls[0].data, 1000u);
    EXPECT_EQ(calls[1].command, 0x0000u);
    EXPECT_EQ(calls[1].target, file + L"::/intro.htm");
    EXPECT_EQ(calls[2].target, file + L"::/" + std::wstring(300, L't') + L".htm") << "no truncation";
    EXPECT_EQ(calls[3].command, 0x0002u);
    EXPECT_EQ(calls[3].keyword, std::wstring(300, L'k')) << "no truncation";
    EXPECT_EQ(calls[4].command, 0x0001u);
    EXPECT_EQ(calls[5].command, 0x0012u) << "every help window closed before the library goes";
    EXPECT_FALSE(help.Loaded());
    FreeLibrary(probe);
}

}  // namespace
}  // namespace lark::ui
