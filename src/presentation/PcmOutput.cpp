#include "PcmOutput.h"

#include "Error.h"

#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace {

// The most handed to the output in one write; keeps reads from a decoder small.
constexpr qint64 ChunkBytes = 16384;

} // namespace

void PcmOutput::LaterDeleter::operator()(QObject* Object) const
{
    Object->deleteLater();
}

PcmOutput::PcmOutput() = default;

PcmOutput::~PcmOutput()
{
    Stop();
}

void PcmOutput::Start(const QAudioFormat& Format, Source Read)
{
    Stop();
    const QAudioDevice Device = QMediaDevices::defaultAudioOutput();
    if (Device.isNull())
        throw Error(QStringLiteral("No sound output is available."));
    if (!FSink || FDevice != Device || FSink->format() != Format) {
        FSink.reset(new QAudioSink(Device, Format));
        FDevice = Device;
    }
    FInput = FSink->start();
    if (!FInput || FSink->error() != QAudio::NoError) {
        FInput = nullptr;
        FSink->stop();
        throw Error(QStringLiteral("The sound output \"%1\" cannot be opened.").arg(Device.description()));
    }
    FRead = std::move(Read);
    FPending.clear();
    FContentBytes = 0;
    FPaddingLeft = 0;
    FLastProcessed = 0;
    FEnded = false;
    FActive = true;
    FSinceProgress.start();
}

bool PcmOutput::Pump()
{
    if (!FActive)
        return false;
    const QAudio::Error State = FSink->error();
    if (State == QAudio::OpenError || State == QAudio::IOError || State == QAudio::FatalError
        || FSink->state() == QAudio::StoppedState)
        Fail(QStringLiteral("The sound output failed while playing."));

    const QAudioFormat Format = FSink->format();
    const int FrameBytes = std::max(1, Format.bytesPerFrame());
    qint64 Free = FSink->bytesFree();
    while (Free >= FrameBytes) {
        if (FPending.isEmpty()) {
            const qint64 Want = std::min(Free, ChunkBytes) / FrameBytes * FrameBytes;
            if (!FEnded) {
                FPending.resize(Want);
                const qint64 Got = FRead(FPending.data(), Want);
                FPending.resize(std::max<qint64>(0, Got));
                if (Got <= 0) {
                    FEnded = true;
                    FPaddingLeft = std::max<qint64>(FSink->bufferSize(), Format.bytesForDuration(2 * TailUSecs));
                    FPaddingLeft -= FPaddingLeft % FrameBytes;
                    continue;
                }
                FContentBytes += Got;
            } else if (FPaddingLeft > 0) {
                FPending = QByteArray(std::min(Want, FPaddingLeft), '\0');
                FPaddingLeft -= FPending.size();
            } else {
                break;
            }
        }
        const qint64 Written = FInput->write(FPending.constData(), FPending.size());
        if (Written <= 0)
            break;
        FPending.remove(0, Written);
        Free -= Written;
        FSinceProgress.restart();
    }

    const qint64 Processed = FSink->processedUSecs();
    if (Processed > FLastProcessed) {
        FLastProcessed = Processed;
        FSinceProgress.restart();
    }
    if (FEnded && FPending.isEmpty() && Processed >= Format.durationForBytes(FContentBytes) + TailUSecs) {
        Stop();
        return false;
    }
    if (FEnded && FContentBytes == 0) {
        Stop();
        return false;
    }
    if (FSinceProgress.elapsed() > StallLimitMs)
        Fail(QStringLiteral("The sound output stopped playing."));
    return true;
}

void PcmOutput::Stop()
{
    if (FSink && FActive)
        FSink->stop();
    FInput = nullptr;
    FActive = false;
    FRead = nullptr;
    FPending.clear();
}

void PcmOutput::Fail(const QString& Text)
{
    Stop();
    throw Error(Text);
}
