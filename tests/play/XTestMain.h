#pragma once

// True when the X tests run on a real X server (DISPLAY was set).
extern bool HasXDisplay;

#define SKIP_WITHOUT_X()                                                                                               \
    do {                                                                                                               \
        if (!HasXDisplay)                                                                                              \
            GTEST_SKIP() << "DISPLAY is not set: this test needs an X server (scripts/test runs it under xvfb-run)";   \
    } while (false)
