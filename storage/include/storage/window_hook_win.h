#pragma once
// Watching the messages of a window one does not own: any number of TUiWindowHook components
// on one control share one subclassing record (TControlHook), kept in a process-wide THookList.
// A window handle gets one chain, however many records hook it (several controls may stand for
// one window): the window procedure is replaced once, the records are listed by handle, and a
// message passes through them from the last attached to the first before it reaches the
// window's own procedure. Records join and leave a chain in any order.
#include <windows.h>

#include <cstddef>
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
struct WindowChain;

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
    struct ChainCall;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(const ChainCall& call, std::size_t below, WPARAM wParam, LPARAM lParam);
    void RunPhase(HookMessage& message, bool& handled, bool after);
    bool PhaseBlocked() const;

    WindowControl* control_ = nullptr;
    HWND subclassedWindow_ = nullptr;  // the window whose chain this record is in
    std::vector<TUiWindowHook*> clients_;
    bool destroying_ = false;
    int busy_ = 0;  // messages on their way through this record
    bool releasePending_ = false;
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
    // Frees an empty record now, or once no message is on its way through it.
    void Release(TControlHook* record);

    // The chain of a window: the record joins it (the first one replaces the window procedure)
    // or leaves it (the last one puts the procedure back, or, when someone subclassed the
    // window after us, leaves a pass-through in its place).
    void Join(TControlHook* record, HWND window);
    void Leave(TControlHook* record, HWND window);
    // The window is gone: every record of its chain lets go of it.
    void DropChain(HWND window);

    ~THookList();

private:
    THookList();
    static LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<TControlHook*> records_;
    std::vector<std::unique_ptr<WindowChain>> chains_;
    HWND utility_ = nullptr;
};

inline constexpr UINT kHookRehookMessage = 0xB052;
inline constexpr UINT kHookReleaseMessage = 0xB053;

}  // namespace lark::storage
