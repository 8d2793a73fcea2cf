#include "uPictureBox.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QThreadPool>

namespace {

// Enough for the current entry, the next and the one before.
constexpr std::size_t CacheSize = 3;

} // namespace

TPictureBox::TPictureBox(QWidget* Parent)
    : QWidget(Parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::NoFocus);
}

QImage TPictureBox::ScaledToFit(const QImage& Original, const QSize& Box)
{
    if (Original.isNull() || Box.isEmpty())
        return {};
    if (Original.size() == Original.size().scaled(Box, Qt::KeepAspectRatio))
        return Original;
    return Original.scaled(Box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void TPictureBox::SetPicture(const QImage& Original, const QImage& Scaled)
{
    FOriginal = Original;
    const QSize Fit = Original.size().scaled(size(), Qt::KeepAspectRatio);
    FScaled = !Scaled.isNull() && Scaled.size() == Fit ? Scaled : ScaledToFit(Original, size());
    update();
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    if (FScaled.isNull())
        return;
    QPainter Painter(this);
    const QRect Target(QPoint((width() - FScaled.width()) / 2, (height() - FScaled.height()) / 2), FScaled.size());
    Painter.drawImage(Target, FScaled);
}

void TPictureBox::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    FScaled = ScaledToFit(FOriginal, size());
}

// The cache's results, shared with the worker jobs so that a job that finishes after the
// cache is gone finds nobody to tell and drops its picture.
struct TPictureCache::TShared
{
    QMutex Lock;
    QPointer<TPictureCache> Owner;
    QList<TKey> Pending;
};

TPictureCache::TPictureCache(QObject* Parent)
    : QObject(Parent)
    , FShared(std::make_shared<TShared>())
{
    FShared->Owner = this;
}

TPictureCache::~TPictureCache()
{
    QMutexLocker Locker(&FShared->Lock);
    FShared->Owner = nullptr;
}

TPictureCache::TKey TPictureCache::KeyOf(const QString& FileName, const QSize& Size)
{
    const QFileInfo Info(FileName);
    return { FileName, Info.size(), Info.lastModified().toMSecsSinceEpoch(), Size };
}

void TPictureCache::Prefetch(const QString& FileName, const QSize& Size)
{
    if (FileName.isEmpty() || Size.isEmpty() || !QFileInfo(FileName).isFile())
        return;
    const TKey Key = KeyOf(FileName, Size);
    for (const TEntry& Entry : FEntries) {
        if (Entry.Key == Key)
            return;
    }
    {
        QMutexLocker Locker(&FShared->Lock);
        if (FShared->Pending.contains(Key))
            return;
        FShared->Pending.append(Key);
    }
    std::shared_ptr<TShared> Shared = FShared;
    QThreadPool::globalInstance()->start([Shared, Key] {
        QImageReader Reader(Key.FileName);
        Reader.setAutoTransform(true);
        const QImage Original = Reader.read();
        const QImage Scaled = TPictureBox::ScaledToFit(Original, Key.Size);
        QMutexLocker Locker(&Shared->Lock);
        Shared->Pending.removeOne(Key);
        if (!Shared->Owner)
            return;
        QMetaObject::invokeMethod(
            Shared->Owner.data(),
            [Owner = Shared->Owner, Key, Original, Scaled] {
                if (Owner)
                    Owner->Store(Key, Original, Scaled);
            },
            Qt::QueuedConnection);
    });
}

void TPictureCache::Store(const TKey& Key, const QImage& Original, const QImage& Scaled)
{
    if (Original.isNull())
        return;
    FEntries.remove_if([&Key](const TEntry& Entry) { return Entry.Key == Key; });
    FEntries.push_front({ Key, Original, Scaled });
    while (FEntries.size() > CacheSize)
        FEntries.pop_back();
    emit Ready();
}

bool TPictureCache::Find(const QString& FileName, const QSize& Size, QImage& Original, QImage& Scaled) const
{
    if (FileName.isEmpty() || FEntries.empty())
        return false;
    const TKey Key = KeyOf(FileName, Size);
    for (const TEntry& Entry : FEntries) {
        if (Entry.Key == Key) {
            Original = Entry.Original;
            Scaled = Entry.Scaled;
            return true;
        }
    }
    return false;
}

bool TPictureCache::IsBusy() const
{
    QMutexLocker Locker(&FShared->Lock);
    return !FShared->Pending.isEmpty();
}

void TPictureCache::Clear()
{
    FEntries.clear();
}
