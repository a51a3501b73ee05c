// Building, showing (painted) and destroying a translated message box of four buttons in German,
// under Wine: the time between a question and its box. Figures are printed, not asserted.
#include "ui/win32.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "localization/message_dialog_win.h"
#include "ui/message_loop.h"
#include "ui/register.h"

namespace {

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

void Report(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values) sum += v;
    std::printf("%-28s median %9.0f us   mean %9.0f us   min %9.0f us   max %9.0f us\n", name, values[values.size() / 2],
                sum / static_cast<double>(values.size()), values.front(), values.back());
}

}  // namespace

int main() {
    using namespace lark::localization;
    lark::ui::RegisterControls();
    lark::ui::Form window;
    auto* lang = window.Create<TlcLang>();
    lang->SetLangNames({"English", "Deutsch", "Français"});
    lang->SetNeedAllDlgs(true);  // the scheduler's main window keeps all 82 lines
    lang->SetActiveLanguage(2);
    constexpr int kWarmUp = 5, kRuns = 100;
    std::vector<double> build, show, destroy, total;
    const auto buttons = ButtonSet(MsgDlgBtn::mbYes, MsgDlgBtn::mbNo, MsgDlgBtn::mbCancel, MsgDlgBtn::mbYesToAll);
    for (int i = 0; i < kWarmUp + kRuns; ++i) {
        LARGE_INTEGER t0, t1, t2, t3;
        QueryPerformanceCounter(&t0);
        auto box = BuildTranslatedMessageForm(lang, "Die Aufgabe „Nachtsicherung“ löschen?", MsgDlgType::mtConfirmation, buttons);
        QueryPerformanceCounter(&t1);
        box->Show();
        lark::ui::MessageLoop::ProcessPending();
        QueryPerformanceCounter(&t2);
        box.reset();
        lark::ui::MessageLoop::ProcessPending();
        QueryPerformanceCounter(&t3);
        if (i < kWarmUp) continue;
        build.push_back(Microseconds(t0, t1));
        show.push_back(Microseconds(t1, t2));
        destroy.push_back(Microseconds(t2, t3));
        total.push_back(Microseconds(t0, t3));
    }
    std::printf("translated message box, four buttons, %d runs\n", kRuns);
    Report("build (lookups, layout)", build);
    Report("show and paint", show);
    Report("destroy", destroy);
    Report("total", total);
    return 0;
}
