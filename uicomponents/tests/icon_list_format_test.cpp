#include "uicomponents/icon_list_format.h"

#include <gtest/gtest.h>

namespace lark::ui {
namespace {

TEST(IconListFormat, WritesCountThenSizedEntriesWithEmptyOnesAsZero) {
    const std::vector<std::uint8_t> bytes = WriteIconList({{}, {0xAA, 0xBB, 0xCC}});
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(ReadIconList(bytes), (std::vector<IconFileBytes>{{}, {0xAA, 0xBB, 0xCC}}));
}

TEST(IconListFormat, ANegativeSizeIsAnEmptyEntry) {
    const std::vector<std::uint8_t> bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ReadIconList(bytes), std::vector<IconFileBytes>{{}});
}

TEST(IconListFormat, RefusesDataThatRunsOut) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    for (const Case& c : {Case{{1, 0}, "Icons: the entry count runs past the data"},
                          Case{{0xFF, 0xFF, 0xFF, 0xFF}, "Icons: negative entry count -1"},
                          Case{{2, 0, 0, 0, 0, 0, 0, 0}, "Icons: entry 1 runs past the data"},
                          Case{{1, 0, 0, 0, 5, 0, 0, 0, 1, 2}, "Icons: entry 0 runs past the data"},
                          Case{{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}, "Icons: entry 0 runs past the data"}}) {
        try {
            ReadIconList(c.bytes);
            ADD_FAILURE() << c.message << ": accepted";
        } catch (const core::Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

}  // namespace
}  // namespace lark::ui
