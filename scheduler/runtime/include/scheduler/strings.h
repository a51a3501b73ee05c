#pragma once
// Texts the scheduler's logic asks for by identifier, in the active language. The main window's
// translation component answers in the running program; the English table serves until it is
// there and in tests.
#include <string>
#include <string_view>
#include <vector>

namespace lark::scheduler {

class StringSource {
public:
    virtual ~StringSource() = default;
    // The text of an identifier; empty when it has none.
    virtual std::string Text(std::string_view id) const = 0;
};

// The English texts of the identifiers the runtime uses.
class EnglishStrings : public StringSource {
public:
    std::string Text(std::string_view id) const override;
    // Every identifier it has a text for (the main window's table holds each in every language).
    static std::vector<std::string_view> Identifiers();
};

}  // namespace lark::scheduler
