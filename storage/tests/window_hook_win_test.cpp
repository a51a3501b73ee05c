#include "storage/window_hook_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui_testing/process.h"

using namespace lark::storage;
using lark::testing::Pump;

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr LRESULT kPong = 42;

struct OwnProc {
    static inline int pings = 0;
    static inline int destroys = 0;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == kPing) {
            ++pings;
            return kPong;
        }
        if (msg == WM_DESTROY) ++destroys;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

WNDPROC g_foreignPrevious = nullptr;
int g_foreignCalls = 0;
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kPing) ++g_foreignCalls;
    return CallWindowProcW(g_foreignPrevious, hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &OwnProc::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HookTestWindow";
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"HookTestWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

WNDPROC ProcOf(HWND hwnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); }

class WindowHookTest : public testing::Test {
protected:
    void SetUp() override {
        OwnProc::pings = OwnProc::destroys = 0;
        hwnd = MakeWindow();
        ASSERT_NE(hwnd, nullptr);
        original = ProcOf(hwnd);
        root = std::make_unique<lark::core::Component>();
        control = root->Create<WindowControl>(hwnd);
    }
    void TearDown() override {
        root.reset();
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        Pump();
    }
    // A hook that logs "<name>:before" / "<name>:after" for pings.
    TUiWindowHook* AddHook(const std::string& name, WindowControl* on = nullptr) {
        auto* hook = root->Create<TUiWindowHook>();
        hook->BeforeMessage = [this, name](TUiWindowHook&, HookMessage& m, bool&) {
            if (m.msg == kPing) log.push_back(name + ":before");
        };
        hook->AfterMessage = [this, name](TUiWindowHook&, HookMessage& m, bool&) {
            if (m.msg == kPing) log.push_back(name + ":after=" + std::to_string(m.result));
        };
        hook->SetWinControl(on ? on : control);
        return hook;
    }
    void Free(lark::core::Component* c) { root->RemoveComponent(c), delete c; }

    HWND hwnd = nullptr;
    WNDPROC original = nullptr;
    std::unique_ptr<lark::core::Component> root;
    WindowControl* control = nullptr;
    std::vector<std::string> log;
};

TEST_F(WindowHookTest, TwoHooksShareOneSubclassingAndUnwindInOrder) {
    TUiWindowHook* first = AddHook("a");
    WNDPROC hooked = ProcOf(hwnd);
    EXPECT_NE(hooked, original);
    TUiWindowHook* second = AddHook("b");
    EXPECT_EQ(ProcOf(hwnd), hooked);
    EXPECT_EQ(first->WinControl(), control);

    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(log, (std::vector<std::string>{"b:before", "a:before", "b:after=42", "a:after=42"}));
    EXPECT_EQ(OwnProc::pings, 1);

    log.clear();
    Free(first);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(log, (std::vector<std::string>{"b:before", "b:after=42"}));

    Free(second);
    EXPECT_EQ(ProcOf(hwnd), original);
    Pump();  // the deferred release of the empty record
    EXPECT_EQ(THookList::Instance().Find(control), nullptr);
}

