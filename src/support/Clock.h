#pragma once

#include <chrono>
#include <cstdint>

// The program's millisecond tick counter: a monotonic count of milliseconds that wraps
// around after about 49.7 days, read as an unsigned 32-bit value. Differences between two
// readings are taken in unsigned 32-bit arithmetic, so they stay right across the wrap.
// The key guard, the speech guard and the cipher's initial block read it; tests pass a
// fake that they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() const = 0;
};

// The real clock: the steady clock of the standard library.
class SystemClock final : public Clock
{
public:
    std::uint32_t TickCount() const override
    {
        using namespace std::chrono;
        const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }

    // One clock for the whole program; it has no state, so sharing it is harmless.
    static SystemClock& Instance()
    {
        static SystemClock clock;
        return clock;
    }
};

// Milliseconds from Earlier to Later on the wrapping counter.
inline std::uint32_t TicksBetween(std::uint32_t Earlier, std::uint32_t Later)
{
    return Later - Earlier;
}
