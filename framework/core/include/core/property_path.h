#pragma once
// Property paths ("Form.Button1.Caption", "lvTasks.Columns[2].Caption"): resolving them to an
// object and a property, and the canonical text form of a property value.
#include <optional>
#include <string>
#include <string_view>

#include "core/persistent.h"

namespace lark::core {

struct PropertyRef {
    Persistent* object = nullptr;
    const PropInfo* prop = nullptr;
};

// From a start object: each segment names an owned component (when the object is a component
// that owns one of that name) or an object property; "[i]" picks item i of a collection. The
// last segment is the property. The start component's own name may lead the path. Null when
// anything is missing.
std::optional<PropertyRef> ResolvePropertyPath(Persistent& start, std::string_view path);

// The object a path names (no property at its end), or null.
Persistent* ResolveObjectPath(Persistent& start, std::string_view path);

// Canonical texts: integers in decimal, enumerations by name, sets "[a,b]", floats with up to
// 17 significant digits and ".", strings as they are; objects and methods give "".
std::string PropertyToText(const Persistent& object, const PropInfo& prop);
// The reverse; raises Error when the text does not convert.
void PropertyFromText(Persistent& object, const PropInfo& prop, std::string_view text);

std::string SetToText(const TypeInfo& setType, SetValue value);
// Words separated by blanks, commas and brackets; unknown words are skipped.
SetValue SetFromText(const TypeInfo& setType, std::string_view text);

}  // namespace lark::core
