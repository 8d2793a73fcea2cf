#include "uWaveFile.h"

#include "Error.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

void PutU16(char* At, std::uint16_t Value)
{
    qToLittleEndian(Value, At);
}

void PutU32(char* At, std::uint32_t Value)
{
    qToLittleEndian(Value, At);
}

QString CannotWrite(const QString& FileName, const QFile& File)
{
    return QStringLiteral("The sound file \"%1\" cannot be written: %2").arg(FileName, File.errorString());
}

QString NotAWave(const QString& FileName)
{
    return QStringLiteral("The file \"%1\" is not a wave sound file.").arg(FileName);
}

struct WaveLayout
{
    std::int64_t DataOffset; // first sound byte
    std::uint16_t BlockAlign; // bytes per frame, from the fmt chunk (0 when it has none)
};

// Walks the chunks of an open RIFF/WAVE file up to its data chunk.
WaveLayout ReadLayout(QFile& File, const QString& FileName)
{
    char Head[12];
    if (File.read(Head, 12) != 12 || memcmp(Head, "RIFF", 4) != 0 || memcmp(Head + 8, "WAVE", 4) != 0)
        throw Error(NotAWave(FileName));
    std::uint16_t BlockAlign = 0;
    std::int64_t Position = 12;
    const std::int64_t Length = File.size();
    while (Position + 8 <= Length) {
        char ChunkHead[8];
        if (!File.seek(Position) || File.read(ChunkHead, 8) != 8)
            break;
        const std::uint32_t ChunkSize = qFromLittleEndian<std::uint32_t>(ChunkHead + 4);
        if (memcmp(ChunkHead, "data", 4) == 0)
            return { Position + 8, BlockAlign };
        if (memcmp(ChunkHead, "fmt ", 4) == 0 && ChunkSize >= 16) {
            char Format[16];
            if (File.read(Format, 16) != 16)
                break;
            BlockAlign = qFromLittleEndian<std::uint16_t>(Format + 12);
        }
        // Chunks are padded to an even length.
        Position += 8 + std::int64_t(ChunkSize) + (ChunkSize & 1);
    }
    throw Error(NotAWave(FileName));
}

} // namespace

void WriteWaveHeader(int Channels, int BitsPerSample, const QString& FileName, int SampleRate)
{
    const int BytesPerSample = BitsPerSample / 8;
    std::array<char, WaveHeaderSize> Header {};
    memcpy(Header.data() + 0, "RIFF", 4);
    PutU32(Header.data() + 4, WaveHeaderSize - 8);
    memcpy(Header.data() + 8, "WAVE", 4);
    memcpy(Header.data() + 12, "fmt ", 4);
    PutU32(Header.data() + 16, 16);
    PutU16(Header.data() + 20, 1); // PCM
    PutU16(Header.data() + 22, std::uint16_t(Channels));
    PutU32(Header.data() + 24, std::uint32_t(SampleRate));
    PutU32(Header.data() + 28, std::uint32_t(Channels * SampleRate * BytesPerSample));
    PutU16(Header.data() + 32, std::uint16_t(BytesPerSample * Channels));
    PutU16(Header.data() + 34, std::uint16_t(BitsPerSample));
    memcpy(Header.data() + 36, "data", 4);
    PutU32(Header.data() + 40, 0);

    QFile File(FileName);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(CannotWrite(FileName, File));
    if (File.write(Header.data(), Header.size()) != qint64(Header.size()) || !File.flush())
        throw Error(CannotWrite(FileName, File));
}

std::int64_t WaveDataOffset(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw Error(NotAWave(FileName));
    return ReadLayout(File, FileName).DataOffset;
}

void FinishWaveFile(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadWrite))
        throw Error(CannotWrite(FileName, File));
    const WaveLayout Layout = ReadLayout(File, FileName);
    std::int64_t DataBytes = std::max<std::int64_t>(0, File.size() - Layout.DataOffset);
    if (Layout.BlockAlign > 0)
        DataBytes -= DataBytes % Layout.BlockAlign;
    // The size fields are 32-bit: a longer recording keeps only what they can describe.
    const std::int64_t Limit = std::int64_t(std::numeric_limits<std::uint32_t>::max()) - Layout.DataOffset;
    if (DataBytes > Limit)
        DataBytes = Limit - (Layout.BlockAlign > 0 ? Limit % Layout.BlockAlign : 0);
    const std::int64_t Length = Layout.DataOffset + DataBytes;
    if (File.size() != Length && !File.resize(Length))
        throw Error(CannotWrite(FileName, File));

    char Size[4];
    PutU32(Size, std::uint32_t(Length - 8));
    if (!File.seek(4) || File.write(Size, 4) != 4)
        throw Error(CannotWrite(FileName, File));
    PutU32(Size, std::uint32_t(DataBytes));
    if (!File.seek(Layout.DataOffset - 4) || File.write(Size, 4) != 4 || !File.flush())
        throw Error(CannotWrite(FileName, File));
}
