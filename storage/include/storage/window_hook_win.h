#pragma once
// Watching the messages of a window one does not own: any number of TUiWindowHook components
// on one window share one subclassing record (TControlHook), kept in a process-wide THookList.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "core/component.h"

namespace lark::storage {

// A window whose handle may be destroyed and created again; hooks follow it across that.
class WindowControl : public core::Component {
    LARK_PERSISTENT_CLASS(WindowControl)
public:
    explicit WindowControl(core::Component* owner = nullptr, HWND handle = nullptr);
    ~WindowControl() override;

    HWND Handle() const { return handle_; }
    bool HandleAllocated() const { return handle_ && IsWindow(handle_); }
    // The window was (re-)created, or is gone (null): hooks attached to this control move with it.
    void SetHandle(HWND handle);

    // The window's own events, raised by whoever runs the window: when it is about to show,
    // when it is asked to close (a handler may refuse), and when it is being destroyed.
    std::function<void(WindowControl&)> OnShow;
    std::function<void(WindowControl&, bool& canClose)> OnCloseQuery;
    std::function<void(WindowControl&)> OnDestroy;
    void DoShow();
    bool CloseQuery();
    void DoDestroy();

private:
    HWND handle_ = nullptr;
};

struct HookMessage {
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
};

class TUiWindowHook;
using THookMessageEvent = std::function<void(TUiWindowHook& sender, HookMessage& message, bool& handled)>;

// Where failures raised inside a window procedure go (no exception crosses one). The default
// writes to the debugger output.
using HookExceptionHandler = std::function<void(std::exception_ptr)>;
void SetHookExceptionHandler(HookExceptionHandler handler);
// Hands a failure to that handler; never throws.
void ReportWindowFailure(std::exception_ptr failure) noexcept;

class TControlHook;

class TUiWindowHook : public core::Component {
    LARK_PERSISTENT_CLASS(TUiWindowHook)
public:
    explicit TUiWindowHook(core::Component* owner = nullptr);
    ~TUiWindowHook() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    WindowControl* WinControl() const;
    void SetWinControl(WindowControl* control);

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    void Notification(core::Component* component, core::Operation operation) override;

private:
    friend class TControlHook;
    void Attach();
    void Detach();

    bool active_ = true;
    WindowControl* control_ = nullptr;
    TControlHook* hook_ = nullptr;
};

class TControlHook {
public:
    TControlHook();
    ~TControlHook();
    TControlHook(const TControlHook&) = delete;
    TControlHook& operator=(const TControlHook&) = delete;

    WindowControl* Control() const { return control_; }
    void SetControl(WindowControl* control);
    void AddClient(TUiWindowHook* client);
    void RemoveClient(TUiWindowHook* client);
    int ClientCount() const { return static_cast<int>(clients_.size()); }
    bool Subclassed() const { return subclassedWindow_ != nullptr; }

    void Subclass();
    void Unsubclass();

private:
    friend class THookList;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void RunPhase(HookMessage& message, bool& handled, bool after);
    bool PhaseBlocked() const;

    WindowControl* control_ = nullptr;
    HWND subclassedWindow_ = nullptr;
    WNDPROC previous_ = nullptr;
    std::vector<TUiWindowHook*> clients_;
    bool destroying_ = false;
};

class THookList {
public:
    // Created on first use; freed at program end with every remaining record.
    static THookList& Instance();
    static bool Exists();

    TControlHook* Find(const WindowControl* control) const;
    TControlHook* FindOrCreate(WindowControl* control);
    bool Contains(const TControlHook* record) const;
    void Remove(TControlHook* record);

    void PostRehook(TControlHook* record);
    void PostRelease(TControlHook* record);

    ~THookList();

private:
    THookList();
    static LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<TControlHook*> records_;
    HWND utility_ = nullptr;
};

inline constexpr UINT kHookRehookMessage = 0xB052;
inline constexpr UINT kHookReleaseMessage = 0xB053;

}  // namespace lark::storage
