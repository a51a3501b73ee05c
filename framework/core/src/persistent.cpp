#include "core/persistent.h"

#include <cmath>
#include <limits>
#include <map>
#include <mutex>

#include "ascii.h"

namespace lark::core {

using detail::SameIdent;

std::string TypeInfo::NameOf(std::int64_t ordinal) const {
    std::int64_t i = ordinal - minValue;
    if (i < 0 || i >= static_cast<std::int64_t>(names.size())) return {};
    return names[static_cast<std::size_t>(i)];
}

std::optional<std::int64_t> TypeInfo::OrdinalOf(std::string_view name) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameIdent(names[i], name)) return minValue + static_cast<std::int64_t>(i);
    return std::nullopt;
}

namespace {
TypeInfo MakeOrdinal(std::string name, OrdinalType ord) {
    TypeInfo t;
    t.kind = TypeKind::Integer;
    t.name = std::move(name);
    t.ordinal = ord;
    return t;
}
TypeInfo MakeSimple(TypeKind kind, std::string name) {
    TypeInfo t;
    t.kind = kind;
    t.name = std::move(name);
    return t;
}
TypeInfo MakeFloat(std::string name, FloatType ft) {
    TypeInfo t = MakeSimple(TypeKind::Float, std::move(name));
    t.floatType = ft;
    return t;
}
}  // namespace

const TypeInfo& IntegerType() { static const TypeInfo t = MakeOrdinal("Integer", OrdinalType::S32); return t; }
const TypeInfo& CardinalType() { static const TypeInfo t = MakeOrdinal("Cardinal", OrdinalType::U32); return t; }
const TypeInfo& SmallIntType() { static const TypeInfo t = MakeOrdinal("SmallInt", OrdinalType::S16); return t; }
const TypeInfo& ByteType() { static const TypeInfo t = MakeOrdinal("Byte", OrdinalType::U8); return t; }
const TypeInfo& Int64Type() { static const TypeInfo t = MakeSimple(TypeKind::Int64, "Int64"); return t; }
const TypeInfo& CharType() {
    static const TypeInfo t = [] { TypeInfo c = MakeSimple(TypeKind::Char, "Char"); c.ordinal = OrdinalType::U8; return c; }();
    return t;
}
const TypeInfo& BooleanType() {
    static const TypeInfo t = [] {
        TypeInfo b = MakeSimple(TypeKind::Enumeration, "Boolean");
        b.ordinal = OrdinalType::U8;
        b.names = {"False", "True"};
        return b;
    }();
    return t;
}
const TypeInfo& DoubleType() { static const TypeInfo t = MakeFloat("Double", FloatType::Double); return t; }
const TypeInfo& ExtendedType() { static const TypeInfo t = MakeFloat("Extended", FloatType::Extended); return t; }
const TypeInfo& DateTimeType() { static const TypeInfo t = MakeFloat("TDateTime", FloatType::Double); return t; }
const TypeInfo& StringType() { static const TypeInfo t = MakeSimple(TypeKind::String, "String"); return t; }
const TypeInfo& WideStringType() { static const TypeInfo t = MakeSimple(TypeKind::WideString, "WideString"); return t; }
const TypeInfo& VariantType() { static const TypeInfo t = MakeSimple(TypeKind::Variant, "Variant"); return t; }
const TypeInfo& MethodType() { static const TypeInfo t = MakeSimple(TypeKind::Method, "TNotifyEvent"); return t; }

std::unique_ptr<TypeInfo> MakeEnumType(std::string name, std::vector<std::string> names) {
    auto t = std::make_unique<TypeInfo>(MakeSimple(TypeKind::Enumeration, std::move(name)));
    t->names = std::move(names);
    t->ordinal = t->names.size() <= 256 ? OrdinalType::U8 : OrdinalType::U16;
    return t;
}

std::unique_ptr<TypeInfo> MakeSubrangeType(std::string name, int minValue, int maxValue) {
    auto t = std::make_unique<TypeInfo>(MakeOrdinal(std::move(name), OrdinalType::S32));
    t->minValue = minValue;
    for (int v = minValue; v <= maxValue; ++v) t->names.push_back(std::to_string(v));
    return t;
}

std::unique_ptr<TypeInfo> MakeSetType(std::string name, const TypeInfo& element) {
    auto t = std::make_unique<TypeInfo>(MakeSimple(TypeKind::Set, std::move(name)));
    t->element = &element;
    return t;
}

std::unique_ptr<TypeInfo> MakeClassType(const ClassInfo& cls) {
    auto t = std::make_unique<TypeInfo>(MakeSimple(TypeKind::Class, cls.name));
    t->classInfo = &cls;
    return t;
}

std::unique_ptr<TypeInfo> MakeMethodType(std::string name) {
    return std::make_unique<TypeInfo>(MakeSimple(TypeKind::Method, std::move(name)));
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->parent)
        if (c == &other) return true;
    return false;
}

namespace {
// One of a class's member lists over the whole chain, base classes first.
template <class M>
std::vector<const M*> BaseFirst(const ClassInfo* cls, std::vector<M> ClassInfo::*list) {
    std::vector<const ClassInfo*> chain;
    for (const ClassInfo* c = cls; c; c = c->parent) chain.push_back(c);
    std::vector<const M*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const M& m : (*it)->*list) out.push_back(&m);
    return out;
}

