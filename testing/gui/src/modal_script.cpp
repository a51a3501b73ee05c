#include "gui_testing/modal_script.h"

#include <algorithm>
#include <stdexcept>

namespace lark::testing {

namespace {
thread_local ModalScript* g_armed = nullptr;
}

ModalScript::ModalScript(Script script, ui::Form* form)
    : script_(std::move(script)), form_(form), before_(ui::Form::All()) {
    if (g_armed) throw std::runtime_error("a modal script is armed already");
    timer_ = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
    if (!timer_) throw std::runtime_error("cannot start the modal script's timer");
    g_armed = this;
}

ModalScript::~ModalScript() {
    if (g_armed == this) g_armed = nullptr;
    if (timer_) KillTimer(nullptr, timer_);
}

void ModalScript::Check() const {
    if (failure_) std::rethrow_exception(failure_);
    if (!ran_) throw std::runtime_error("no modal form was shown for the script");
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    ModalScript* self = g_armed;
    if (!self || self->timer_ != id) return;
    // The given form, else the newest form made after arming, once it waits in its modal loop.
    ui::Form* target = nullptr;
    for (ui::Form* form : ui::Form::All()) {
        const bool wanted = self->form_ ? form == self->form_
                                        : std::find(self->before_.begin(), self->before_.end(), form) == self->before_.end();
        if (wanted && form->Modal() && form->HandleAllocated() && IsWindowVisible(form->Handle()) &&
            form->GetModalResult() == ui::ModalResult::None)
            target = form;
    }
    if (!target) return;  // not yet: the next tick looks again
    KillTimer(nullptr, self->timer_);
    self->timer_ = 0;
    g_armed = nullptr;
    self->ran_ = true;
    FormDriver driver(*target);
    try {
        self->script_(driver, *target);
    } catch (...) {
        self->failure_ = std::current_exception();
    }
    // The form may be gone once the script closed it.
    const auto& all = ui::Form::All();
    if (std::find(all.begin(), all.end(), target) != all.end() && target->Modal() &&
        target->GetModalResult() == ui::ModalResult::None)
        target->SetModalResult(ui::ModalResult::Abort);
}

}  // namespace lark::testing
