#include "core/collection.h"

#include <algorithm>

namespace lark::core {

LARK_DEFINE_CLASS(CollectionItem) {
    return ClassBuilder<CollectionItem>("TCollectionItem", nullptr).Build();
}

LARK_DEFINE_CLASS(Collection) {
    return ClassBuilder<Collection>("TCollection", nullptr).Build();
}

int CollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void CollectionItem::SetIndex(int index) {
    if (collection_) collection_->Move(Index(), index);
}

std::string CollectionItem::DisplayName() const { return Class().name; }

std::string CollectionItem::NamePath() const {
    std::string base = collection_ ? collection_->NamePath() : std::string("?");
    return base + "[" + std::to_string(Index()) + "]";
}

Collection::Collection(const ClassInfo& itemClass, Persistent* owner) : itemClass_(&itemClass), owner_(owner) {}

Collection::~Collection() {
    // Free the items with the collection detached, so their destructors see no collection.
    for (auto& item : items_) item->collection_ = nullptr;
    items_.clear();
}

CollectionItem* Collection::Add() { return Insert(Count()); }

CollectionItem* Collection::Insert(int index) {
    if (!itemClass_->create) throw Error("Cannot create items of class " + itemClass_->name);
    std::unique_ptr<Persistent> made = itemClass_->create();
    auto* item = dynamic_cast<CollectionItem*>(made.get());
    if (!item) throw Error(itemClass_->name + " is not a collection item class");
    made.release();
    index = std::clamp(index, 0, Count());
    item->collection_ = this;
    items_.insert(items_.begin() + index, std::unique_ptr<CollectionItem>(item));
    Changed(nullptr);
    return item;
}

void Collection::Delete(int index) {
    if (index < 0 || index >= Count()) throw Error("List index out of bounds (" + std::to_string(index) + ")");
    std::unique_ptr<CollectionItem> doomed = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    doomed->collection_ = nullptr;
    doomed.reset();
    Changed(nullptr);
}

void Collection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    auto doomed = std::move(items_);
    items_.clear();
    for (auto& item : doomed) item->collection_ = nullptr;
    doomed.clear();
    EndUpdate();
}

std::unique_ptr<CollectionItem> Collection::Extract(CollectionItem* item) {
    int i = IndexOf(item);
    if (i < 0) return nullptr;
    std::unique_ptr<CollectionItem> out = std::move(items_[static_cast<std::size_t>(i)]);
    items_.erase(items_.begin() + i);
    out->collection_ = nullptr;
    Changed(nullptr);
    return out;
}

int Collection::IndexOf(const CollectionItem* item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
}

void Collection::Move(int from, int to) {
    if (from < 0 || from >= Count()) return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to) return;
    auto item = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
    Changed(nullptr);
}

void Collection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed(nullptr);
}

void Collection::Changed(CollectionItem* item) {
    if (updateCount_ == 0) Update(item);
}

std::string Collection::NamePath() const {
    return owner_ ? owner_->NamePath() : Class().name;
}

}  // namespace lark::core
