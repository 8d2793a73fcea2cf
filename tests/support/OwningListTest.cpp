#include "uOwningList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Writes its number into a shared log when it is freed.
struct Tracked
{
    Tracked(int Number, std::vector<int>& Freed)
        : FNumber(Number)
        , FFreed(Freed)
    { }
    ~Tracked() { FFreed.push_back(FNumber); }
    int FNumber;
    std::vector<int>& FFreed;
};

class TrackedList : public TOwningList<Tracked>
{
public:
    void Add(int Number, std::vector<int>& Freed) { Append(std::make_unique<Tracked>(Number, Freed)); }
};

TEST(OwningListTest, ClearFreesEachObjectOnceInOrder)
{
    std::vector<int> Freed;
    TrackedList List;
    for (int Number : { 1, 2, 3 })
        List.Add(Number, Freed);
    EXPECT_EQ(List.Count(), 3);

    List.Clear();
    EXPECT_EQ(Freed, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(List.Count(), 0);

    List.Clear();
    EXPECT_EQ(Freed.size(), 3u);
}

TEST(OwningListTest, DestroyingTheListFreesItsObjects)
{
    std::vector<int> Freed;
    {
        TrackedList List;
        List.Add(7, Freed);
        List.Add(8, Freed);
    }
    EXPECT_EQ(Freed, (std::vector<int> { 7, 8 }));
}

} // namespace
