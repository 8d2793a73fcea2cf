#include "uEventList.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A listener window stand-in: records the calls it gets, in a log shared between listeners.
struct Listener
{
    QString Tag;
    QStringList* Log;
    void Call(TWordData* Data)
    {
        Log->append(Tag);
        Seen = Data;
    }
    void Fail(TWordData*) { throw std::runtime_error("listener failed"); }
    TWordData* Seen = nullptr;
};

TWordData* FakeCollection()
{
    static int Storage;
    return reinterpret_cast<TWordData*>(&Storage);
}

TEST(NotifierTest, EmptyNotifierDoesNothing)
{
    TNotifier Notifier;
    EXPECT_NO_THROW(Notifier.NotifyAll());
    EXPECT_EQ(Notifier.Count(), 0);
}

TEST(NotifierTest, CallsListenersInOrderOfFirstAddingWithTheCollection)
{
    QStringList Log;
    Listener Grid { QStringLiteral("grid"), &Log };
    Listener Main { QStringLiteral("main"), &Log };
    Listener Replacement { QStringLiteral("grid2"), &Log };
    TNotifier Notifier;
    Notifier.SetWordData(FakeCollection());

    Notifier.AddListener(QStringLiteral("GridSetting"), &Listener::Call, &Grid);
    Notifier.AddListener(QStringLiteral("MainFormSetting"), &Listener::Call, &Main);
    Notifier.AddListener(QStringLiteral("GridSetting"), &Listener::Call, &Replacement);
    Notifier.NotifyAll();

    EXPECT_EQ(Notifier.Count(), 2);
    EXPECT_EQ(Log, (QStringList { QStringLiteral("grid2"), QStringLiteral("main") }));
    EXPECT_EQ(Notifier.Items(0).Target(), &Replacement);
    EXPECT_EQ(Replacement.Seen, FakeCollection());
    EXPECT_EQ(Grid.Seen, nullptr);
}

TEST(NotifierTest, FindIsCaseSensitive)
{
    TNotifier Notifier;
    Notifier.FindOrAdd(QStringLiteral("GridSetting"));
    EXPECT_EQ(Notifier.Find(QStringLiteral("gridsetting")), nullptr);
    EXPECT_NE(Notifier.Find(QStringLiteral("GridSetting")), nullptr);
}

TEST(NotifierTest, ItemWithoutCallbackIsSkippedAndItemKeepsItsCollection)
{
    QStringList Log;
    Listener Main { QStringLiteral("main"), &Log };
    TNotifier Notifier;
    Notifier.SetWordData(FakeCollection());
    Notifier.FindOrAdd(QStringLiteral("Silent"));
    Notifier.AddListener(QStringLiteral("MainFormSetting"), &Listener::Call, &Main);

    Notifier.NotifyAll();
    EXPECT_EQ(Log, QStringList { QStringLiteral("main") });
    EXPECT_EQ(Notifier.Items(0).WordData(), FakeCollection());
}

TEST(NotifierTest, ThrowingListenerStopsTheRestAndReachesTheCaller)
{
    QStringList Log;
    Listener Bad { QStringLiteral("bad"), &Log };
    Listener Later { QStringLiteral("later"), &Log };
    TNotifier Notifier;
    Notifier.AddListener(QStringLiteral("GridSetting"), &Listener::Fail, &Bad);
    Notifier.AddListener(QStringLiteral("MainFormSetting"), &Listener::Call, &Later);

    EXPECT_THROW(Notifier.NotifyAll(), std::runtime_error);
    EXPECT_TRUE(Log.isEmpty());
}

TEST(NotifierTest, IndexOutsideTheListIsARangeError)
{
    TNotifier Notifier;
    Notifier.FindOrAdd(QStringLiteral("A"));
    EXPECT_THROW(Notifier.Items(1), std::out_of_range);
    EXPECT_THROW(Notifier.Items(-1), std::out_of_range);
}

} // namespace
