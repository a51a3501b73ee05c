#include "core/property_path.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ascii.h"
#include "core/collection.h"
#include "core/compiler.h"
#include "core/component.h"
#include "core/integer_text.h"

namespace lark::core {

using detail::SameIdent;

namespace {

// One segment: a name with an optional "[index]".
bool SplitIndex(std::string_view seg, std::string_view& name, int& index) {
    index = -1;
    std::size_t open = seg.find('[');
    if (open == std::string_view::npos) {
        name = seg;
        return true;
    }
    std::size_t close = seg.find(']', open);
    if (close == std::string_view::npos || close != seg.size() - 1) return false;
    name = seg.substr(0, open);
    std::string_view digits = seg.substr(open + 1, close - open - 1);
    index = ParseDecimal32(digits).value_or(-1);
    return index >= 0;
}

Persistent* Step(Persistent* object, std::string_view seg) {
    std::string_view name;
    int index;
    if (!SplitIndex(seg, name, index)) return nullptr;
    Persistent* next = nullptr;
    if (auto* c = dynamic_cast<Component*>(object); c && index < 0) next = c->FindComponent(name);
    if (!next) {
        const PropInfo* p = object->Class().FindProp(name);
        if (!p || p->type->kind != TypeKind::Class) return nullptr;
        next = AsObject(p->get(*object));
    }
    if (next && index >= 0) {
        auto* col = dynamic_cast<Collection*>(next);
        if (!col || index >= col->Count()) return nullptr;
        next = col->Items(index);
    }
    return next;
}

std::string_view LeadingRootName(Persistent& start, std::string_view path) {
    if (auto* c = dynamic_cast<Component*>(&start)) {
        std::size_t dot = path.find('.');
        if (dot != std::string_view::npos) {
            std::string_view first = path.substr(0, dot);
            bool isOwnName = !c->Name().empty() && SameIdent(first, c->Name()) && !c->FindComponent(first);
            bool isClassName = SameIdent(first, c->Class().name);
            if (isOwnName || isClassName) return path.substr(dot + 1);
        }
    }
    return path;
}

}  // namespace

std::optional<PropertyRef> ResolvePropertyPath(Persistent& start, std::string_view path) {
    path = LeadingRootName(start, path);
    Persistent* object = &start;
    std::size_t dot;
    while ((dot = path.find('.')) != std::string_view::npos) {
        object = Step(object, path.substr(0, dot));
        if (!object) return std::nullopt;
        path.remove_prefix(dot + 1);
    }
    const PropInfo* prop = object->Class().FindProp(path);
    if (!prop) return std::nullopt;
    return PropertyRef{object, prop};
}

Persistent* ResolveObjectPath(Persistent& start, std::string_view path) {
    path = LeadingRootName(start, path);
    Persistent* object = &start;
    while (object && !path.empty()) {
        std::size_t dot = path.find('.');
        object = Step(object, path.substr(0, dot));
        if (dot == std::string_view::npos) break;
        path.remove_prefix(dot + 1);
    }
    return object;
}

std::string SetToText(const TypeInfo& setType, SetValue value) {
    std::string out = "[";
    bool first = true;
    for (int ord = 0; ord < 32; ++ord) {
        if (!value.Contains(ord)) continue;
        std::string name = setType.element ? setType.element->NameOf(ord) : std::string();
        if (name.empty()) continue;
        if (!first) out += ",";
        out += name;
        first = false;
    }
    return out + "]";
}

SetValue SetFromText(const TypeInfo& setType, std::string_view text) {
    SetValue result;
    std::size_t i = 0;
    auto isDelim = [](char c) { return c == ' ' || c == ',' || c == '[' || c == ']'; };
    while (i < text.size()) {
        while (i < text.size() && isDelim(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !isDelim(text[i])) ++i;
        if (i == start) break;
        std::string_view word = text.substr(start, i - start);
        if (setType.element)
            if (auto ord = setType.element->OrdinalOf(word); ord && *ord >= 0 && *ord < 32) result.bits |= 1u << *ord;
    }
    return result;
}

std::string PropertyToText(const Persistent& object, const PropInfo& prop) {
    Value v = prop.get(object);
    const TypeInfo& t = *prop.type;
    switch (t.kind) {
        case TypeKind::Integer:
        case TypeKind::Int64:
            return std::to_string(AsOrdinal(v));
        case TypeKind::Char:
            return std::string(1, static_cast<char>(AsOrdinal(v)));
        case TypeKind::Enumeration:
            return t.NameOf(AsOrdinal(v));
        case TypeKind::Float: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", AsFloat(v));
            return buf;
        }
        case TypeKind::String:
        case TypeKind::WideString:
            return AsText(v);
        case TypeKind::Set:
            return SetToText(t, AsSet(v));
        case TypeKind::Variant:
            if (auto* s = std::get_if<std::string>(&v)) return *s;
            if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
            if (auto* d = std::get_if<double>(&v)) {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.17g", *d);
                return buf;
            }
            return {};
        case TypeKind::Method:
        case TypeKind::Class:
            return {};
    }
    return {};
}

void PropertyFromText(Persistent& object, const PropInfo& prop, std::string_view text) {
    const TypeInfo& t = *prop.type;
    // GCC 12 reports an overlapping copy of 2^63 bytes in "literal" + std::string&& (GCC bug 105329).
    LARK_GCC_FALSE_POSITIVE("-Wrestrict")
    auto badValue = [&] { return Error("'" + std::string(text) + "' is not a valid value for " + prop.name); };
    LARK_GCC_FALSE_POSITIVE_END
    switch (t.kind) {
        case TypeKind::Integer:
        case TypeKind::Int64: {
            const auto v = ParseInteger(text, {.width = IntegerWidth::Bits64});
            if (!v) throw badValue();
            object.SetProp(prop, Value(*v));
            return;
        }
        case TypeKind::Char:
            if (text.empty()) throw badValue();
            object.SetProp(prop, Value(std::int64_t(static_cast<unsigned char>(text[0]))));
            return;
        case TypeKind::Enumeration: {
            auto ord = t.OrdinalOf(text);
            if (!ord) throw badValue();
            object.SetProp(prop, Value(*ord));
            return;
        }
        case TypeKind::Float: {
            std::string s(text);
            char* end = nullptr;
            double d = std::strtod(s.c_str(), &end);
            if (s.empty() || end != s.c_str() + s.size()) throw badValue();
            object.SetProp(prop, Value(d));
            return;
        }
        case TypeKind::String:
        case TypeKind::WideString:
        case TypeKind::Variant:
            object.SetProp(prop, Value(std::string(text)));
            return;
        case TypeKind::Set:
            object.SetProp(prop, Value(SetFromText(t, text)));
            return;
        case TypeKind::Method:
        case TypeKind::Class:
            throw badValue();
    }
}

}  // namespace lark::core
