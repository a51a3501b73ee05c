#pragma once
// Drives a modal form that the code under test creates and shows itself (a dialog inside an
// entry point, a sub-dialog behind a button): the script is armed before the call, and runs
// inside the first modal loop of a form made after arming, with a FormDriver on that form. A
// script that leaves the form open ends it with Abort. Scripts nest: a script may arm the next
// one and then click the button that opens it. Given a form, the script runs on that form the
// next time its modal loop waits (after a close it refused, say).
#include "ui/win32.h"

#include <exception>
#include <functional>
#include <vector>

#include "gui_testing/form_driver.h"

namespace lark::testing {

class ModalScript {
public:
    using Script = std::function<void(FormDriver& driver, ui::Form& form)>;
    // Arms the script (at most one is armed at a time).
    explicit ModalScript(Script script, ui::Form* form = nullptr);
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool Ran() const { return ran_; }
    // Raises the script's failure again, if it had one; fails when it never ran.
    void Check() const;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    Script script_;
    ui::Form* form_;
    std::vector<ui::Form*> before_;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
    std::exception_ptr failure_;
};

}  // namespace lark::testing
