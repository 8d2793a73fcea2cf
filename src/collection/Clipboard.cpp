#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* SystemBoard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

QString SystemClipboard::Text() const
{
    QClipboard* Board = SystemBoard();
    if (!Board)
        return {};
    const QMimeData* Data = Board->mimeData();
    return Data && Data->hasText() ? Data->text() : QString();
}

QImage SystemClipboard::Image() const
{
    QClipboard* Board = SystemBoard();
    return Board ? Board->image() : QImage();
}

void SystemClipboard::SetImage(const QImage& Picture)
{
    if (QClipboard* Board = SystemBoard())
        Board->setImage(Picture);
}
