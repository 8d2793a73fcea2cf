#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points TUMBALO_HOME (the program's folder) at a fresh temporary folder for the lifetime of
// the object, and restores the previous value afterwards.
class TestHome
{
public:
    TestHome()
        : FOld(qgetenv("TUMBALO_HOME"))
        , FHadOld(qEnvironmentVariableIsSet("TUMBALO_HOME"))
    {
        qputenv("TUMBALO_HOME", FDir.path().toUtf8());
    }
    ~TestHome()
    {
        if (FHadOld)
            qputenv("TUMBALO_HOME", FOld);
        else
            qunsetenv("TUMBALO_HOME");
    }
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    // The folder, ending with "/".
    QString Path() const { return FDir.path() + QLatin1Char('/'); }

private:
    QTemporaryDir FDir;
    QByteArray FOld;
    bool FHadOld;
};