// Several controls may stand for one window: their records share the window's one chain, so
// that hooks on any of them see every message once, the window's own procedure runs once, and
// they may leave in any order.
TEST_F(WindowHookTest, ThreeClientsOnOneWindowLeaveInEveryOrder) {
    const std::vector<std::string> names = {"a", "b", "c"};
    std::vector<int> order = {0, 1, 2};
    do {
        std::string orderName;
        for (int i : order) orderName += names[static_cast<std::size_t>(i)];
        SCOPED_TRACE("removed in the order " + orderName);
        std::vector<WindowControl*> controls;
        std::vector<TUiWindowHook*> hooks;
        for (const std::string& name : names) {
            // Each client on a control of its own, all over the same window handle.
            controls.push_back(root->Create<WindowControl>(hwnd));
            hooks.push_back(AddHook(name, controls.back()));
        }
        std::vector<std::string> left = names;
        for (std::size_t step = 0; step <= order.size(); ++step) {
            log.clear();
            OwnProc::pings = 0;
            EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
            EXPECT_EQ(OwnProc::pings, 1);
            std::vector<std::string> expected;
            for (auto it = left.rbegin(); it != left.rend(); ++it) expected.push_back(*it + ":before");
            for (const std::string& name : left) expected.push_back(name + ":after=42");
            EXPECT_EQ(log, expected) << "after " << step << " removals";
            if (step == order.size()) break;
            const int gone = order[step];
            Free(hooks[static_cast<std::size_t>(gone)]);
            std::erase(left, names[static_cast<std::size_t>(gone)]);
        }
        EXPECT_EQ(ProcOf(hwnd), original);
        for (WindowControl* c : controls) Free(c);
        Pump();
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(WindowHookTest, InactiveHookSeesNothingAndLeavesTheWindowAlone) {
    TUiWindowHook* hook = AddHook("a");
    hook->SetActive(false);
    EXPECT_EQ(ProcOf(hwnd), original);
    SendMessageW(hwnd, kPing, 0, 0);
    EXPECT_TRUE(log.empty());
    hook->SetActive(true);
    SendMessageW(hwnd, kPing, 0, 0);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(WindowHookTest, SubclassingInBetweenKeepsTheChainIntact) {
    TUiWindowHook* hook = AddHook("a");
    g_foreignCalls = 0;
    g_foreignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));

    Free(hook);
    EXPECT_EQ(ProcOf(hwnd), &ForeignProc);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(g_foreignCalls, 1);
    EXPECT_EQ(OwnProc::pings, 1);

    // A new hook takes the old place in the chain instead of running twice per message.
    AddHook("c");
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(log, (std::vector<std::string>{"c:before", "c:after=42"}));
    EXPECT_EQ(OwnProc::pings, 2);
}

TEST_F(WindowHookTest, HandledBeforeMessageBlocksEverythingButDestroy) {
    struct Case {
        UINT msg;
        bool ownProcRuns;
    };
    for (Case c : {Case{kPing, false}, Case{WM_DESTROY, true}}) {
        SCOPED_TRACE(c.msg);
        if (!IsWindow(hwnd)) {
            hwnd = MakeWindow();
            control->SetHandle(hwnd);
        }
        OwnProc::pings = OwnProc::destroys = 0;
        int innerBefore = 0, afters = 0;
        TUiWindowHook* inner = root->Create<TUiWindowHook>();
        inner->BeforeMessage = [&](TUiWindowHook&, HookMessage& m, bool&) { innerBefore += m.msg == c.msg; };
        inner->AfterMessage = [&](TUiWindowHook&, HookMessage& m, bool&) { afters += m.msg == c.msg; };
        inner->SetWinControl(control);
        TUiWindowHook* outer = root->Create<TUiWindowHook>();
        outer->BeforeMessage = [&](TUiWindowHook&, HookMessage& m, bool& handled) {
            if (m.msg == c.msg) handled = true, m.result = 7;
        };
        outer->SetWinControl(control);

        if (c.msg == WM_DESTROY) {
            DestroyWindow(hwnd);
            EXPECT_EQ(OwnProc::destroys, 1);
            EXPECT_EQ(afters, 1);
        } else {
            EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), 7);
            EXPECT_EQ(OwnProc::pings, 0);
            EXPECT_EQ(afters, 0);
        }
        EXPECT_EQ(innerBefore, 0);  // the phase stops at the client that handled it
        Free(inner);
        Free(outer);
        Pump();
    }
}

TEST_F(WindowHookTest, ReCreatedWindowIsHookedAgain) {
    AddHook("a");
    DestroyWindow(hwnd);
    hwnd = MakeWindow();
    control->SetHandle(hwnd);
    Pump();  // the deferred re-hook must not hook a second time
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(log, (std::vector<std::string>{"a:before", "a:after=42"}));
}

TEST_F(WindowHookTest, FreeingTheControlDetachesAndAFailingClientDoesNotStopTheNext) {
    std::vector<std::string> failures;
    SetHookExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            failures.push_back(x.what());
        }
    });
    TUiWindowHook* quiet = AddHook("a");
    TUiWindowHook* failing = root->Create<TUiWindowHook>();
    failing->BeforeMessage = [](TUiWindowHook&, HookMessage& m, bool&) {
        if (m.msg == kPing) throw std::runtime_error("boom");
    };
    failing->SetWinControl(control);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), kPong);
    EXPECT_EQ(failures, std::vector<std::string>{"boom"});
    EXPECT_EQ(log.front(), "a:before");
    SetHookExceptionHandler(nullptr);

    Free(control);
    control = nullptr;
    EXPECT_EQ(quiet->WinControl(), nullptr);
    EXPECT_EQ(failing->WinControl(), nullptr);
    EXPECT_EQ(ProcOf(hwnd), original);
}

}  // namespace
