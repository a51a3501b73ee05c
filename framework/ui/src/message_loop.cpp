#include "ui/message_loop.h"

#include <windowsx.h>

#include "ui/application.h"
#include "ui/form.h"

namespace lark::ui {

void MessageLoop::Process(MSG& message) {
    if (message.message == WM_MOUSEMOVE)
        Application::Instance().HintAt(message.hwnd, POINT{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)});
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (auto* form = dynamic_cast<Form*>(Control::FromHandle(root))) {
        if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
            if (HACCEL table = form->Accelerators(); table && TranslateAcceleratorW(root, table, &message)) return;
        }
        if (IsDialogMessageW(root, &message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int MessageLoop::Run(const std::function<bool()>& done) {
    MSG message;
    bool busy = true;
    for (;;) {
        if (done && done()) return 0;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (busy) {
                busy = false;
                Application::Instance().Idle();
                continue;
            }
            WaitMessage();
            continue;
        }
        busy = true;
        if (message.message == WM_QUIT) {
            quit_ = true;
            exitCode_ = static_cast<int>(message.wParam);
            return exitCode_;
        }
        Process(message);
    }
}

void MessageLoop::AnswerSentAndPaint() {
    MSG message;
    // Sent messages are delivered inside PeekMessageW whatever its filter; of the rest only
    // paint messages are taken. Bounded: a window that never validates cannot hold the work.
    for (int n = 0; n < 256 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++n) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchMessageW(&message);
    }
}

bool MessageLoop::ProcessPending() {
    MSG message;
    bool any = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        any = true;
        Process(message);
    }
    if (any) Application::Instance().Idle();
    return true;
}

}  // namespace lark::ui
