#include "footer/checksum.h"
#include "footer/checksum_detail.h"
#include "footer/key_derivation.h"
#include "footer/prepared_image.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

using namespace morvanex;

constexpr std::size_t imageSize = 16u << 20;

const std::vector<std::uint8_t>& image()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(imageSize);
        std::mt19937 gen(12345);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(gen());
        return b;
    }();
    return bytes;
}

template <typename F> void runOverImage(benchmark::State& state, F f)
{
    const auto& data = image();
    for (auto _ : state)
        benchmark::DoNotOptimize(f(std::span<const std::uint8_t>(data)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}

void Crc16Reference(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return reference::crc16Update(0, d); });
}
void Crc16Fast(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return ChecksumCalculator().crc16(d); });
}
// The portable path the public routine falls back to on CPUs without carry-less multiplication.
void Crc16Slicing(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return detail::crc16UpdateWith(detail::CrcKernel::Slicing, 0, d); });
}
// The 128-bit folding kernel, which the public routine skips where a wider one runs.
void Crc16Pclmul(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return detail::crc16UpdateWith(detail::CrcKernel::Pclmul, 0, d); });
}
void ByteSum16Reference(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return reference::byteSum16Update(0, d); });
}
void ByteSum16Fast(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return ChecksumCalculator().byteSum16(d); });
}
void ByteSum16Portable(benchmark::State& state)
{
    runOverImage(state,
                 [](auto d) { return detail::byteSum16UpdateWith(detail::ByteSumKernel::Portable, 0, d); });
}
void ByteSum16Sse2(benchmark::State& state)
{
    runOverImage(state,
                 [](auto d) { return detail::byteSum16UpdateWith(detail::ByteSumKernel::Sse2, 0, d); });
}
// Both image checksums in 1 MiB pieces, as the catalogue load streams a file (each piece stays in cache).
void ImageChecksumsInMebibyteChunks(benchmark::State& state)
{
    runOverImage(state, [](auto d) {
        std::uint16_t crc = 0, sum = 0;
        for (std::size_t at = 0; at < d.size(); at += 1u << 20) {
            const auto piece = d.subspan(at, std::min<std::size_t>(1u << 20, d.size() - at));
            sum = byteSum16Update(sum, piece);
            crc = crc16Update(crc, piece);
        }
        return std::uint32_t{crc} << 16 | sum;
    });
}
void Crc32UpdateReference(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return reference::crc32UpdateLong(0, d); });
}
// In 32 KiB pieces, since crc32Update takes a 16-bit length.
template <typename Update> std::uint32_t crc32InPieces(std::span<const std::uint8_t> d, Update update)
{
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < d.size(); at += 32768)
        crc = update(crc, d.subspan(at, std::min<std::size_t>(32768, d.size() - at)));
    return crc;
}
void Crc32UpdateSlicing(benchmark::State& state)
{
    runOverImage(state, [](auto d) {
        return crc32InPieces(d, [](std::uint32_t crc, auto piece) {
            return detail::crc32UpdateWith(detail::CrcKernel::Slicing, crc, piece);
        });
    });
}
void Crc32UpdatePclmul(benchmark::State& state)
{
    runOverImage(state, [](auto d) {
        return crc32InPieces(d, [](std::uint32_t crc, auto piece) {
            return detail::crc32UpdateWith(detail::CrcKernel::Pclmul, crc, piece);
        });
    });
}
void Crc32UpdateFast(benchmark::State& state)
{
    runOverImage(state, [](auto d) { return crc32InPieces(d, crc32Update); });
}
// Key derivation over a 4 MiB image, the COO's last two digits (and so the sampling offset) changing
// from one key to the next as in a batch of distinct codes.
constexpr std::size_t keyImageSize = 4u << 20;

template <typename Derive> void deriveKeys(benchmark::State& state, Derive derive)
{
    const std::uint8_t serial[6] = {4, 2, 0, 2, 0, 11};
    const std::uint8_t timestamp[8] = {4, 8, 2, 3, 1, 8, 11, 14};
    const std::uint8_t checksum[4] = {1, 2, 3, 4};
    std::uint8_t coo[6] = {0, 0, 0, 0, 0, 0};
    unsigned n = 0;
    for (auto _ : state) {
        coo[4] = static_cast<std::uint8_t>(n / 10 % 10);
        coo[5] = static_cast<std::uint8_t>(n % 10);
        ++n;
        benchmark::DoNotOptimize(derive(KeyFields{coo, serial, timestamp, checksum}));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void DeriveKeyPlain(benchmark::State& state)
{
    const auto image = std::span(::image()).first(keyImageSize);
    deriveKeys(state, [image](const KeyFields& f) { return deriveKeyDigits(image, f); });
}

void DeriveKeyPrepared(benchmark::State& state)
{
    const auto prepared = PreparedImage::prepare(std::span(image()).first(keyImageSize));
    deriveKeys(state, [&prepared](const KeyFields& f) { return deriveKeyDigits(*prepared, f); });
}

// The one-off cost of the prepared form (transposition and CRC-16), per image.
void PrepareImage(benchmark::State& state)
{
    const auto data = std::span(image()).first(keyImageSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(PreparedImage::prepare(data));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}

} // namespace

BENCHMARK(Crc16Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc16Slicing)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc16Pclmul)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc16Fast)->Unit(benchmark::kMillisecond);
BENCHMARK(ByteSum16Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(ByteSum16Portable)->Unit(benchmark::kMillisecond);
BENCHMARK(ByteSum16Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(ByteSum16Fast)->Unit(benchmark::kMillisecond);
BENCHMARK(ImageChecksumsInMebibyteChunks)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32UpdateReference)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32UpdateSlicing)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32UpdatePclmul)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32UpdateFast)->Unit(benchmark::kMillisecond);
BENCHMARK(DeriveKeyPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(DeriveKeyPrepared)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareImage)->Unit(benchmark::kMillisecond);
