// The tray icon under Wine, with the shell calls recorded through ShellNotify (Wine's tray
// cannot be read back): added with its icon and tip, the hint's short form as the tip, mouse
// notifications as events, the popup menu shown and a command run from it, the default item on
// a double click, re-added after "TaskbarCreated", and the animation on the window's own timer.
#include "uicomponents/tray_icon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "gui_testing/process.h"
#include "ui/application.h"
#include "ui/form.h"
#include "core/stream.h"
#include "ui/menus.h"
#include "uicomponents/icon_file.h"
#include "uicomponents/register.h"

namespace lark::ui {
namespace {

struct ShellCall {
    DWORD message;
    HWND window;
    UINT flags, callback;
    HICON icon;
    std::wstring tip;
};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterUiComponents();
        Application::Instance().ShowError = [this](const std::string& text) { shown.push_back(text); };
        TrayIcon::ShellNotify = [this](DWORD message, NOTIFYICONDATAW& data) {
            calls.push_back({message, data.hWnd, data.uFlags, data.uCallbackMessage, data.hIcon, data.szTip});
            return TRUE;
        };
        menu = form->Create<PopupMenu>();
        menu->SetName("pmTray");
        restore = AddItem("&Restore");
        exit = AddItem("E&xit");
        tray = form->Create<TrayIcon>();
        tray->SetName("TrayIcon");
        tray->SetPopupMenu(menu);
    }
    void TearDown() override {
        form.reset();
        TrayIcon::ShellNotify = [](DWORD message, NOTIFYICONDATAW& data) { return Shell_NotifyIconW(message, &data); };
        Application::Instance().ShowError = nullptr;
        EXPECT_EQ(shown, std::vector<std::string>{});
    }
    MenuItem* AddItem(const std::string& caption) {
        auto* item = form->Create<MenuItem>();
        item->SetCaption(caption);
        menu->Add(item);
        return item;
    }
    void Mouse(UINT mouseMessage) {
        SendMessageW(tray->Handle(), TrayIcon::kCallbackMessage, 0, mouseMessage);
    }
    std::vector<DWORD> Messages() const {
        std::vector<DWORD> out;
        for (const ShellCall& c : calls) out.push_back(c.message);
        return out;
    }
    HICON AppIcon() const { return LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); }

    std::unique_ptr<Form> form = std::make_unique<Form>();
    PopupMenu* menu = nullptr;
    MenuItem *restore = nullptr, *exit = nullptr;
    TrayIcon* tray = nullptr;
    std::vector<ShellCall> calls;
    std::vector<std::string> shown;
};

