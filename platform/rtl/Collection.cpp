#include "platform/rtl/Collection.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace rtl {

RTL_IMPLEMENT_CLASS(TCollectionItem)
RTL_IMPLEMENT_CLASS(TCollection)

// ---- TCollectionItem ----------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection)
{
    if (collection)
        collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem()
{
    assert(!m_collection);
}

void TCollectionItem::BeforeDestruction()
{
    if (m_collection) {
        TCollection* c = m_collection;
        c->RemoveItem(this);
        c->Changed();
    }
    Inherited::BeforeDestruction();
}

void TCollectionItem::SetCollection(TCollection* collection)
{
    if (collection == m_collection)
        return;
    if (TCollection* old = m_collection) {
        old->RemoveItem(this);
        old->Changed();
    }
    if (collection) {
        collection->InsertItem(this);
        collection->Changed();
    }
}

int TCollectionItem::GetIndex() const
{
    if (!m_collection)
        return -1;
    const auto& items = m_collection->m_items;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index)
{
    if (!m_collection)
        return;
    auto& items = m_collection->m_items;
    const int current = GetIndex();
    index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
    if (index == current)
        return;
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    m_collection->Changed();
}

std::string TCollectionItem::GetDisplayName() const
{
    return std::string(ClassName());
}

void TCollectionItem::Changed(bool allItems)
{
    if (!m_collection || m_collection->m_updateCount > 0) {
        if (m_collection)
            m_collection->m_changedInBatch = true;
        return;
    }
    m_collection->Update(allItems ? nullptr : this);
}

// ---- TCollection --------------------------------------------------------------------------

TCollection::TCollection(const TClassInfo& itemClass, TPersistent* owner)
    : m_itemClass(&itemClass)
    , m_owner(owner)
{
    assert(itemClass.InheritsFrom(TCollectionItem::StaticClass()));
}

TCollection::~TCollection()
{
    // No notification: the collection is going away with its holder.
    while (!m_items.empty()) {
        TCollectionItem* item = m_items.back();
        RemoveItem(item);
        item->Free();
    }
}

TCollectionItem* TCollection::GetItem(int index) const
{
    assert(index >= 0 && index < Count());
    return m_items[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::CreateItem()
{
    if (!m_itemClass->createItem)
        throw AbstractError("Cannot create an item of the abstract class " + std::string(m_itemClass->name));
    return m_itemClass->createItem(this);
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* item = CreateItem();
    Changed();
    return item;
}

TCollectionItem* TCollection::Insert(int index)
{
    TCollectionItem* item = CreateItem();
    index = std::clamp(index, 0, Count() - 1);
    std::erase(m_items, item);
    m_items.insert(m_items.begin() + index, item);
    Changed();
    return item;
}

void TCollection::Delete(int index)
{
    GetItem(index)->Free();
}

void TCollection::Clear()
{
    if (m_items.empty())
        return;
    BeginUpdate();
    while (!m_items.empty()) {
        TCollectionItem* item = m_items.back();
        RemoveItem(item);
        item->Free();
    }
    m_changedInBatch = true;
    EndUpdate();
}

void TCollection::BeginUpdate()
{
    ++m_updateCount;
}

void TCollection::EndUpdate()
{
    assert(m_updateCount > 0);
    if (--m_updateCount == 0 && m_changedInBatch) {
        m_changedInBatch = false;
        Update(nullptr);
    }
}

void TCollection::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        Inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    ScopeExit endUpdate([this] { EndUpdate(); });
    Clear();
    for (TCollectionItem* item : other->m_items)
        Add()->Assign(*item);
}

void TCollection::Update(TCollectionItem*) { }

void TCollection::Changed()
{
    if (m_updateCount > 0) {
        m_changedInBatch = true;
        return;
    }
    Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item)
{
    m_items.push_back(item);
    item->m_collection = this;
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    std::erase(m_items, item);
    item->m_collection = nullptr;
}

} // namespace rtl
