// The main of every test program: the Qt application object first (widget tests need a
// QApplication, the others a QCoreApplication), then GoogleTest.
#include <gtest/gtest.h>

#ifdef TUMBALO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication App(argc, argv);
    return RUN_ALL_TESTS();
}
