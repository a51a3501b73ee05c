#pragma once
// The message loop of the program and of every modal form. Per message: the shortcuts of the
// message's root form (TranslateAcceleratorW over its actions and menu items), then the dialog
// manager of that form (IsDialogMessageW: Tab, Shift+Tab, arrows in groups, mnemonics, Enter to
// the default button, Esc to IDCANCEL), then TranslateMessage / DispatchMessageW. When the queue
// runs empty: the idle work once (update handlers of the actions of the shown forms).
#include "ui/win32.h"

#include <functional>

namespace lark::ui {

class MessageLoop {
public:
    // Until done() holds or WM_QUIT arrives. A nested loop that saw WM_QUIT tells its caller
    // (QuitSeen) so that it is posted again for the outer loop.
    int Run(const std::function<bool()>& done = {});
    bool QuitSeen() const { return quit_; }
    int ExitCode() const { return exitCode_; }

    // Handles what is in the queue now, without waiting; false when WM_QUIT was among it (it is
    // posted again).
    static bool ProcessPending();
    // One message through shortcuts, the dialog manager and dispatch.
    static void Process(MSG& message);
    // For long work that must not be re-entered (a load whose result a command, a timer or a
    // call from another program would act on half done): answers what other threads and
    // programs send and repaints what needs it, and leaves input, timers and posted messages
    // queued for the loop that runs once the work is over.
    static void AnswerSentAndPaint();

private:
    bool quit_ = false;
    int exitCode_ = 0;
};

}  // namespace lark::ui
