#include "uText.h"

#include <QStringDecoder>

bool IsValidUtf8(const QByteArray& Bytes)
{
    // Stateless, so a sequence cut off at the end counts as an error instead of being kept
    // back for a next chunk that never comes.
    QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() only converts when its result is turned into a QString.
    const QString Text = Decoder.decode(Bytes);
    Q_UNUSED(Text);
    return !Decoder.hasError();
}

QString DecodeText(const QByteArray& Bytes)
{
    {
        QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString Text = Utf8.decode(Bytes);
        if (!Utf8.hasError())
            return Text;
    }
    QStringDecoder Chinese("GB18030", QStringDecoder::Flag::Stateless);
    if (Chinese.isValid())
        return Chinese.decode(Bytes);
    // A Qt built without the Chinese codec: keep what is readable.
    return QString::fromUtf8(Bytes);
}
