// The main of the X tests: they need a real X server (scripts/test runs them under xvfb-run),
// so the xcb platform is chosen here. Without DISPLAY the program starts offscreen and every
// test skips with the reason.
#include "XTestMain.h"

#include <QApplication>

#include <gtest/gtest.h>

bool HasXDisplay = false;

int main(int argc, char** argv)
{
    HasXDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", HasXDisplay ? "xcb" : "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication App(argc, argv);
    return RUN_ALL_TESTS();
}
