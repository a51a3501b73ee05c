#pragma once
// A string list as a published sub-object ("TStringList"): the form in which list-valued
// properties (a combo box's items, a translation component's language names) appear to
// reflection and to the component stream, where its lines travel as the defined property
// "Strings" (a list of texts).
#include <string>
#include <string_view>
#include <vector>

#include "core/published.h"
#include "core/string_list.h"

namespace lark::core {

class StringsObject : public Persistent {
    LARK_PERSISTENT_CLASS(StringsObject)
public:
    StringsObject() = default;
    StringsObject(std::initializer_list<std::string_view> lines) : list_(lines) {}

    StringList& List() { return list_; }
    const StringList& List() const { return list_; }

    int Count() const { return list_.Count(); }
    bool Empty() const { return list_.Empty(); }
    const std::string& Strings(int index) const { return list_.Strings(index); }
    int IndexOf(std::string_view value) const { return list_.IndexOf(value); }
    void Delete(int index) { list_.Delete(index); }
    std::vector<std::string> Lines() const;
    // Replaces every line (a sorted list sorts them).
    void SetLines(const std::vector<std::string>& lines);
    std::string CommaText() const { return list_.CommaText(); }
    void SetCommaText(std::string_view text) { list_.SetCommaText(text); }
    std::string Text() const { return list_.Text(); }
    void SetText(std::string_view text) { list_.SetText(text); }

    void DefineProperties(Filer& filer) override;

private:
    StringList list_;
};

}  // namespace lark::core
