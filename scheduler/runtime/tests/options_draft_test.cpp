#include "scheduler/options_draft.h"

#include <gtest/gtest.h>

using namespace lark::scheduler;

namespace {

TEST(OptionsDraft, TheDefaultsShowAsTheDialogShowsThem) {
    const SchedulerSettings s = DefaultSettings("C:\\P\\");
    const OptionsDraft d = DraftOf(s);
    EXPECT_EQ(d.maxLogSizeKb, "63");
    EXPECT_EQ(d.autoSaveMinutes, 15);
    SchedulerSettings applied = s;
    ApplyDraft(d, applied);
    EXPECT_EQ(applied.maxLogSize, 64512u);
    EXPECT_EQ(applied.autoSaveInterval, 900000);
}

TEST(OptionsDraft, TheSizeFieldIsCheckedBeforeAnythingIsApplied) {
    struct Case {
        const char* text;
        std::optional<OptionsProblem> problem;
        std::uint32_t bytes;
    } cases[] = {
        {"", std::nullopt, 65535},  // empty keeps the previous size
        {"4194303", std::nullopt, 4194303u * 1024u},
        {"4194304", OptionsProblem::LogSizeTooLarge, 0},
        {"99999999999999999999", OptionsProblem::LogSizeTooLarge, 0},
        {"12a", OptionsProblem::LogSizeNotANumber, 0},
        {"0", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SchedulerSettings s = DefaultSettings("C:\\P\\");
        OptionsDraft d = DraftOf(s);
        d.maxLogSizeKb = c.text;
        EXPECT_EQ(CheckDraft(d), c.problem) << c.text;
        if (!c.problem) {
            ApplyDraft(d, s);
            EXPECT_EQ(s.maxLogSize, c.bytes) << c.text;
        }
    }
}

TEST(OptionsDraft, ADefaultPasswordTheFilesCannotStoreIsRefused) {
    for (const auto& [password, storable] : {std::pair{"s\xC3\xA9" "cr\xE2\x82\xAC", true}, {"", true},
                                             {"\xE5\xAF\x86\xE7\xA0\x81", false}}) {
        OptionsDraft d = DraftOf(DefaultSettings("C:\\P\\"));
        d.defaultPassword = password;
        EXPECT_EQ(CheckDraft(d), storable ? std::nullopt : std::optional(OptionsProblem::PasswordNotStorable)) << password;
    }
}

TEST(OptionsDraft, AnEmptyTaskFileKeepsTheName) {
    SchedulerSettings s = DefaultSettings("C:\\P\\");
    OptionsDraft d = DraftOf(s);
    d.taskFile.clear();
    d.languageIndex = 2;
    ApplyDraft(d, s);
    EXPECT_EQ(s.taskFile, "C:\\P\\TaskList.ltl");
    EXPECT_EQ(s.defaultLanguage, 3);
}

TEST(OptionsDraft, RecentNames) {
    std::vector<std::string> list{"a.ltl", "", "b.ltl", "c.ltl", "d.ltl", "e.ltl", "f.ltl", "g.ltl"};
    AddRecentName(list, "B.LTL");
    EXPECT_EQ(list, (std::vector<std::string>{"a.ltl", "b.ltl", "c.ltl", "d.ltl", "e.ltl", "f.ltl", "g.ltl"}));
    AddRecentName(list, "");
    EXPECT_EQ(list.size(), 7u);
    AddRecentName(list, "new.ltl");
    EXPECT_EQ(list.front(), "new.ltl");
    EXPECT_EQ(list.size(), 7u);
    EXPECT_EQ(list.back(), "f.ltl");
}

// A list read back from the settings file, which a user may have edited.
TEST(OptionsDraft, StoredRecentNamesSkipEmptyAndRepeatedNames) {
    EXPECT_EQ(RecentNames({"", "a.ltl", "A.LTL", "b.ltl", "", "c", "d", "e", "f", "g", "h"}),
              (std::vector<std::string>{"a.ltl", "b.ltl", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(RecentNames({}), std::vector<std::string>{});
}

}  // namespace
