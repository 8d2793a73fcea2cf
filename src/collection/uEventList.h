#pragma once

#include "uOwningList.h"

#include <QString>

#include <functional>

class TWordData;

// One named listener of a notifier. The callback is a method bound to its target object and
// receives the collection the item was made for; it stays empty until a listener sets it.
class TNotifyItem
{
public:
    using TCallback = std::function<void(TWordData*)>;

    TNotifyItem(const QString& Name, TWordData* WordData);

    const QString& Name() const { return FName; }
    TWordData* WordData() const { return FWordData; }
    const void* Target() const { return FTarget; }

    void SetCallback(TCallback Callback, const void* Target);
    // Calls the callback with the collection; an item without callback does nothing.
    void Notify() const;

private:
    QString FName;
    TCallback FCallback;
    const void* FTarget = nullptr;
    TWordData* FWordData = nullptr;
};

// Named listeners that the collection calls at one point of its life (before saving, after
// opening). Listeners are called in the order their names were first added; a callback that
// throws ends NotifyAll there and the exception reaches whoever fired the notifier.
class TNotifier : public TOwningList<TNotifyItem>
{
public:
    TNotifier() = default;

    // The item at Index (0 = first added); throws std::out_of_range outside the list.
    TNotifyItem& Items(int Index) const;
    // The first item whose name equals Name exactly (letter case counts), or nullptr.
    TNotifyItem* Find(const QString& Name) const;
    TNotifyItem& FindOrAdd(const QString& Name);

    // Sets the listener Name to call Method on Target. Adding a name again replaces its
    // callback and keeps its place.
    template <typename TTarget>
    void AddListener(const QString& Name, void (TTarget::*Method)(TWordData*), TTarget* Target)
    {
        FindOrAdd(Name).SetCallback([Method, Target](TWordData* Data) { (Target->*Method)(Data); }, Target);
    }

    void NotifyAll() const;

    TWordData* WordData() const { return FWordData; }
    void SetWordData(TWordData* WordData) { FWordData = WordData; }

private:
    TWordData* FWordData = nullptr;
};
