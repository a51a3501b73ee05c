#pragma once
// Declaring published properties: a small builder over ClassInfo so a class lists its
// properties in one place, in declaration order, with their storing defaults; and, for root
// classes (forms, data modules), its published handler methods and bound component fields.
#include <concepts>
#include <type_traits>
#include <utility>

#include "core/event.h"
#include "core/persistent.h"

namespace lark::core {

template <class V>
Value ToValue(const V& v) {
    if constexpr (std::is_same_v<V, bool>) return Value(std::int64_t(v ? 1 : 0));
    else if constexpr (std::is_enum_v<V>) return Value(static_cast<std::int64_t>(v));
    else if constexpr (std::is_integral_v<V>) return Value(static_cast<std::int64_t>(v));
    else if constexpr (std::is_floating_point_v<V>) return Value(static_cast<double>(v));
    else if constexpr (std::is_same_v<V, std::string>) return Value(v);
    else if constexpr (std::is_same_v<V, SetValue>) return Value(v);
    else static_assert(sizeof(V) == 0, "no published form for this type");
}

template <class V>
V FromValue(const Value& v) {
    if constexpr (std::is_same_v<V, bool>) return AsOrdinal(v) != 0;
    else if constexpr (std::is_enum_v<V>) return static_cast<V>(AsOrdinal(v));
    else if constexpr (std::is_integral_v<V>) return static_cast<V>(AsOrdinal(v));
    else if constexpr (std::is_floating_point_v<V>) return static_cast<V>(AsFloat(v));
    else if constexpr (std::is_same_v<V, std::string>) return AsText(v);
    else if constexpr (std::is_same_v<V, SetValue>) return AsSet(v);
    else static_assert(sizeof(V) == 0, "no published form for this type");
}

// The one class type of T (a property whose value is a T object or reference).
template <class T>
const TypeInfo& ClassTypeOf() {
    static const std::unique_ptr<TypeInfo> type = MakeClassType(T::StaticClass());
    return *type;
}

template <class T>
class ClassBuilder {
public:
    ClassBuilder(std::string name, const ClassInfo* parent) {
        info_.name = std::move(name);
        info_.parent = parent;
        if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
            info_.create = [] { return std::unique_ptr<Persistent>(new T()); };
    }

    // Getter/setter member functions.
    template <class G, class S>
    ClassBuilder& Prop(std::string name, const TypeInfo& type, G getter, S setter,
                       std::optional<Value> def = {}) {
        using V = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
        PropInfo p;
        p.name = std::move(name);
        p.type = &type;
        p.get = [getter](const Persistent& o) { return ToValue<V>((static_cast<const T&>(o).*getter)()); };
        p.set = [setter](Persistent& o, const Value& v) { (static_cast<T&>(o).*setter)(FromValue<V>(v)); };
        p.defaultValue = std::move(def);
        info_.props.push_back(std::move(p));
        return *this;
    }

    // A data member.
    template <class V>
    ClassBuilder& Field(std::string name, const TypeInfo& type, V T::*field, std::optional<Value> def = {}) {
        PropInfo p;
        p.name = std::move(name);
        p.type = &type;
        p.get = [field](const Persistent& o) { return ToValue<V>(static_cast<const T&>(o).*field); };
        p.set = [field](Persistent& o, const Value& v) { static_cast<T&>(o).*field = FromValue<V>(v); };
        p.defaultValue = std::move(def);
        info_.props.push_back(std::move(p));
        return *this;
    }

    // An owned sub-object (string list, collection, font): read-only, edited in place.
    template <class O>
    ClassBuilder& Object(std::string name, const TypeInfo& type, O* (T::*getter)()) {
        PropInfo p;
        p.name = std::move(name);
        p.type = &type;
        p.get = [getter](const Persistent& o) {
            return Value(static_cast<Persistent*>((const_cast<T&>(static_cast<const T&>(o)).*getter)()));
        };
        info_.props.push_back(std::move(p));
        return *this;
    }

