// The application object: its hidden window answers registered messages, Run ends when the main
// form closes; timers and dialog hooks hand their failures to the one sink.
#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "ui/common_dialogs.h"
#include "ui/message_loop.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"
#include "ui_fixture.h"
#include "win/text.h"

namespace lark::ui::testing {
namespace {

using namespace std::chrono_literals;

class ApplicationTest : public UiTest {};

TEST_F(ApplicationTest, RegisteredMessagesReachTheHiddenWindowAndRunEndsWithTheMainForm) {
    Application& app = Application::Instance();
    app.Initialize(GetModuleHandleW(nullptr), L"TLarkUiTestApplication", "Lark UI test");
    ASSERT_NE(app.Handle(), nullptr);
    EXPECT_EQ(FindWindowW(L"TLarkUiTestApplication", L"Lark UI test"), app.Handle());
    std::pair<WPARAM, LPARAM> got{};
    app.OnRegisteredMessage("LarkUiTest_Completed", [&](WPARAM w, LPARAM l) { got = {w, l}; });
    PostMessageW(app.Handle(), RegisterWindowMessageW(L"LarkUiTest_Completed"), 3, 4);

    Form main;
    main.SetBounds(100, 100, 300, 200);
    auto* timer = main.Create<Timer>();
    timer->SetInterval(20);
    int ticks = 0;
    timer->OnTimer.Bind([&](core::Component&) {
        if (++ticks == 3) main.Close();
    });
    EXPECT_EQ(app.Run(main), 0);
    EXPECT_EQ(got, (std::pair<WPARAM, LPARAM>{3, 4}));
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(main.Visible());
}

TEST_F(ApplicationTest, AFailingTimerIsShownAndKeepsTicking) {
    Form form;
    auto* timer = form.Create<Timer>();
    timer->SetName("tmrRefresh");
    int ticks = 0;
    timer->OnTimer.Bind([&](core::Component&) {
        ++ticks;
        throw core::Error("the task list cannot be read");
    });
    timer->SetInterval(10);
    ASSERT_TRUE(lark::testing::PumpUntil([&] { return ticks >= 2; }, 5s));
    timer->SetEnabled(false);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "the task list cannot be read");
}

TEST_F(ApplicationTest, TheFileDialogShowsItsWindowToItsHook) {
    Form form;
    auto* dialog = form.Create<OpenDialog>();
    dialog->SetName("dlgOpen");
    dialog->title = "Open a task file";
    dialog->filter = "Task files|*.tsk|All files|*.*";
    std::wstring caption;
    dialog->OnDialogShow.Bind([&](core::Component&, HWND window) {
        wchar_t text[128] = {};
        GetWindowTextW(window, text, 128);
        caption = text;
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(caption, L"Open a task file");
}

}  // namespace
}  // namespace lark::ui::testing
