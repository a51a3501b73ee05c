// Creating, showing and destroying a form of fifty controls from its compiled definition, under
// Wine: the time a user waits for a dialog. Figures are printed, not asserted.
#include "ui/win32.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "ui/form.h"
#include "ui/message_loop.h"
#include "ui/register.h"

namespace {

class FiftyControls : public lark::ui::Form {
    LARK_PERSISTENT_CLASS(FiftyControls)
public:
    explicit FiftyControls(lark::core::Component* owner = nullptr) : Form(owner) {}
};

}  // namespace

LARK_DEFINE_CLASS(FiftyControls) {
    return lark::core::ClassBuilder<FiftyControls>("TFiftyControls", &lark::ui::Form::StaticClass()).Build();
}

namespace {

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    std::vector<double> read, handles, show, destroy, total;
};

void Report(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values) sum += v;
    std::printf("%-28s median %9.0f us   mean %9.0f us   min %9.0f us   max %9.0f us\n", name, values[values.size() / 2],
                sum / static_cast<double>(values.size()), values.front(), values.back());
}

}  // namespace

int main() {
    lark::ui::RegisterControls();
    constexpr int kWarmUp = 5, kRuns = 100;
    Figures figures;
    for (int i = 0; i < kWarmUp + kRuns; ++i) {
        LARGE_INTEGER t0, t1, handles, t2, t3;
        QueryPerformanceCounter(&t0);
        auto form = lark::ui::Form::Make<FiftyControls>(nullptr);
        QueryPerformanceCounter(&t1);
        form->Handle();
        QueryPerformanceCounter(&handles);
        form->Show();
        lark::ui::MessageLoop::ProcessPending();  // painted, as a user sees it
        QueryPerformanceCounter(&t2);
        form.reset();
        lark::ui::MessageLoop::ProcessPending();
        QueryPerformanceCounter(&t3);
        if (i < kWarmUp) continue;
        figures.read.push_back(Microseconds(t0, t1));
        figures.handles.push_back(Microseconds(t1, handles));
        figures.show.push_back(Microseconds(t1, t2));
        figures.destroy.push_back(Microseconds(t2, t3));
        figures.total.push_back(Microseconds(t0, t3));
    }
    std::printf("form of 50 controls from its definition, %d runs\n", kRuns);
    Report("read the definition", figures.read);
    Report("create the windows", figures.handles);
    Report("create, show and paint", figures.show);
    Report("destroy", figures.destroy);
    Report("total", figures.total);
    return 0;
}
