#pragma once
// Published-property reflection: type descriptions, property descriptors, class descriptors and
// the class registry. Every persistent object (components, collection items, sub-objects such
// as string lists) describes its published properties through a ClassInfo, and everything that
// stores objects (the component stream, the stored-property layout, translation) walks them.
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/errors.h"

namespace lark::core {

class Persistent;
class Component;
class Filer;

enum class TypeKind { Integer, Int64, Char, Enumeration, Float, String, WideString, Set, Variant, Method, Class };
enum class OrdinalType { S8, U8, S16, U16, S32, U32 };
enum class FloatType { Single, Double, Extended, Comp, Currency };

// Set values: bit n is the element of ordinal n (ordinals 0..31).
struct SetValue {
    std::uint32_t bits = 0;
    bool operator==(const SetValue&) const = default;
    bool Contains(int ordinal) const { return ordinal >= 0 && ordinal < 32 && (bits >> ordinal & 1u); }
};

// A property value as reflection sees it: ordinals (integers, characters, enumerations and
// Booleans) as int64, floats as double, texts as UTF-8 (method values hold the handler's name),
// sets as bits, objects as a pointer to the object.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, SetValue, Persistent*>;

struct ClassInfo;

struct TypeInfo {
    TypeKind kind = TypeKind::Integer;
    std::string name;
    OrdinalType ordinal = OrdinalType::S32;
    FloatType floatType = FloatType::Double;
    // Enumerations: value names from ordinal minValue on. Integer subranges used as set
    // elements carry their decimal names too ("1".."7").
    std::vector<std::string> names;
    int minValue = 0;
    const TypeInfo* element = nullptr;  // sets: the element type
    const ClassInfo* classInfo = nullptr;  // objects: the declared class

    // Name of an enumeration or set element by ordinal; empty when out of range.
    std::string NameOf(std::int64_t ordinal) const;
    // Ordinal of a name (case-insensitive); nullopt when none.
    std::optional<std::int64_t> OrdinalOf(std::string_view name) const;
    std::int64_t MaxValue() const { return minValue + static_cast<std::int64_t>(names.size()) - 1; }
};

// Built-in types.
const TypeInfo& IntegerType();   // signed 32-bit
const TypeInfo& CardinalType();  // unsigned 32-bit
const TypeInfo& SmallIntType();  // signed 16-bit
const TypeInfo& ByteType();      // unsigned 8-bit
const TypeInfo& Int64Type();
const TypeInfo& CharType();
const TypeInfo& BooleanType();
const TypeInfo& DoubleType();
const TypeInfo& ExtendedType();
const TypeInfo& DateTimeType();  // a double stored as extended, named TDateTime
const TypeInfo& StringType();    // 8-bit text in files
const TypeInfo& WideStringType();
const TypeInfo& VariantType();
const TypeInfo& MethodType();    // an event of the TNotifyEvent signature: the value is the handler's name

// Describes an enumeration, an integer subrange used as a set element, a set, or an object.
std::unique_ptr<TypeInfo> MakeEnumType(std::string name, std::vector<std::string> names);
std::unique_ptr<TypeInfo> MakeSubrangeType(std::string name, int minValue, int maxValue);
std::unique_ptr<TypeInfo> MakeSetType(std::string name, const TypeInfo& element);
std::unique_ptr<TypeInfo> MakeClassType(const ClassInfo& cls);
// A method type (event signature); see core/event.h.
std::unique_ptr<TypeInfo> MakeMethodType(std::string name);

struct PropInfo {
    std::string name;
    const TypeInfo* type = nullptr;
    std::function<Value(const Persistent&)> get;
    std::function<void(Persistent&, const Value&)> set;  // empty: read-only (objects are edited in place)
    std::optional<Value> defaultValue;                    // the storing default, when there is one
    std::function<bool(const Persistent&)> stored;        // empty: stored
    // Events (ClassBuilder::Event): binds the call a HandlerInfo made for a root object.
    std::function<void(Persistent&, const std::any& call)> bind;

    bool IsReadOnly() const { return !set; }
};

// A published method of a root class: the handler an event of one of its components names.
struct HandlerInfo {
    std::string name;
    const TypeInfo* type = nullptr;  // the event signature it serves
    // The call on a given root object: a std::function of the signature, in a std::any.
    std::function<std::any(Persistent& root)> make;
};

// A bound component field of a root class: a non-owning pointer the reader assigns by name.
struct BoundFieldInfo {
    std::string name;
    const ClassInfo* cls = nullptr;  // the field's declared class
    // False (and nothing assigned) when the component is not of the field's type.
    std::function<bool(Persistent& root, Component& component)> assign;
};

// A class: its name, base class, own published properties in declaration order, and how to
// make an instance (for the class registry and collections).
struct ClassInfo {
    std::string name;
    const ClassInfo* parent = nullptr;
    std::vector<PropInfo> props;
    std::function<std::unique_ptr<Persistent>()> create;
    std::vector<HandlerInfo> handlers;       // own published methods
    std::vector<BoundFieldInfo> boundFields; // own bound component fields

    bool InheritsFrom(const ClassInfo& other) const;
    // Every published property, base classes first, in declaration order.
    std::vector<const PropInfo*> AllProps() const;
    // Case-insensitive lookup, nearest class first.
    const PropInfo* FindProp(std::string_view propName) const;
    // Case-insensitive, nearest class first; null when none.
    const HandlerInfo* FindHandler(std::string_view handlerName) const;
    // Every bound field, base classes first.
    std::vector<const BoundFieldInfo*> AllBoundFields() const;
};

// Creates classes by name (reader of the component stream, window definitions).
class ClassRegistry {
public:
    static void Register(const ClassInfo& cls);
    static const ClassInfo* Find(std::string_view name);  // case-insensitive
};

class Persistent {
public:
    virtual ~Persistent() = default;
    virtual const ClassInfo& Class() const = 0;
    // Unpublished data that streams as properties of its own ("UserPassword", binary data).
    virtual void DefineProperties(Filer& filer) {}
    // The name used in messages and by the designer.
    virtual std::string NamePath() const { return Class().name; }

    bool InheritsFrom(const ClassInfo& cls) const { return Class().InheritsFrom(cls); }
    Value GetProp(const PropInfo& prop) const { return prop.get(*this); }
    void SetProp(const PropInfo& prop, const Value& value);
    // By name, case-insensitive; unknown names raise Error.
    Value GetProp(std::string_view name) const;
    void SetProp(std::string_view name, const Value& value);
};

// Value helpers.
std::int64_t AsOrdinal(const Value& v);        // raises Error for a non-ordinal
double AsFloat(const Value& v);                // ordinals convert
const std::string& AsText(const Value& v);
SetValue AsSet(const Value& v);
Persistent* AsObject(const Value& v);
// Whether a value equals the property's storing default (decides whether it is written).
bool IsDefaultValue(const PropInfo& prop, const Value& v);

// Copies every published writable property of `from` to `to`, in declaration order, through
// the properties' own setters; `to` must be of `from`'s class or derived from it (raises
// Error otherwise). Owned sub-objects (read-only object properties) and unpublished state are
// the caller's to copy.
void AssignPublished(const Persistent& from, Persistent& to);

// Whether the ordinal fits the property's type (range of the integer width, or the names).
bool OrdinalFits(const TypeInfo& type, std::int64_t v);

}  // namespace lark::core
