#pragma once

#include "KeyboardLock.h"

#include <QStringList>

// A keyboard lock that locks nothing and records "BeginHook" and "EndHook" in the order they
// came. Calls may point at a list that outlives the lock, so a test can check EndHook after
// the window that owns the lock is gone.
class FakeKeyboardLock final : public KeyboardLock
{
public:
    explicit FakeKeyboardLock(QStringList* Calls = nullptr)
        : FCalls(Calls ? Calls : &FOwnCalls)
    { }

    void BeginHook(QWidget* PlayWindow) override
    {
        FCalls->append(QStringLiteral("BeginHook"));
        Window = PlayWindow;
    }
    void EndHook() override { FCalls->append(QStringLiteral("EndHook")); }

    const QStringList& Calls() const { return *FCalls; }

    QWidget* Window = nullptr; // the window BeginHook was given

private:
    QStringList FOwnCalls;
    QStringList* FCalls;
};
