#include "uEncrypt.h"

#include "Error.h"
#include "uKorEncryptLibBO.h"

#include <QFile>
#include <QSaveFile>

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
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open the file \"%1\": %2").arg(FileName, File.errorString()));
    QByteArray Text = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read the file \"%1\": %2").arg(FileName, File.errorString()));
    return Text;
}

void TFrmEncrypt::SaveTextToFile(const QByteArray& Text, const QString& FileName)
{
    QSaveFile File(FileName);
    const bool Written = File.open(QIODevice::WriteOnly) && File.write(Text) == Text.size() && File.commit();
    if (!Written)
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2").arg(FileName, File.errorString()));
}

QByteArray TFrmEncrypt::EncryptText(const QByteArray& Text)
{
    return RunListCipher(Text, true);
}

QByteArray TFrmEncrypt::DecryptText(const QByteArray& Text)
{
    return RunListCipher(Text, false);
}
