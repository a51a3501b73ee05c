#include "storage/window_hook_win.h"

#include <algorithm>
#include <exception>
#include <string>

namespace lark::storage {
namespace {

// The chain hooked into a window, and the procedure to pass messages on to when our procedure
// could not be taken out of the window because someone subclassed it after us.
constexpr wchar_t kChainProp[] = L"LarkHookChain";
constexpr wchar_t kPassThroughProp[] = L"LarkHookChainNext";
constexpr wchar_t kUtilityClass[] = L"LarkHookUtility";

HookExceptionHandler& ExceptionHandler() {
    static HookExceptionHandler handler;
    return handler;
}

}  // namespace

void ReportWindowFailure(std::exception_ptr failure) noexcept {
    try {
        if (auto& handler = ExceptionHandler()) {
            handler(failure);
            return;
        }
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        OutputDebugStringA(("window hook: " + std::string(e.what()) + "\n").c_str());
    } catch (...) {
        OutputDebugStringA("window hook: unknown failure\n");
    }
}

namespace {

WNDPROC CurrentProc(HWND hwnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); }

THookList* g_list = nullptr;

}  // namespace

// The records that hook one window, in attachment order, and the procedure below them.
struct WindowChain {
    HWND window = nullptr;
    WNDPROC original = nullptr;
    std::vector<TControlHook*> records;
};

// One message on its way down a chain: the records as they were when it arrived.
struct TControlHook::ChainCall {
    HWND hwnd;
    UINT msg;
    WNDPROC original;
    std::vector<TControlHook*> records;

    // Passes the message to the records below index `below`, then to the window's procedure;
    // records that left the window meanwhile are skipped.
    LRESULT Next(std::size_t below, WPARAM wParam, LPARAM lParam) const {
        while (below > 0 && records[below - 1]->subclassedWindow_ != hwnd) --below;
        if (below == 0) return CallWindowProcW(original ? original : DefWindowProcW, hwnd, msg, wParam, lParam);
        return records[below - 1]->Dispatch(*this, below - 1, wParam, lParam);
    }
};

void SetHookExceptionHandler(HookExceptionHandler handler) { ExceptionHandler() = std::move(handler); }

// --- WindowControl

LARK_DEFINE_CLASS(WindowControl) {
    return core::ClassBuilder<WindowControl>("WindowControl", &core::Component::StaticClass()).Build();
}

WindowControl::WindowControl(core::Component* owner, HWND handle) : core::Component(owner), handle_(handle) {}

WindowControl::~WindowControl() { BeginDestroy(); }

void WindowControl::DoShow() {
    if (OnShow) OnShow(*this);
}

bool WindowControl::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(*this, canClose);
    return canClose;
}

void WindowControl::DoDestroy() {
    if (OnDestroy) OnDestroy(*this);
}

void WindowControl::SetHandle(HWND handle) {
    if (handle == handle_) return;
    handle_ = handle;
    if (!THookList::Exists()) return;
    if (TControlHook* record = THookList::Instance().Find(this)) {
        record->Unsubclass();
        if (record->ClientCount() > 0) record->Subclass();
    }
}

// --- TUiWindowHook

LARK_DEFINE_CLASS(TUiWindowHook) {
    return core::ClassBuilder<TUiWindowHook>("TUiWindowHook", &core::Component::StaticClass())
        .Prop("Active", core::BooleanType(), &TUiWindowHook::Active, &TUiWindowHook::SetActive, core::Value(int64_t(1)))
        .Build();
}

TUiWindowHook::TUiWindowHook(core::Component* owner) : core::Component(owner) {}

TUiWindowHook::~TUiWindowHook() {
    BeginDestroy();
    SetActive(false);
    SetWinControl(nullptr);
}

WindowControl* TUiWindowHook::WinControl() const { return hook_ ? hook_->Control() : control_; }

void TUiWindowHook::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active)
        Attach();
    else
        Detach();
}

void TUiWindowHook::SetWinControl(WindowControl* control) {
    if (control == control_ && control == WinControl()) return;
    const bool wasActive = active_;
    Detach();
    if (control_ && control_ != Owner()) control_->RemoveFreeNotification(this);
    control_ = control;
    if (control_) control_->FreeNotification(this);
    if (wasActive) Attach();
}

void TUiWindowHook::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation != core::Operation::Remove || !component || component != control_) return;
    // The record must not keep a freed control: every other client of it gets this notice too.
    if (hook_ && hook_->Control() == component) hook_->SetControl(nullptr);
    SetWinControl(nullptr);
}