    // A reference to a component, or anything else given as get/set functions.
    ClassBuilder& Custom(std::string name, const TypeInfo& type, std::function<Value(const T&)> get,
                         std::function<void(T&, const Value&)> set, std::optional<Value> def = {}) {
        PropInfo p;
        p.name = std::move(name);
        p.type = &type;
        p.get = [get](const Persistent& o) { return get(static_cast<const T&>(o)); };
        if (set) p.set = [set](Persistent& o, const Value& v) { set(static_cast<T&>(o), v); };
        p.defaultValue = std::move(def);
        info_.props.push_back(std::move(p));
        return *this;
    }

    // A published event over an Event member: a Method-kind property whose value is the
    // handler's name; the reader's binding pass binds it to the root's handler of that name.
    template <class C, class... Args>
    ClassBuilder& Event(std::string name, ::lark::core::Event<Args...> C::*member) {
        static_assert(std::is_base_of_v<C, T>);
        PropInfo p;
        p.name = std::move(name);
        p.type = &EventTypeOf<Args...>();
        p.get = [member](const Persistent& o) { return Value((static_cast<const T&>(o).*member).HandlerName()); };
        p.set = [member](Persistent& o, const Value& v) { (static_cast<T&>(o).*member).SetHandlerName(AsText(v)); };
        p.bind = [member](Persistent& o, const std::any& call) {
            (static_cast<T&>(o).*member).Bind(std::any_cast<const std::function<void(Args...)>&>(call));
        };
        info_.props.push_back(std::move(p));
        return *this;
    }

    // A published method of this (root) class, named as events in its definition name it.
    template <class C, class... Args>
    ClassBuilder& Handler(std::string name, void (C::*method)(Args...)) {
        static_assert(std::is_base_of_v<C, T>);
        HandlerInfo h;
        h.name = std::move(name);
        h.type = &EventTypeOf<Args...>();
        h.make = [method](Persistent& root) {
            C* self = &static_cast<C&>(static_cast<T&>(root));
            return std::any(std::function<void(Args...)>(
                [self, method](Args... args) { (self->*method)(std::forward<Args>(args)...); }));
        };
        info_.handlers.push_back(std::move(h));
        return *this;
    }

    // A bound component field of this (root) class: a non-owning pointer the reader sets to
    // the owned component of that name once the definition is read.
    template <class C, class F>
    ClassBuilder& Binds(std::string name, F* C::*field) {
        static_assert(std::is_base_of_v<C, T>);
        BoundFieldInfo b;
        b.name = std::move(name);
        b.cls = &F::StaticClass();
        b.assign = [field](Persistent& root, Component& component) {
            F* typed = dynamic_cast<F*>(&component);
            if (!typed) return false;
            static_cast<T&>(root).*field = typed;
            return true;
        };
        info_.boundFields.push_back(std::move(b));
        return *this;
    }

    // Applies to the property added last.
    ClassBuilder& StoredWhen(std::function<bool(const T&)> pred) {
        info_.props.back().stored = [pred](const Persistent& o) { return pred(static_cast<const T&>(o)); };
        return *this;
    }

    ClassBuilder& NotCreatable() {
        info_.create = nullptr;
        return *this;
    }

    ClassInfo Build() { return std::move(info_); }

private:
    ClassInfo info_;
};

// Inside a class: the class descriptor, built once on first use and registered by name. The
// builder function is a friend, so handlers and bound fields may be private.
#define LARK_PERSISTENT_CLASS(T)                                     \
public:                                                              \
    static const ::lark::core::ClassInfo& StaticClass();             \
    const ::lark::core::ClassInfo& Class() const override { return StaticClass(); } \
    friend ::lark::core::ClassInfo Lark_Build_##T();

// In the .cpp: LARK_DEFINE_CLASS(T) { return ClassBuilder<T>("T", &Base::StaticClass())...Build(); }
#define LARK_DEFINE_CLASS(T)                                                  \
    ::lark::core::ClassInfo Lark_Build_##T();                                 \
    const ::lark::core::ClassInfo& T::StaticClass() {                         \
        static const ::lark::core::ClassInfo info = [] {                      \
            auto built = Lark_Build_##T();                                    \
            return built;                                                     \
        }();                                                                  \
        static const bool registered = (::lark::core::ClassRegistry::Register(info), true); \
        (void)registered;                                                     \
        return info;                                                          \
    }                                                                         \
    ::lark::core::ClassInfo Lark_Build_##T()

}  // namespace lark::core
