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

QString EscapeText(const QString& Value)
{
    QString Result;
    Result.reserve(Value.size());
    for (const QChar Char : Value) {
        switch (Char.unicode()) {
        case '\\':
            Result += QStringLiteral("\\\\");
            break;
        case '\n':
            Result += QStringLiteral("\\n");
            break;
        case '\r':
            Result += QStringLiteral("\\r");
            break;
        case '\t':
            Result += QStringLiteral("\\t");
            break;
        default:
            if (Char.unicode() < 0x20 || Char.unicode() == 0x7F)
                Result += QStringLiteral("\\x%1").arg(Char.unicode(), 2, 16, QLatin1Char('0'));
            else
                Result += Char;
            break;
        }
    }
    return Result;
}