void TUiWindowHook::Attach() {
    if (!control_ || IsDestroying() || hook_) return;
    THookList::Instance().FindOrCreate(control_)->AddClient(this);
}

// Any detach that empties a record releases it, deactivation and destruction included: a record
// is freed only once the current message is done, since one may be on the stack.
void TUiWindowHook::Detach() {
    TControlHook* left = hook_;
    if (!left) return;
    left->RemoveClient(this);
    if (left->ClientCount() == 0 && THookList::Exists()) THookList::Instance().PostRelease(left);
}

// --- TControlHook

TControlHook::TControlHook() = default;

TControlHook::~TControlHook() {
    destroying_ = true;
    if (g_list) g_list->Remove(this);
    while (!clients_.empty()) RemoveClient(clients_.back());
    Unsubclass();
}

void TControlHook::SetControl(WindowControl* control) {
    if (control == control_) return;
    Unsubclass();
    control_ = control;
    if (!clients_.empty()) Subclass();
}

void TControlHook::AddClient(TUiWindowHook* client) {
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) {
        clients_.push_back(client);
        client->hook_ = this;
        SetControl(client->control_);
    }
    Subclass();
}

void TControlHook::RemoveClient(TUiWindowHook* client) {
    auto it = std::find(clients_.begin(), clients_.end(), client);
    if (it == clients_.end()) return;
    client->hook_ = nullptr;
    clients_.erase(it);
    if (clients_.empty()) Unsubclass();
}

void TControlHook::Subclass() {
    if (!control_ || control_->IsDesigning() || control_->IsDestroying() || destroying_) return;
    if (!control_->HandleAllocated() || !g_list) return;
    HWND hwnd = control_->Handle();
    if (subclassedWindow_ == hwnd) return;
    if (subclassedWindow_) Unsubclass();
    g_list->Join(this, hwnd);
    subclassedWindow_ = hwnd;
}

void TControlHook::Unsubclass() {
    HWND hwnd = subclassedWindow_;
    subclassedWindow_ = nullptr;
    if (hwnd && g_list) g_list->Leave(this, hwnd);
}

bool TControlHook::PhaseBlocked() const {
    return clients_.empty() || !control_ || destroying_ || control_->IsDestroying();
}

void TControlHook::RunPhase(HookMessage& message, bool& handled, bool after) {
    if (PhaseBlocked()) return;
    // A client may detach itself from its event: walk a copy and skip the ones that left.
    const std::vector<TUiWindowHook*> clients = clients_;
    for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
        if (PhaseBlocked()) return;
        TUiWindowHook* client = *it;
        if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) continue;
        const THookMessageEvent& event = after ? client->AfterMessage : client->BeforeMessage;
        if (!event) continue;
        try {
            event(*client, message, handled);
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
        if (handled) return;
    }
}

LRESULT CALLBACK TControlHook::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* chain = static_cast<WindowChain*>(GetPropW(hwnd, kChainProp));
    if (!chain) {
        auto next = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kPassThroughProp));
        if (msg == WM_NCDESTROY) RemovePropW(hwnd, kPassThroughProp);
        return next ? CallWindowProcW(next, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    // Records may leave, and the chain may go, while the message is on its way: it travels
    // over a copy, and no record it passes is freed before it is done.
    const ChainCall call{hwnd, msg, chain->original, chain->records};
    for (TControlHook* record : call.records) ++record->busy_;
    struct Done {
        const ChainCall& call;
        ~Done() {
            for (TControlHook* record : call.records)
                if (--record->busy_ == 0 && record->releasePending_ && g_list) g_list->Release(record);
        }
    } done{call};
    const LRESULT result = call.Next(call.records.size(), wParam, lParam);
    if (msg == WM_NCDESTROY && g_list) g_list->DropChain(hwnd);
    return result;
}

