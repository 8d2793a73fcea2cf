#pragma once

#include <QImage>
#include <QString>

// The system clipboard as the collection and the editor use it: plain text and pictures.
// The program passes SystemClipboard; tests pass a fake.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // The clipboard's text when it holds plain text, else the empty text.
    virtual QString Text() const = 0;
    // The clipboard's picture, or a null image when it holds none.
    virtual QImage Image() const = 0;
    virtual void SetImage(const QImage& Picture) = 0;
};

// The clipboard of the running Qt application (needs a QGuiApplication).
class SystemClipboard final : public Clipboard
{
public:
    QString Text() const override;
    QImage Image() const override;
    void SetImage(const QImage& Picture) override;
};
