#pragma once
// Forms built in code for the window tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

// A 24-bit bitmap file of width x height pixels, all of one colour.
inline std::vector<std::uint8_t> BmpFile(int width, int height, std::uint32_t rgb) {
    const int row = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(14 + 40 + static_cast<std::size_t>(row * height));
    auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 0x4D42, 2);
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put(54 + static_cast<std::size_t>(y * row + x * 3), rgb, 3);
    return bytes;
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
