#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QWidget>

#include <list>
#include <memory>

// The play window's picture (cxImage1): a child that fills the client area and paints the
// current entry's picture scaled to fit, centred, keeping its proportions; around it the
// window's background colour shows. The picture is scaled once when it is set or the box is
// resized, so painting is a plain copy and a repaint after a key costs next to nothing.
class TPictureBox final : public QWidget
{
    Q_OBJECT

public:
    explicit TPictureBox(QWidget* Parent = nullptr);

    // Original is the decoded picture; Scaled, when it already fits the box's size, saves the
    // scaling (a picture decoded and scaled ahead). A null Original clears the box.
    void SetPicture(const QImage& Original, const QImage& Scaled = {});
    void Clear() { SetPicture({}); }

    const QImage& Picture() const { return FOriginal; }
    // The picture as painted: scaled to fit the box.
    const QImage& ScaledPicture() const { return FScaled; }

    // Original scaled to fit into Box, keeping its proportions.
    static QImage ScaledToFit(const QImage& Original, const QSize& Box);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    QImage FOriginal;
    QImage FScaled;
};

// Pictures decoded and scaled ahead, in a worker thread, so that the next entry's picture is
// ready when the child presses the next key. Entries are found by file name, the file's size
// and time of change, and the size they were scaled to; a file changed since it was decoded
// is decoded anew. Keeps the last few pictures only. A picture that cannot be read gives no
// entry, and the caller then loads it the ordinary way.
class TPictureCache final : public QObject
{
    Q_OBJECT

public:
    explicit TPictureCache(QObject* Parent = nullptr);
    ~TPictureCache() override;

    // Starts decoding FileName for a box of Size unless it is ready or on its way.
    void Prefetch(const QString& FileName, const QSize& Size);

    // The decoded picture and its scaled copy when they are ready; false otherwise.
    bool Find(const QString& FileName, const QSize& Size, QImage& Original, QImage& Scaled) const;

    // True while a decoding runs.
    bool IsBusy() const;

    // Forgets every picture (a list was opened or closed).
    void Clear();

signals:
    // A prefetched picture is ready.
    void Ready();

private:
    struct TKey
    {
        QString FileName;
        qint64 FileSize = 0;
        qint64 Changed = 0;
        QSize Size;
        bool operator==(const TKey&) const = default;
    };
    struct TEntry
    {
        TKey Key;
        QImage Original;
        QImage Scaled;
    };
    struct TShared; // what the worker and the cache both hold

    static TKey KeyOf(const QString& FileName, const QSize& Size);
    void Store(const TKey& Key, const QImage& Original, const QImage& Scaled);

    std::list<TEntry> FEntries;
    std::shared_ptr<TShared> FShared;
};
