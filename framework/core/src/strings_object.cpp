#include "core/strings_object.h"

#include "core/component_stream.h"

namespace lark::core {

LARK_DEFINE_CLASS(StringsObject) {
    return ClassBuilder<StringsObject>("TStringList", nullptr).Build();
}

std::vector<std::string> StringsObject::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list_.Count()));
    for (int i = 0; i < list_.Count(); ++i) lines.push_back(list_.Strings(i));
    return lines;
}

void StringsObject::SetLines(const std::vector<std::string>& lines) {
    list_.BeginUpdate();
    try {
        list_.Clear();
        for (const std::string& l : lines) list_.Add(l);
    } catch (...) {
        list_.EndUpdate();
        throw;
    }
    list_.EndUpdate();
}

void StringsObject::DefineProperties(Filer& filer) {
    filer.DefineProperty(
        "Strings",
        [this](Reader& r) {
            std::vector<std::string> lines;
            r.ReadListBegin();
            while (!r.EndOfList()) lines.push_back(r.ReadText());
            r.ReadListEnd();
            SetLines(lines);
        },
        [this](Writer& w) {
            w.WriteListBegin();
            for (int i = 0; i < list_.Count(); ++i) w.WriteText(list_.Strings(i));
            w.WriteListEnd();
        },
        !list_.Empty());
}

}  // namespace lark::core
