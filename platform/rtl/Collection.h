#pragma once

#include "platform/rtl/Object.h"

#include <string>
#include <vector>

// Collections: a persistent list of items of one class that the collection owns (gradient
// stops, animation keys, bitmap lists). Streamed as one value (code 14) holding each item's
// published properties.
namespace rtl {

class TCollection;

/// An item of a collection. Created by the collection (Add, Insert) or with
/// `new TItem(collection)`; freed by the collection (Delete, Clear) or with Free(), which
/// takes it out of the collection.
class TCollectionItem : public TPersistent {
    RTL_CLASS(TCollectionItem, TPersistent)
public:
    /// Appends the item to `collection` (when not null) without a change notification; Add
    /// and Insert notify once the item is fully constructed.
    explicit TCollectionItem(TCollection* collection);

    [[nodiscard]] TCollection* GetCollection() const { return m_collection; }
    /// Moves the item to another collection (or none).
    void SetCollection(TCollection* collection);
    /// Position in the collection; -1 when in none.
    [[nodiscard]] int GetIndex() const;
    /// Moves the item to `index` (clamped to the collection) and notifies the collection.
    virtual void SetIndex(int index);
    /// The text design tools show for the item; the base gives the class name.
    [[nodiscard]] virtual std::string GetDisplayName() const;

protected:
    ~TCollectionItem() override;
    void BeforeDestruction() override;
    /// Tells the collection that this item changed (allItems: that the whole collection did).
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* m_collection = nullptr;
};

class TCollection : public TPersistent {
    RTL_CLASS(TCollection, TPersistent)
public:
    /// A collection of items of `itemClass` (a TCollectionItem class with a constructor
    /// taking the collection). `owner` is the object that holds the collection, if any.
    explicit TCollection(const TClassInfo& itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;

    [[nodiscard]] const TClassInfo& ItemClass() const { return *m_itemClass; }
    [[nodiscard]] TPersistent* GetOwner() const { return m_owner; }

    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    /// The item at `index`; no range check beyond an assert.
    [[nodiscard]] TCollectionItem* GetItem(int index) const;

    /// A new item of the item class at the end / at `index` (clamped).
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    /// Frees the item at `index`.
    void Delete(int index);
    /// Frees every item (one notification).
    void Clear();

    /// Batches changes: Update runs once, at the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    [[nodiscard]] int UpdateCount() const { return m_updateCount; }

    /// From another collection: clears this one and adds a copy (Assign) of each item,
    /// inside one batch. Other sources: the inherited behaviour.
    void Assign(const TPersistent& source) override;

protected:
    /// Told of changes outside a batch: `item` when one item changed, null when items were
    /// added, removed, moved or the whole collection changed. The base does nothing.
    virtual void Update(TCollectionItem* item);
    /// Update(nullptr) unless a batch is open (then at its end).
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    TCollectionItem* CreateItem();

    const TClassInfo* m_itemClass;
    TPersistent* m_owner;
    std::vector<TCollectionItem*> m_items; // owned
    int m_updateCount = 0;
    bool m_changedInBatch = false;
};

} // namespace rtl
