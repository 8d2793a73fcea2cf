#include "Error.h"
#include "TestHome.h"
#include "uWaveFile.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& FileName)
{
    QFile File(FileName);
    EXPECT_TRUE(File.open(QIODevice::ReadOnly)) << FileName.toStdString();
    return File.readAll();
}

void WriteAll(const QString& FileName, const QByteArray& Bytes)
{
    QFile File(FileName);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly | QIODevice::Truncate));
    File.write(Bytes);
}

std::uint32_t U32At(const QByteArray& Bytes, int At)
{
    return qFromLittleEndian<std::uint32_t>(Bytes.constData() + At);
}

std::uint16_t U16At(const QByteArray& Bytes, int At)
{
    return qFromLittleEndian<std::uint16_t>(Bytes.constData() + At);
}

class WaveFileTest : public ::testing::Test
{
protected:
    TestHome Home;
    QString Wave = Home.Path() + QStringLiteral("Temp.wav");
};

TEST_F(WaveFileTest, HeaderOfTheRecordingFormatIsByteExact)
{
    WriteWaveHeader(2, 16, Wave, 22050);
    const QByteArray Expected = QByteArray::fromHex("52494646"
                                                    "24000000"
                                                    "57415645"
                                                    "666d7420"
                                                    "10000000"
                                                    "0100"
                                                    "0200"
                                                    "22560000"
                                                    "88580100"
                                                    "0400"
                                                    "1000"
                                                    "64617461"
                                                    "00000000");
    EXPECT_EQ(ReadAll(Wave), Expected);
}

TEST_F(WaveFileTest, HeaderFieldsFollowTheArguments)
{
    struct Case
    {
        int Channels, Bits, Rate;
        std::uint32_t ByteRate;
        std::uint16_t BlockAlign;
    };
    const Case Cases[] = {
        { 1, 8, 8000, 8000, 1 },
        { 1, 16, 44100, 88200, 2 },
        { 2, 16, 48000, 192000, 4 },
        { 6, 24, 96000, 1728000, 18 },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Channels << " channels, " << C.Bits << " bits, " << C.Rate << " Hz");
        WriteWaveHeader(C.Channels, C.Bits, Wave, C.Rate);
        const QByteArray Header = ReadAll(Wave);
        ASSERT_EQ(Header.size(), WaveHeaderSize);
        EXPECT_EQ(U16At(Header, 22), C.Channels);
        EXPECT_EQ(U32At(Header, 24), std::uint32_t(C.Rate));
        EXPECT_EQ(U32At(Header, 28), C.ByteRate);
        EXPECT_EQ(U16At(Header, 32), C.BlockAlign);
        EXPECT_EQ(U16At(Header, 34), C.Bits);
    }
}

TEST_F(WaveFileTest, HeaderReplacesALongerFile)
{
    WriteAll(Wave, QByteArray(5000, 'x'));
    WriteWaveHeader(2, 16, Wave, 22050);
    const QByteArray Header = ReadAll(Wave);
    EXPECT_EQ(Header.size(), WaveHeaderSize);
    EXPECT_TRUE(Header.startsWith("RIFF"));
}

TEST_F(WaveFileTest, HeaderIntoAnUnwritablePlaceRaises)
{
    EXPECT_THROW(WriteWaveHeader(2, 16, Home.Path() + QStringLiteral("missing/Temp.wav"), 22050), Error);
}

// Sizes after appending sound data to the header, as the recorder does.
TEST_F(WaveFileTest, FinishingFixesTheSizesFromTheFileLength)
{
    struct Case
    {
        const char* Name;
        int Appended; // bytes behind the header
        std::uint32_t DataSize; // whole 4-byte frames only
    };
    const Case Cases[] = {
        { "nothing recorded", 0, 0 },
        { "one second", 88200, 88200 },
        { "cut inside a frame", 88203, 88200 },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WriteWaveHeader(2, 16, Wave, 22050);
        {
            QFile File(Wave);
            ASSERT_TRUE(File.open(QIODevice::Append));
            File.write(QByteArray(C.Appended, '\x11'));
        }
        FinishWaveFile(Wave);
        const QByteArray Bytes = ReadAll(Wave);
        ASSERT_EQ(Bytes.size(), qsizetype(WaveHeaderSize + C.DataSize));
        EXPECT_EQ(U32At(Bytes, 4), 36 + C.DataSize);
        EXPECT_EQ(U32At(Bytes, 40), C.DataSize);
        EXPECT_EQ(U32At(Bytes, 24), 22050u) << "format fields stay";
    }
}

TEST_F(WaveFileTest, FinishingFindsTheDataBehindOtherChunks)
{
    // A header with a LIST chunk of odd length (padded) between "fmt " and "data".
    QByteArray Bytes = QByteArray::fromHex("52494646"
                                           "00000000"
                                           "57415645" // RIFF, size, WAVE
                                           "666d7420"
                                           "10000000"
                                           "0100"
                                           "0100"
                                           "401f0000"
                                           "803e0000"
                                           "0200"
                                           "1000"
                                           "4c495354"
                                           "03000000"
                                           "616263"
                                           "00" // LIST "abc" and its pad byte
                                           "64617461"
                                           "00000000");
    const int DataOffset = Bytes.size();
    Bytes.append(QByteArray(100, '\x22'));
    WriteAll(Wave, Bytes);

    EXPECT_EQ(WaveDataOffset(Wave), DataOffset);
    FinishWaveFile(Wave);
    const QByteArray Finished = ReadAll(Wave);
    EXPECT_EQ(U32At(Finished, 4), std::uint32_t(Finished.size() - 8));
    EXPECT_EQ(U32At(Finished, DataOffset - 4), 100u);
}

TEST_F(WaveFileTest, FilesThatAreNoWaveRaise)
{
    const QByteArray NotWaves[] = {
        QByteArray("plain text, no sound"),
        QByteArray::fromHex("52494646240000005741564566"), // cut inside the first chunk head
        QByteArray::fromHex("524946460c00000057415645"), // RIFF/WAVE without a data chunk
    };
    for (const QByteArray& Bytes : NotWaves) {
        SCOPED_TRACE(Bytes.toHex().toStdString());
        WriteAll(Wave, Bytes);
        EXPECT_THROW(WaveDataOffset(Wave), Error);
        EXPECT_THROW(FinishWaveFile(Wave), Error);
        EXPECT_EQ(ReadAll(Wave), Bytes) << "a file that is not a wave stays untouched";
    }
    EXPECT_THROW(WaveDataOffset(Home.Path() + QStringLiteral("none.wav")), Error);
}

} // namespace
