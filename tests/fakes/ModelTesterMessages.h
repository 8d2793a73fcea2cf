#pragma once

// QAbstractItemModelTester reports through Qt's warning channel; a test installs
// CollectTesterMessages as the message handler and checks TesterComplaints() stays empty.

#include <QMessageLogContext>
#include <QString>
#include <QStringList>

inline QStringList& TesterComplaints()
{
    static QStringList Complaints;
    return Complaints;
}

inline void CollectTesterMessages(QtMsgType Type, const QMessageLogContext& Context, const QString& Message)
{
    if (Type != QtDebugMsg && Type != QtInfoMsg)
        TesterComplaints() << QStringLiteral("%1: %2").arg(QString::fromUtf8(Context.category), Message);
}