// The member of that name (case-insensitive), nearest class first.
template <class M>
const M* NearestNamed(const ClassInfo* cls, std::vector<M> ClassInfo::*list, std::string_view name) {
    for (const ClassInfo* c = cls; c; c = c->parent)
        for (const M& m : c->*list)
            if (SameIdent(m.name, name)) return &m;
    return nullptr;
}
}  // namespace

std::vector<const PropInfo*> ClassInfo::AllProps() const { return BaseFirst(this, &ClassInfo::props); }

const PropInfo* ClassInfo::FindProp(std::string_view propName) const {
    return NearestNamed(this, &ClassInfo::props, propName);
}

const HandlerInfo* ClassInfo::FindHandler(std::string_view handlerName) const {
    return NearestNamed(this, &ClassInfo::handlers, handlerName);
}

std::vector<const BoundFieldInfo*> ClassInfo::AllBoundFields() const {
    return BaseFirst(this, &ClassInfo::boundFields);
}

namespace {
struct Registry {
    std::mutex lock;
    std::vector<const ClassInfo*> classes;
};
Registry& TheRegistry() {
    static Registry r;
    return r;
}
}  // namespace

void ClassRegistry::Register(const ClassInfo& cls) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    for (const ClassInfo*& c : r.classes)
        if (SameIdent(c->name, cls.name)) { c = &cls; return; }
    r.classes.push_back(&cls);
}

const ClassInfo* ClassRegistry::Find(std::string_view name) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    for (const ClassInfo* c : r.classes)
        if (SameIdent(c->name, name)) return c;
    return nullptr;
}

void Persistent::SetProp(const PropInfo& prop, const Value& value) {
    if (!prop.set) throw Error("Property " + prop.name + " is read-only");
    if (prop.type && (prop.type->kind == TypeKind::Integer || prop.type->kind == TypeKind::Enumeration ||
                      prop.type->kind == TypeKind::Char)) {
        std::int64_t v = AsOrdinal(value);
        if (!OrdinalFits(*prop.type, v))
            throw Error("Value " + std::to_string(v) + " out of range for property " + prop.name);
    }
    prop.set(*this, value);
}

Value Persistent::GetProp(std::string_view name) const {
    const PropInfo* p = Class().FindProp(name);
    if (!p) throw Error("Property " + std::string(name) + " does not exist");
    return p->get(*this);
}

void Persistent::SetProp(std::string_view name, const Value& value) {
    const PropInfo* p = Class().FindProp(name);
    if (!p) throw Error("Property " + std::string(name) + " does not exist");
    SetProp(*p, value);
}

std::int64_t AsOrdinal(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    throw Error("Invalid property value: an ordinal was expected");
}

double AsFloat(const Value& v) {
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    throw Error("Invalid property value: a number was expected");
}

const std::string& AsText(const Value& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    throw Error("Invalid property value: a text was expected");
}

SetValue AsSet(const Value& v) {
    if (auto* s = std::get_if<SetValue>(&v)) return *s;
    throw Error("Invalid property value: a set was expected");
}

Persistent* AsObject(const Value& v) {
    if (auto* o = std::get_if<Persistent*>(&v)) return *o;
    if (std::holds_alternative<std::monostate>(v)) return nullptr;
    throw Error("Invalid property value: an object was expected");
}

bool IsDefaultValue(const PropInfo& prop, const Value& v) {
    switch (prop.type->kind) {
        case TypeKind::Integer:
        case TypeKind::Int64:
        case TypeKind::Char:
        case TypeKind::Enumeration:
        case TypeKind::Set:
            return prop.defaultValue && *prop.defaultValue == v;
        case TypeKind::Float:
            if (prop.defaultValue) return AsFloat(*prop.defaultValue) == AsFloat(v);
            return AsFloat(v) == 0.0;
        case TypeKind::String:
        case TypeKind::WideString:
        case TypeKind::Method:
            return AsText(v).empty();
        case TypeKind::Variant:
            return std::holds_alternative<std::monostate>(v) ||
                   (std::holds_alternative<std::string>(v) && std::get<std::string>(v).empty());
        case TypeKind::Class:
            return AsObject(v) == nullptr;
    }
    return false;
}

void AssignPublished(const Persistent& from, Persistent& to) {
    if (&from == &to) return;
    if (!to.InheritsFrom(from.Class()))
        throw Error("Cannot assign a " + from.Class().name + " to a " + to.Class().name);
    for (const PropInfo* p : from.Class().AllProps())
        if (p->set) p->set(to, p->get(from));
}

bool OrdinalFits(const TypeInfo& type, std::int64_t v) {
    if (type.kind == TypeKind::Enumeration) return v >= type.minValue && v <= type.MaxValue();
    if (type.kind == TypeKind::Integer && !type.names.empty()) return v >= type.minValue && v <= type.MaxValue();
    switch (type.ordinal) {
        case OrdinalType::S8: return v >= -128 && v <= 127;
        case OrdinalType::U8: return v >= 0 && v <= 255;
        case OrdinalType::S16: return v >= -32768 && v <= 32767;
        case OrdinalType::U16: return v >= 0 && v <= 65535;
        case OrdinalType::S32: return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
        case OrdinalType::U32: return v >= 0 && v <= std::numeric_limits<std::uint32_t>::max();
    }
    return true;
}

}  // namespace lark::core
