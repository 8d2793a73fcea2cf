#pragma once

// Reading and writing whole files in tests.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace fixtures {

inline void WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly)) << Path.toStdString();
    ASSERT_EQ(File.write(Data), Data.size());
}

inline QByteArray ReadFile(const QString& Path)
{
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return File.readAll();
}

} // namespace fixtures
