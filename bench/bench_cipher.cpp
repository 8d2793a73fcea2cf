// Speed of the list file's cipher against the floor its format sets: the text cipher has to
// write and read Base64, so a plain Base64 encode and decode of the same bytes is the best it
// could do. All figures are in bytes of plain text per second.
#include "uBase64.h"
#include "uEncrypt.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <random>
#include <string_view>

namespace {

QByteArray PlainText(std::int64_t Size)
{
    std::mt19937 Engine(12345);
    std::uniform_int_distribution<int> Byte(0, 255);
    QByteArray Text(Size, '\0');
    for (char& C : Text)
        C = static_cast<char>(Byte(Engine));
    return Text;
}

std::string_view View(const QByteArray& Bytes)
{
    return std::string_view(Bytes.constData(), static_cast<std::size_t>(Bytes.size()));
}

void EncryptText(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    for (auto _ : State)
        benchmark::DoNotOptimize(TFrmEncrypt::EncryptText(Text));
    State.SetBytesProcessed(State.iterations() * Text.size());
}

void DecryptText(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    const QByteArray Cipher = TFrmEncrypt::EncryptText(Text);
    for (auto _ : State)
        benchmark::DoNotOptimize(TFrmEncrypt::DecryptText(Cipher));
    State.SetBytesProcessed(State.iterations() * Text.size());
}

// The floor: our Base64 alone, into uninitialised storage just as the cipher writes.
void Base64EncodeOnly(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    for (auto _ : State) {
        QByteArray Out(static_cast<qsizetype>(Base64EncodedLength(Text.size())), Qt::Uninitialized);
        Base64EncodeTo(reinterpret_cast<const std::uint8_t*>(Text.constData()), Text.size(), Out.data());
        benchmark::DoNotOptimize(Out);
    }
    State.SetBytesProcessed(State.iterations() * Text.size());
}

void Base64DecodeOnly(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    const std::string Encoded = Base64Encode(View(Text));
    for (auto _ : State) {
        QByteArray Out(static_cast<qsizetype>(Base64DecodedLength(Encoded)), Qt::Uninitialized);
        Base64DecodeTo(Encoded, reinterpret_cast<std::uint8_t*>(Out.data()));
        benchmark::DoNotOptimize(Out);
    }
    State.SetBytesProcessed(State.iterations() * Text.size());
}

// Qt's own Base64, for reference.
void QtBase64Encode(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    for (auto _ : State)
        benchmark::DoNotOptimize(Text.toBase64());
    State.SetBytesProcessed(State.iterations() * Text.size());
}

void QtBase64Decode(benchmark::State& State)
{
    const QByteArray Text = PlainText(State.range(0));
    const QByteArray Encoded = Text.toBase64();
    for (auto _ : State)
        benchmark::DoNotOptimize(QByteArray::fromBase64(Encoded));
    State.SetBytesProcessed(State.iterations() * Text.size());
}

void Sizes(benchmark::internal::Benchmark* B)
{
    B->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(EncryptText)->Apply(Sizes);
BENCHMARK(Base64EncodeOnly)->Apply(Sizes);
BENCHMARK(QtBase64Encode)->Apply(Sizes);
BENCHMARK(DecryptText)->Apply(Sizes);
BENCHMARK(Base64DecodeOnly)->Apply(Sizes);
BENCHMARK(QtBase64Decode)->Apply(Sizes);

BENCHMARK_MAIN();
