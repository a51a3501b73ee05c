#include "core/component.h"

#include <algorithm>
#include <mutex>

#include "ascii.h"

namespace lark::core {

using detail::SameIdent;

LARK_DEFINE_CLASS(Component) {
    return ClassBuilder<Component>("TComponent", nullptr)
        .Prop("Tag", IntegerType(), &Component::Tag, &Component::SetTag, Value(std::int64_t(0)))
        .Build();
}

bool IsValidIdent(std::string_view name) {
    if (name.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

Component::Component(Component* owner) {
    if (owner) owner->InsertComponent(this);
}

Component::~Component() {
    BeginDestroy();
    // Tell everyone watching this component, then let go of their links to it.
    auto watchers = freeNotifies_;
    freeNotifies_.clear();
    for (Component* w : watchers) {
        auto& theirs = w->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        w->Notification(this, Operation::Remove);
    }
    // Free owned components, last first; unowned ones only lose their owner.
    while (!components_.empty()) {
        Component* c = components_.back();
        auto it = std::find_if(owned_.begin(), owned_.end(), [c](const auto& p) { return p.get() == c; });
        if (it != owned_.end()) {
            std::unique_ptr<Component> doomed = std::move(*it);
            owned_.erase(it);
            doomed.reset();  // its destructor removes it from components_
            if (!components_.empty() && components_.back() == c) components_.pop_back();
        } else {
            RemoveComponent(c);
        }
    }
    if (owner_) owner_->RemoveComponent(this);
    RootComponents::Remove(this);
}

void Component::BeginDestroy() { state_ |= Destroying; }

std::string Component::NamePath() const {
    if (name_.empty()) return Class().name;
    return name_;
}

void Component::SetName(std::string name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name)) throw Error("\"" + name + "\" is not a valid component name");
    if (owner_ && !name.empty()) {
        Component* other = owner_->FindComponent(name);
        if (other && other != this) throw Error("A component named " + name + " already exists");
    }
    name_ = std::move(name);
}

Component* Component::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (Component* c : components_)
        if (SameIdent(c->name_, name)) return c;
    return nullptr;
}

Component* Component::Adopt(std::unique_ptr<Component> component) {
    Component* raw = component.get();
    if (raw->owner_ != this) {
        if (raw->owner_) raw->owner_->RemoveComponent(raw);
        InsertComponent(raw);
    }
    owned_.push_back(std::move(component));
    return raw;
}

void Component::InsertComponent(Component* component) {
    if (component->owner_ == this) return;
    if (component->owner_) component->owner_->RemoveComponent(component);
    if (!component->name_.empty() && FindComponent(component->name_))
        throw Error("A component named " + component->name_ + " already exists");
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, Operation::Insert);
}

void Component::RemoveComponent(Component* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    components_.erase(it);
    component->owner_ = nullptr;
    auto own = std::find_if(owned_.begin(), owned_.end(), [component](const auto& p) { return p.get() == component; });
    if (own != owned_.end()) {
        own->release();  // the caller (its destructor, or a new owner) takes over
        owned_.erase(own);
    }
    NotifyRemoval(component);
}

void Component::NotifyRemoval(Component* removed) {
    Notification(removed, Operation::Remove);
    // Components may free each other from their notices: walk a copy, skip the departed.
    auto snapshot = components_;
    for (Component* c : snapshot)
        if (std::find(components_.begin(), components_.end(), c) != components_.end())
            c->Notification(removed, Operation::Remove);
}

void Component::FreeNotification(Component* other) {
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) == other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void Component::RemoveFreeNotification(Component* other) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    if (other)
        other->freeNotifies_.erase(std::remove(other->freeNotifies_.begin(), other->freeNotifies_.end(), this),
                                   other->freeNotifies_.end());
}

void Component::Loaded() { state_ &= ~unsigned(Loading); }

void Component::GetChildren(const std::function<void(Component*)>& proc, Component* root) {
    if (root != this) return;
    for (Component* c : components_)
        if (!c->HasParent()) proc(c);
}

namespace {
struct Roots {
    std::mutex lock;
    std::vector<Component*> list;
};
Roots& TheRoots() {
    static Roots r;
    return r;
}
}  // namespace

void RootComponents::Add(Component* root) {
    Roots& r = TheRoots();
    std::lock_guard<std::mutex> g(r.lock);
    if (std::find(r.list.begin(), r.list.end(), root) == r.list.end()) r.list.push_back(root);
}

void RootComponents::Remove(Component* root) {
    Roots& r = TheRoots();
    std::lock_guard<std::mutex> g(r.lock);
    r.list.erase(std::remove(r.list.begin(), r.list.end(), root), r.list.end());
}

Component* RootComponents::Find(std::string_view name) {
    Roots& r = TheRoots();
    std::lock_guard<std::mutex> g(r.lock);
    for (Component* c : r.list)
        if (SameIdent(c->Name(), name)) return c;
    return nullptr;
}

std::vector<Component*> RootComponents::All() {
    Roots& r = TheRoots();
    std::lock_guard<std::mutex> g(r.lock);
    return r.list;
}

}  // namespace lark::core
