#pragma once

#include "Clipboard.h"

// A clipboard held in memory.
class FakeClipboard final : public Clipboard
{
public:
    QString Text() const override { return PlainText; }
    QImage Image() const override { return Picture; }
    void SetImage(const QImage& Value) override { Picture = Value; }

    QString PlainText;
    QImage Picture;
};
