// Version information and string tables read from this test program's own resources (its
// version resource comes from lark_windows_resources, its tables from tests.rc), and the common
// controls 6 its manifest asks for.
#include <gtest/gtest.h>

#include "gui_testing/process.h"
#include "ui/win32.h"
#include "uicomponents/register.h"
#include "uicomponents/string_resource.h"
#include "uicomponents/version_info.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::ui {
namespace {

TEST(VersionInfoTest, ReadsTheProgramsOwnVersionStrings) {
    VersionInfo info;
    info.SetFileName("");
    EXPECT_EQ(win::Widen(info.FileName()), win::ModulePath(nullptr));
    EXPECT_EQ(info.TranslationKey(), "040904e4");
    EXPECT_EQ(info.Text("FileVersion"), "1.0.0.0");
    EXPECT_EQ(info.Text("ProductVersion"), "1.0.0.0");
    EXPECT_EQ(info.Text("FileDescription"), "UI component tests");
    EXPECT_EQ(info.Text("NoSuchString"), "");
    EXPECT_EQ(info.Version(), "3.03");
}

TEST(VersionInfoTest, AFileWithoutVersionResourceGivesEmptyTexts) {
    // A file of this build without resources: the host-independent test data is this program's
    // folder's own text file.
    const std::wstring plain = lark::testing::ThisProgramFolder() + L"uicomponents_no_version.txt";
    HANDLE file = CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "plain", 5, &written, nullptr);
    CloseHandle(file);
    VersionInfo info;
    info.SetFileName(win::Narrow(plain));
    EXPECT_EQ(info.TranslationKey(), "");
    EXPECT_EQ(info.Text("FileVersion"), "");
    DeleteFileW(plain.c_str());
}

TEST(VersionInfoTest, AMissingFileIsRefusedWithErrorSeventyThree) {
    VersionInfo info;
    info.SetFileName("");
    const std::string own = info.FileName();
    try {
        info.SetFileName("C:\\no\\such\\program.exe");
        FAIL() << "accepted";
    } catch (const VersionInfoError& e) {
        EXPECT_STREQ(e.what(), "Error opening file");
        EXPECT_EQ(e.Code(), 73);
    }
    EXPECT_EQ(info.FileName(), own) << "nothing changed";
}

TEST(StringResourceTest, ReadsTheProgramsOwnTable) {
    StringResource table(GetModuleHandleW(nullptr), "TEST_STRINGS");
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Text(1), "First");
    EXPECT_EQ(table.Text(73), "Error opening file");
    EXPECT_EQ(table.Text(100), "Third");
    EXPECT_EQ(table.Text(41), "");
    // Not in the given module (a system library): the program's own is asked next.
    StringResource fallback(GetModuleHandleW(L"kernel32.dll"), "TEST_STRINGS");
    EXPECT_EQ(fallback.Text(73), "Error opening file");
}

TEST(StringResourceTest, MissingEmptyAndDamagedTablesAreRefused) {
    struct Case {
        const char* name;
        const char* message;
    };
    for (const Case& c : {Case{"NO_SUCH_TABLE", "String resource not found: NO_SUCH_TABLE"},
                          Case{"TEST_NOT_A_TABLE", "Invalid string resource: TEST_NOT_A_TABLE"},
                          Case{"TEST_EMPTY", "String resource not found: TEST_EMPTY (empty table)"}}) {
        try {
            StringResource table(GetModuleHandleW(nullptr), c.name);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const StringTableError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    StringResource damaged(GetModuleHandleW(nullptr), "TEST_DAMAGED");
    EXPECT_EQ(damaged.Text(1), "ok");
    EXPECT_THROW(damaged.Text(2), StringTableError) << "its text would lie past the resource";
}

// The manifest's common controls 6 are active: "Button" is then the common controls' own class,
// which answers BCM_GETIDEALSIZE (without the manifest Wine's user32 button does not: checked by
// building this program without it).
TEST(ManifestTest, CommonControlsSixAreActive) {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    HWND button = CreateWindowExW(0, L"Button", L"x", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)))
        << "BCM_GETIDEALSIZE is answered by the version 6 button only";
    EXPECT_GT(ideal.cx, 0);
    DestroyWindow(button);
}

// The scheduler carries the same pieces: its version strings and, as resource 1, the manifest
// that asks for common controls 6 and system DPI awareness.
TEST(ManifestTest, TheSchedulerCarriesItsManifestAndVersion) {
    const std::wstring program = lark::testing::ThisProgramFolder() + L"LF_Scheduler.exe";
    VersionInfo info;
    info.SetFileName(win::Narrow(program));
    EXPECT_EQ(info.Text("FileVersion"), "1.0.0.0");
    EXPECT_EQ(info.Text("OriginalFilename"), "LF_Scheduler.exe");
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                               SizeofResource(image, found));
    FreeLibrary(image);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

}  // namespace
}  // namespace lark::ui
