#include "uEncrypt.h"

#include "uFileIO.h"

#include "Error.h"
#include "uKorEncryptLibBO.h"

#include <QFile>

#include <string_view>

namespace {

std::string_view View(const QByteArray& Bytes)
{
    return std::string_view(Bytes.constData(), static_cast<std::size_t>(Bytes.size()));
}

// The list file's combination: mode 1, chaining 0, key size code 2. The cipher writes straight
// into the result's own storage, so a large list is not copied once more.
QByteArray RunListCipher(const QByteArray& Text, bool Encrypt)
{
    QByteArray Result;
    const TOutputBuffer Output = [&Result](std::size_t Size) {
        Result = QByteArray(static_cast<qsizetype>(Size), Qt::Uninitialized);
        return Result.data();
    };
    try {
        TKorEncryptLibBO Cipher;
        const std::size_t Length = Encrypt ? Cipher.EncryptString(View(Text), TKorEncryptLibBO::Blowfish,
                                       TKorEncryptLibBO::EBC, TKorEncryptLibBO::Key128, Output)
                                           : Cipher.DecryptString(View(Text), TKorEncryptLibBO::Blowfish,
                                               TKorEncryptLibBO::EBC, TKorEncryptLibBO::Key128, Output);
        Result.truncate(static_cast<qsizetype>(Length));
        return Result;
    } catch (const ECipherException& E) {
        throw Error(QString::fromUtf8(E.what()));
    }
}

} // namespace

QByteArray TFrmEncrypt::LoadFileAsText(const QString& FileName)
{
    return ReadWholeFile(FileName);
}

void TFrmEncrypt::SaveTextToFile(const QByteArray& Text, const QString& FileName)
{
    WriteWholeFile(FileName, Text);
}

QByteArray TFrmEncrypt::EncryptText(const QByteArray& Text)
{
    return RunListCipher(Text, true);
}

QByteArray TFrmEncrypt::DecryptText(const QByteArray& Text)
{
    return RunListCipher(Text, false);
}
