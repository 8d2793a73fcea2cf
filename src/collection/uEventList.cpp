#include "uEventList.h"

#include <stdexcept>

TNotifyItem::TNotifyItem(const QString& Name, TWordData* WordData)
    : FName(Name)
    , FWordData(WordData)
{ }

void TNotifyItem::SetCallback(TCallback Callback, const void* Target)
{
    FCallback = std::move(Callback);
    FTarget = Target;
}

void TNotifyItem::Notify() const
{
    if (FCallback)
        FCallback(FWordData);
}

TNotifyItem& TNotifier::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    return *List[static_cast<std::size_t>(Index)];
}

TNotifyItem* TNotifier::Find(const QString& Name) const
{
    for (const auto& Item : List) {
        if (Item->Name() == Name)
            return Item.get();
    }
    return nullptr;
}

TNotifyItem& TNotifier::FindOrAdd(const QString& Name)
{
    if (TNotifyItem* Item = Find(Name))
        return *Item;
    return Append(std::make_unique<TNotifyItem>(Name, FWordData));
}

void TNotifier::NotifyAll() const
{
    const int Total = Count();
    for (int Index = 0; Index < Total; ++Index)
        Items(Index).Notify();
}
