#include "uicomponents/version_key.h"

#include <gtest/gtest.h>

namespace lark::ui {
namespace {

TEST(VersionKey, IsAlwaysEightLowercaseHexDigits) {
    EXPECT_EQ(VersionTranslationKey(0x0409, 0x04E4), "040904e4");
    EXPECT_EQ(VersionTranslationKey(0x0407, 1200), "040704b0");
    EXPECT_EQ(VersionTranslationKey(0, 0), "00000000");
    EXPECT_EQ(VersionTranslationKey(0xFFFF, 0xFFFF), "ffffffff");
}

}  // namespace
}  // namespace lark::ui
