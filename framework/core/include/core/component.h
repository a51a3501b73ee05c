#pragma once
// The component tree: named components owned by a component (a window or data module), with
// loading and destroying states, an after-loading hook and removal notices that also reach
// components owned elsewhere (FreeNotification).
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/published.h"

namespace lark::core {

enum class Operation { Insert, Remove };

class Component : public Persistent {
    LARK_PERSISTENT_CLASS(Component)
public:
    enum State : unsigned { Loading = 1, Reading = 2, Destroying = 4, Designing = 8 };

    explicit Component(Component* owner = nullptr);
    ~Component() override;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    // Raises Error when the owner already has a component of that name (case-insensitive) or
    // the name is not an identifier.
    void SetName(std::string name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    std::string NamePath() const override;

    Component* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    Component* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    // Case-insensitive, among the components this one owns; null when none.
    Component* FindComponent(std::string_view name) const;

    // Makes a component owned by this one; it is freed with this one.
    template <class C, class... Args>
    C* Create(Args&&... args) {
        auto c = std::make_unique<C>(this, std::forward<Args>(args)...);
        C* raw = c.get();
        Adopt(std::move(c));
        return raw;
    }
    // Takes ownership of a component (its Owner becomes this one).
    Component* Adopt(std::unique_ptr<Component> component);
    void InsertComponent(Component* component);
    void RemoveComponent(Component* component);

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return state_ & Loading; }
    bool IsDestroying() const { return state_ & Destroying; }
    bool IsDesigning() const { return state_ & Designing; }
    void SetLoading(bool on) { on ? state_ |= Loading : state_ &= ~unsigned(Loading); }
    // Marks the start of destruction; derived destructors call it first so that notices sent
    // while they run see the state.
    void BeginDestroy();

    // `other` is told (Notification Remove) when this component is freed, and the reverse.
    void FreeNotification(Component* other);
    void RemoveFreeNotification(Component* other);
    virtual void Notification(Component* component, Operation operation) {}

    // Called once the whole tree it belongs to has been read.
    virtual void Loaded();

    // Streaming: the components written inside this one. The default is, for the root, every
    // owned component without a parent; components with parents override to list their own.
    virtual void GetChildren(const std::function<void(Component*)>& proc, Component* root);
    virtual bool HasParent() const { return false; }
    virtual Component* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(Component* parent) {}

private:
    void NotifyRemoval(Component* removed);

    std::string name_;
    int tag_ = 0;
    Component* owner_ = nullptr;
    std::vector<Component*> components_;
    std::vector<std::unique_ptr<Component>> owned_;
    std::vector<Component*> freeNotifies_;
    unsigned state_ = 0;
};

// Whether a text can be a component name: a letter or "_" first, then letters, digits and "_".
bool IsValidIdent(std::string_view name);

// Top-level windows and data modules, in creation order, for references of the form
// Owner.Component across windows.
class RootComponents {
public:
    static void Add(Component* root);
    static void Remove(Component* root);
    static Component* Find(std::string_view name);  // case-insensitive
    static std::vector<Component*> All();
};

}  // namespace lark::core