LRESULT TControlHook::Dispatch(const ChainCall& call, std::size_t below, WPARAM wParam, LPARAM lParam) {
    const UINT msg = call.msg;
    if (!control_) return call.Next(below, wParam, lParam);
    HookMessage message{msg, wParam, lParam, 0};
    bool handled = false;
    if (msg != WM_QUIT) RunPhase(message, handled, false);
    if (!handled || msg == WM_DESTROY) {
        try {
            message.result = call.Next(below, message.wParam, message.lParam);
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
        handled = false;
        RunPhase(message, handled, true);
    }
    if (msg == WM_DESTROY) {
        Unsubclass();
        // A control that re-creates its window gets the new one hooked once this message is done.
        if (THookList::Exists() && !destroying_ && control_ && !control_->IsDestroying()) THookList::Instance().PostRehook(this);
    }
    return message.result;
}

// --- THookList

THookList& THookList::Instance() {
    static THookList* created = [] {
        static std::unique_ptr<THookList> owner(new THookList());
        return owner.get();
    }();
    return *created;
}

bool THookList::Exists() { return g_list != nullptr; }

THookList::THookList() {
    g_list = this;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &THookList::UtilityProc;
    wc.hInstance = instance;
    wc.lpszClassName = kUtilityClass;
    RegisterClassW(&wc);
    utility_ = CreateWindowExW(0, kUtilityClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

THookList::~THookList() {
    while (!records_.empty()) delete records_.back();  // each record leaves the list itself
    if (utility_ && IsWindow(utility_)) DestroyWindow(utility_);
    g_list = nullptr;
}

TControlHook* THookList::Find(const WindowControl* control) const {
    for (TControlHook* record : records_)
        if (record->Control() == control) return record;
    return nullptr;
}

TControlHook* THookList::FindOrCreate(WindowControl* control) {
    if (TControlHook* found = Find(control)) return found;
    auto* record = new TControlHook();
    records_.push_back(record);
    try {
        record->SetControl(control);
    } catch (...) {
        delete record;
        throw;
    }
    return record;
}

bool THookList::Contains(const TControlHook* record) const {
    return std::find(records_.begin(), records_.end(), record) != records_.end();
}

void THookList::Remove(TControlHook* record) { std::erase(records_, record); }

void THookList::PostRehook(TControlHook* record) {
    if (utility_) PostMessageW(utility_, kHookRehookMessage, 0, reinterpret_cast<LPARAM>(record));
}

void THookList::PostRelease(TControlHook* record) {
    if (utility_) PostMessageW(utility_, kHookReleaseMessage, 0, reinterpret_cast<LPARAM>(record));
}

void THookList::Release(TControlHook* record) {
    record->releasePending_ = false;
    if (!Contains(record) || record->ClientCount() > 0) return;
    if (record->busy_ > 0) {
        record->releasePending_ = true;
        return;
    }
    delete record;
}

void THookList::Join(TControlHook* record, HWND window) {
    auto it = std::find_if(chains_.begin(), chains_.end(), [window](const auto& c) { return c->window == window; });
    WindowChain* chain = it == chains_.end() ? nullptr : it->get();
    if (!chain) {
        auto fresh = std::make_unique<WindowChain>();
        fresh->window = window;
        if (auto next = reinterpret_cast<WNDPROC>(GetPropW(window, kPassThroughProp))) {
            // Our procedure is still in the window's chain below someone else's: take that
            // place again rather than entering it twice.
            RemovePropW(window, kPassThroughProp);
            fresh->original = next;
        } else if (CurrentProc(window) != &TControlHook::WindowProc) {
            fresh->original = CurrentProc(window);
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TControlHook::WindowProc));
        }
        SetPropW(window, kChainProp, fresh.get());
        chain = fresh.get();
        chains_.push_back(std::move(fresh));
    }
    if (std::find(chain->records.begin(), chain->records.end(), record) == chain->records.end())
        chain->records.push_back(record);
}

void THookList::Leave(TControlHook* record, HWND window) {
    auto it = std::find_if(chains_.begin(), chains_.end(), [window](const auto& c) { return c->window == window; });
    if (it == chains_.end()) return;
    WindowChain& chain = **it;
    std::erase(chain.records, record);
    if (!chain.records.empty()) return;
    if (IsWindow(window)) {
        if (CurrentProc(window) == &TControlHook::WindowProc)
            SetWindowLongPtrW(window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(chain.original ? chain.original : DefWindowProcW));
        else if (chain.original)
            SetPropW(window, kPassThroughProp, reinterpret_cast<HANDLE>(chain.original));
        RemovePropW(window, kChainProp);
    }
    chains_.erase(it);
}

void THookList::DropChain(HWND window) {
    auto it = std::find_if(chains_.begin(), chains_.end(), [window](const auto& c) { return c->window == window; });
    if (it == chains_.end()) return;
    for (TControlHook* record : (*it)->records)
        if (record->subclassedWindow_ == window) record->subclassedWindow_ = nullptr;
    RemovePropW(window, kChainProp);
    chains_.erase(it);
}

LRESULT CALLBACK THookList::UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kHookRehookMessage && msg != kHookReleaseMessage) return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        auto* record = reinterpret_cast<TControlHook*>(lParam);
        if (g_list && g_list->Contains(record)) {
            if (msg == kHookRehookMessage)
                record->Subclass();
            else
                g_list->Release(record);
        }
    } catch (...) {
        ReportWindowFailure(std::current_exception());
    }
    return 0;
}

}  // namespace lark::storage
