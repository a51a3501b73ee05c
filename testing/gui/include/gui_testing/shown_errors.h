#pragma once
// A fixture for window tests: what the application would show as an error box is recorded
// instead, and a test that ends with anything recorded fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/application.h"

namespace lark::testing {

class NoErrorShownTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application::Instance().ShowError = [this](const std::string& text) { shownErrors.push_back(text); };
    }
    void TearDown() override {
        ui::Application::Instance().ShowError = nullptr;
        EXPECT_EQ(shownErrors, std::vector<std::string>{});
    }
    std::vector<std::string> shownErrors;
};

}  // namespace lark::testing
