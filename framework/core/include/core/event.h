#pragma once
// Published events. An event holds the name of its handler (what reflection and the component
// stream read and write) and, once the reader's binding pass has run, the call to the root's
// published method of that name. Each event signature has one TypeInfo of kind Method; an
// event property and a handler bind only when their TypeInfos are the same object.
//
// A new signature is one line at namespace scope, outside any namespace:
//     LARK_EVENT_TYPE("TCloseQueryEvent", ::lark::core::Component&, bool&)
#include <functional>
#include <string>
#include <utility>

#include "core/persistent.h"

namespace lark::core {

template <class... Args>
class Event {
public:
    const std::string& HandlerName() const { return name_; }
    // A new name drops the bound call: it belongs to the old name.
    void SetHandlerName(std::string name) {
        if (name != name_) call_ = nullptr;
        name_ = std::move(name);
    }
    void Bind(std::function<void(Args...)> call) { call_ = std::move(call); }
    explicit operator bool() const { return static_cast<bool>(call_); }
    void operator()(Args... args) const {
        if (call_) call_(std::forward<Args>(args)...);
    }

private:
    std::string name_;
    std::function<void(Args...)> call_;
};

// The published type of an event signature; specialised once per signature (LARK_EVENT_TYPE).
template <class... Args>
struct EventSignature;

template <class... Args>
const TypeInfo& EventTypeOf() {
    return EventSignature<Args...>::Type();
}

using NotifyEvent = Event<Component& /*sender*/>;
using CloseQueryEvent = Event<Component& /*sender*/, bool& /*canClose*/>;

template <>
struct EventSignature<Component&> {
    static const TypeInfo& Type() { return MethodType(); }  // "TNotifyEvent"
};

}  // namespace lark::core

#define LARK_EVENT_TYPE(publishedName, ...)                                          \
    namespace lark::core {                                                           \
    template <>                                                                      \
    struct EventSignature<__VA_ARGS__> {                                             \
        static const TypeInfo& Type() {                                              \
            static const std::unique_ptr<TypeInfo> type = MakeMethodType(publishedName); \
            return *type;                                                            \
        }                                                                            \
    };                                                                               \
    }

LARK_EVENT_TYPE("TCloseQueryEvent", ::lark::core::Component&, bool&)
