#pragma once
// Forms built in code for the window tests.
#include <gtest/gtest.h>

#include <string>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/register.h"

namespace lark::ui::testing {

// Adds a control named `name` to `form`, placed inside `parent`.
template <class C>
C* Add(Form& form, const std::string& name, Control* parent, int left, int top, int width, int height) {
    C* control = form.Create<C>();
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

// Every test sees the failures the application would show.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControls();
        Application::Instance().ShowError = [this](const std::string& text) { shown.push_back(text); };
    }
    void TearDown() override { Application::Instance().ShowError = nullptr; }
    std::vector<std::string> shown;
};

}  // namespace lark::ui::testing
