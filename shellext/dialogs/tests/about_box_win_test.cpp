#include "about_box.h"

#include <gtest/gtest.h>

#include <chrono>

#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "gui_testing/resource_count.h"
#include "gui_testing/shown_errors.h"
#include "ui/application.h"
#include "uicomponents/animated_image.h"
#include "uicomponents/link_label.h"

namespace lark::shellext {
namespace {

using namespace std::chrono_literals;
using testing::FormDriver;

using ExtensionAboutBox = testing::NoErrorShownTest;

TEST_F(ExtensionAboutBox, EachLanguageShowsTheLibrarysVersionAndTheLinkAndItsPictureOpenTheAddress) {
    const char* names[] = {"en", "de", "fr"};
    const char* lines[] = {"© 2026 The LARK-FTP developers", "© 2026 Die Entwickler von LARK-FTP",
                           "© 2026 Les développeurs de LARK-FTP"};
    const char* addresses[] = {"https://lark-ftp.example.org/", "https://lark-ftp.example.org/de/",
                               "https://lark-ftp.example.org/fr/"};
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(names[language - 1]);
        auto box = AboutBox::Create(nullptr, language);
        std::vector<std::string> opened;
        box->openAddress = [&](HWND, const std::string& address) { opened.push_back(address); };
        FormDriver(*box).RunModal([&](FormDriver& driver) {
            EXPECT_EQ(box->Caption(), "LARK-FTP");
            // The code's own module holds the version (here the test program, inside Explorer the DLL).
            EXPECT_EQ(driver.Text("lbToolVersion"), "Version 3.1.2.8, 3.1.2.8");
            EXPECT_EQ(driver.Text("Label1"), lines[language - 1]);
            EXPECT_EQ(testing::OverflowingTexts(*box), std::vector<std::string>{});
            driver.Pump();
            driver.Screenshot(std::string("extension_about_") + names[language - 1]);
            driver.MouseClick("Image2");
            EXPECT_EQ(static_cast<ui::LinkLabel&>(driver.Control("Label1")).TextColor(), ui::LinkLabel::kVisitedColor);
            driver.MouseClick("Label1");
            driver.Key(VK_RETURN);
        });
        EXPECT_EQ(opened, (std::vector<std::string>{addresses[language - 1], addresses[language - 1]}));
        EXPECT_EQ(box->Emblem()->GlyphNum(), 1);
    }
}

TEST_F(ExtensionAboutBox, AHundredShowingsOwnedByAViewWindowLeakNothing) {
    HWND browser = CreateWindowExW(0, L"STATIC", L"browser", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                   nullptr, nullptr, nullptr);
    HWND view = CreateWindowExW(0, L"STATIC", L"view", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, browser, nullptr, nullptr,
                                nullptr);
    int windowsWhileOpen = 0;
    const auto showOnce = [&] {
        auto box = AboutBox::Create(view, 2);
        box->Emblem()->SetInterval(5);
        FormDriver(*box).RunModal([&](FormDriver& driver) {
            EXPECT_EQ(GetWindow(box->Handle(), GW_OWNER), browser);
            EXPECT_EQ(GetWindowLongPtrW(box->Handle(), GWL_STYLE) & WS_CHILD, 0);
            windowsWhileOpen = testing::CountWindows();
            const int painted = box->Emblem()->PaintCount();
            testing::PumpUntil([&] { return box->Emblem()->PaintCount() >= painted + 2; }, 2s);
            driver.Click("btnOK");
        });
    };
    const auto [before, after] = testing::CountAroundRepeats(showOnce, 100);
    EXPECT_GT(windowsWhileOpen, before.windows);
    // Per showing nothing may stay: a leak of one handle a showing would show as 100. Wine (and the
    // threads library) may make a process-wide object once, under load, so two handles of slack.
    EXPECT_EQ(after.threads, before.threads) << testing::Describe(before) << " -> " << testing::Describe(after);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_LE(after.openHandles, before.openHandles + 2);
    EXPECT_LE(after.handleCount, before.handleCount + 2);
    std::printf("extension about box x100: %s -> %s\n", testing::Describe(before).c_str(),
                testing::Describe(after).c_str());
    EXPECT_TRUE(IsWindowEnabled(browser));
    DestroyWindow(browser);
}

}  // namespace
}  // namespace lark::shellext
