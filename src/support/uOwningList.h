#pragma once

#include <memory>
#include <utility>
#include <vector>

// A list of objects that frees the objects it holds when it is cleared or destroyed.
// Descendants (the parameter lists, the notifiers) append to List directly; the items keep
// their insertion order.
template <typename T> class TOwningList
{
public:
    TOwningList() = default;
    TOwningList(const TOwningList&) = delete;
    TOwningList& operator=(const TOwningList&) = delete;
    virtual ~TOwningList() { Clear(); }

    // Frees every held object, first to last, and empties the list.
    void Clear()
    {
        // Free in insertion order; the vector alone would not promise an order.
        for (auto& Item : List)
            Item.reset();
        List.clear();
    }

    int Count() const { return static_cast<int>(List.size()); }

protected:
    T& Append(std::unique_ptr<T> Item)
    {
        List.push_back(std::move(Item));
        return *List.back();
    }

    std::vector<std::unique_ptr<T>> List;
};
