#pragma once
// Owned collections of persistent items, streamed as a list of items.
#include <memory>
#include <string>
#include <vector>

#include "core/published.h"

namespace lark::core {

class Collection;

class CollectionItem : public Persistent {
    LARK_PERSISTENT_CLASS(CollectionItem)
public:
    CollectionItem() = default;
    ~CollectionItem() override = default;

    Collection* GetCollection() const { return collection_; }
    int Index() const;
    void SetIndex(int index);
    virtual std::string DisplayName() const;
    std::string NamePath() const override;

private:
    friend class Collection;
    Collection* collection_ = nullptr;
};

class Collection : public Persistent {
    LARK_PERSISTENT_CLASS(Collection)
public:
    // Items are created through the item class's factory; it must make a CollectionItem.
    explicit Collection(const ClassInfo& itemClass, Persistent* owner = nullptr);
    Collection() : Collection(CollectionItem::StaticClass()) {}
    ~Collection() override;

    const ClassInfo& ItemClass() const { return *itemClass_; }
    Persistent* Owner() const { return owner_; }

    CollectionItem* Add();
    CollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Removes the item without freeing it.
    std::unique_ptr<CollectionItem> Extract(CollectionItem* item);
    int Count() const { return static_cast<int>(items_.size()); }
    CollectionItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    template <class T>
    T* ItemAs(int index) const { return static_cast<T*>(Items(index)); }
    int IndexOf(const CollectionItem* item) const;
    void Move(int from, int to);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }
    // Called after a change (item null: the whole collection), unless updating.
    virtual void Update(CollectionItem* item) {}
    std::string NamePath() const override;

private:
    void Changed(CollectionItem* item);

    const ClassInfo* itemClass_;
    Persistent* owner_;
    std::vector<std::unique_ptr<CollectionItem>> items_;
    int updateCount_ = 0;
};

}  // namespace lark::core