TEST_F(TrayIconTest, IsAddedWithItsIconAndTheShortHintAsTip) {
    EXPECT_TRUE(calls.empty()) << "no icon, nothing sent";
    tray->SetIcon(AppIcon());
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_TRUE(tray->Added());
    EXPECT_EQ(calls[0].window, tray->Handle());
    EXPECT_EQ(calls[0].flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[0].callback, 0xB054u);
    EXPECT_EQ(calls[0].icon, tray->Icon());
    EXPECT_NE(calls[0].icon, nullptr);

    tray->SetHint("LF Scheduler: 3 tasks|The scheduler of unattended transfers");
    ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(calls[1].tip, L"LF Scheduler: 3 tasks");
    tray->SetHint(std::string(100, 'x'));
    EXPECT_EQ(calls.back().tip, std::wstring(63, L'x'));

    // The hidden window is a real top-level window, not a message-only one.
    EXPECT_EQ(GetAncestor(tray->Handle(), GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(tray->Handle()));

    tray->SetActive(false);
    EXPECT_EQ(calls.back().message, DWORD(NIM_DELETE));
    EXPECT_FALSE(tray->Added());
    tray->SetActive(true);
    EXPECT_EQ(calls.back().message, DWORD(NIM_ADD));
}

TEST_F(TrayIconTest, AFailedAddIsRetriedByTheNextChange) {
    bool accept = false;
    TrayIcon::ShellNotify = [&](DWORD message, NOTIFYICONDATAW&) {
        calls.push_back({message});
        return message == NIM_ADD ? BOOL(accept) : TRUE;
    };
    tray->SetIcon(AppIcon());
    EXPECT_FALSE(tray->Added());
    accept = true;
    tray->SetHint("Scheduler");
    EXPECT_TRUE(tray->Added());
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
}

TEST_F(TrayIconTest, IsAddedAgainWhenTheTaskbarIsCreated) {
    tray->SetIcon(AppIcon());
    tray->SetHint("Scheduler");
    calls.clear();
    // Broadcast, as the shell does when it starts: only a top-level window hears it.
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(lark::testing::PumpUntil([&] { return !calls.empty(); }, std::chrono::seconds(5)));
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_EQ(calls[0].tip, L"Scheduler");
    EXPECT_TRUE(tray->Added());

    calls.clear();
    tray->SetActive(false);
    calls.clear();
    SendMessageW(tray->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(calls.empty()) << "an inactive icon stays away";
}

TEST_F(TrayIconTest, MouseNotificationsBecomeEvents) {
    tray->SetIcon(AppIcon());
    std::vector<std::string> events;
    auto name = [](MouseButton b) { return b == MouseButton::Left ? "left" : b == MouseButton::Right ? "right" : "middle"; };
    tray->OnMouseDown.Bind([&](core::Component&, MouseButton b, unsigned, int, int) { events.push_back(std::string("down ") + name(b)); });
    tray->OnMouseUp.Bind([&](core::Component&, MouseButton b, unsigned, int, int) { events.push_back(std::string("up ") + name(b)); });
    tray->OnClick.Bind([&](core::Component&, MouseButton b, unsigned, int, int) { events.push_back(std::string("click ") + name(b)); });
    tray->OnMouseMove.Bind([&](core::Component&, unsigned, int, int) { events.push_back("move"); });
    tray->OnDblClick.Bind([&](core::Component&) { events.push_back("double"); });

    Mouse(WM_MOUSEMOVE);
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    Mouse(WM_LBUTTONUP);  // no press of its own since: no click
    Mouse(WM_MBUTTONDOWN);
    Mouse(WM_MBUTTONUP);
    Mouse(WM_LBUTTONDBLCLK);  // no default item: OnDblClick
    EXPECT_EQ(events, (std::vector<std::string>{"move", "down left", "click left", "up left", "up left", "down middle",
                                                "up middle", "double", "down left"}));

    events.clear();
    tray->SetEnabled(false);
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    EXPECT_TRUE(events.empty()) << "disabled: no events";

    tray->SetEnabled(true);
    tray->SetPopupMenu(nullptr);
    Mouse(WM_RBUTTONDOWN);
    Mouse(WM_RBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::string>{"down right", "click right", "up right"})) << "no menu: OnClick";
}

TEST_F(TrayIconTest, ARightClickShowsThePopupMenuAndRunsTheChosenCommand) {
    tray->SetIcon(AppIcon());
    int restores = 0, exits = 0, clicks = 0, popups = 0;
    restore->OnClick.Bind([&](core::Component&) { ++restores; });
    exit->OnClick.Bind([&](core::Component&) { ++exits; });
    tray->OnClick.Bind([&](core::Component&, MouseButton, unsigned, int, int) { ++clicks; });
    menu->OnPopup.Bind([&](core::Component&) {
        ++popups;
        // The menu's own loop reads the keys waiting in the queue: the second item.
        PostMessageW(tray->Handle(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(tray->Handle(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(tray->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    });
    Mouse(WM_RBUTTONDOWN);
    Mouse(WM_RBUTTONUP);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(restores, 0);
    EXPECT_EQ(clicks, 0) << "the menu replaces OnClick";
    // The WM_NULL posted after the menu reaches the tray's window.
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, tray->Handle(), WM_NULL, WM_NULL, PM_REMOVE));
}

TEST_F(TrayIconTest, ADoubleClickRunsTheEnabledDefaultItem) {
    tray->SetIcon(AppIcon());
    int restores = 0, doubles = 0;
    restore->OnClick.Bind([&](core::Component&) { ++restores; });
    tray->OnDblClick.Bind([&](core::Component&) { ++doubles; });
    restore->SetDefault(true);
    Mouse(WM_LBUTTONDBLCLK);
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(doubles, 0);
    restore->SetEnabled(false);
    Mouse(WM_LBUTTONDBLCLK);
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(doubles, 1) << "a disabled default item is skipped";
}

TEST_F(TrayIconTest, AnimatesOnItsWindowTimerWhileShown) {
    HICON frames[] = {LoadIconW(nullptr, MAKEINTRESOURCEW(32513)), LoadIconW(nullptr, MAKEINTRESOURCEW(32515))};
    tray->SetAnimated(true);
    EXPECT_FALSE(tray->Animated()) << "no frames, no animation";
    tray->SetIcon(AppIcon());
    tray->SetIcons({frames[0], frames[1]});
    tray->SetInterval(30);
    tray->SetAnimated(true);
    ASSERT_TRUE(tray->Animated());
    calls.clear();
    ASSERT_TRUE(lark::testing::PumpUntil([&] { return calls.size() >= 4; }, std::chrono::seconds(5)));
    std::set<HICON> shownIcons;
    for (const ShellCall& c : calls) {
        EXPECT_EQ(c.message, DWORD(NIM_MODIFY));
        shownIcons.insert(c.icon);
    }
    EXPECT_EQ(shownIcons.size(), 2u) << "both frames, wrapping";
    EXPECT_EQ(shownIcons.count(tray->Icon()), 0u);

    tray->SetActive(false);
    calls.clear();
    lark::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(150));
    EXPECT_TRUE(calls.empty()) << "hidden: the animation pauses";
    tray->SetActive(true);
    ASSERT_TRUE(lark::testing::PumpUntil([&] { return calls.size() >= 2; }, std::chrono::seconds(5)));
    EXPECT_EQ(calls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(calls[1].message, DWORD(NIM_MODIFY)) << "shown again: it resumes";

    tray->SetIcons({});
    EXPECT_FALSE(tray->Animated()) << "no frames left: the still icon again";
    EXPECT_EQ(calls.back().icon, tray->Icon());
}

TEST_F(TrayIconTest, IconAndFramesRoundTripThroughADefinitionStream) {
    HICON frames[] = {LoadIconW(nullptr, MAKEINTRESOURCEW(32513)), LoadIconW(nullptr, MAKEINTRESOURCEW(32515))};
    tray->SetIcon(AppIcon());
    tray->SetIcons({frames[0], nullptr, frames[1]});
    tray->SetHint("Scheduler");
    core::MemoryStream stream;
    core::Writer(stream).WriteRootComponent(*tray);
    stream.Seek(0);
    calls.clear();
    TrayIcon copy;
    core::Reader(stream).ReadRootComponent(copy);
    ASSERT_NE(copy.Icon(), nullptr);
    EXPECT_EQ(IconFileOf(copy.Icon()), IconFileOf(tray->Icon()));
    EXPECT_EQ(copy.IconCount(), 3u);
    EXPECT_EQ(copy.Hint(), "Scheduler");
    EXPECT_TRUE(copy.Added()) << "shown once read";
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().message, DWORD(NIM_ADD));
    EXPECT_EQ(calls.back().tip, L"Scheduler");

    // An icon file whose directory points past its end is refused, never read beyond it.
    const std::vector<std::uint8_t> damaged{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0xE8, 3, 0, 0, 22, 0, 0, 0};
    try {
        IconFromFile(damaged);
        ADD_FAILURE() << "accepted";
    } catch (const core::Error& e) {
        EXPECT_STREQ(e.what(), "Icon: the image lies outside the file");
    }
}

}  // namespace
}  // namespace lark::ui
