#pragma once

#include "Clock.h"

#include <cstdint>

// A clock that stands still until the test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(std::uint32_t Start = 1000000)
        : FNow(Start)
    { }

    std::uint32_t TickCount() const override { return FNow; }

    void Set(std::uint32_t Now) { FNow = Now; }
    void Advance(std::uint32_t Milliseconds) { FNow += Milliseconds; }

private:
    std::uint32_t FNow;
};
