#include "Error.h"

#include <QFileInfo>

Error::Error(const QString& Text)
    : std::runtime_error(Text.toStdString())
{ }

QString Error::Text() const
{
    return QString::fromUtf8(what());
}

AssertionError::AssertionError(const QString& Text, const char* File, int Line)
    : Error(QStringLiteral("%1 (%2, line %3)").arg(Text, QFileInfo(QString::fromUtf8(File)).fileName()).arg(Line))
{ }

QString ErrorText(const std::exception& E)
{
    return QString::fromUtf8(E.what());
}
