#include "uLogHandler.h"

#include "Error.h"
#include "MessageBoxes.h"
#include "uPathUtils.h"

#include <QFile>

namespace {

std::unique_ptr<TLogHandler>& InstalledHandler()
{
    static std::unique_ptr<TLogHandler> Handler;
    return Handler;
}

} // namespace

TLogHandler::TLogHandler(MessageBoxes* Boxes)
    : FBoxes(Boxes)
{ }

void TLogHandler::SetFileName(const QString& Name)
{
    if (Name == FFileName)
        return;
    try {
        CheckFileName(Name);
        FFileName = ExpandFileName(Name);
    } catch (const Error& Failure) {
        FFileName.clear();
        if (FBoxes)
            FBoxes->ShowWarning(Failure.Text());
    }
}

void TLogHandler::WriteLine(const QString& Text)
{
    if (FFileName.trimmed().isEmpty())
        return;
    // One write of the whole line, so copies sharing the file never interleave inside a line.
    const QByteArray Line = Text.toUtf8() + "\r\n";
    QFile File(FFileName);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Append) || File.write(Line) != Line.size() || !File.flush())
        throw Error(QStringLiteral("Unable to write to %1").arg(FFileName));
}

void TLogHandler::Run(
    const QString& Argument, const QString& Label, const std::function<void(const QString&)>& Operation)
{
    Q_UNUSED(Label);
    Operation(Argument);
}

TLogHandler& LogHandler()
{
    auto& Handler = InstalledHandler();
    if (!Handler)
        Handler = std::make_unique<TLogHandler>();
    return *Handler;
}

std::unique_ptr<TLogHandler> ReplaceLogHandler(std::unique_ptr<TLogHandler> Handler)
{
    std::swap(InstalledHandler(), Handler);
    return Handler;
}
