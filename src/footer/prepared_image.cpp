#include "footer/prepared_image.h"

#include "footer/checksum.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <iterator>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MORVANEX_PREPARE_SSE2 1
#endif

namespace morvanex {
namespace {

constexpr std::size_t groupChunks = 16;                        // 64-byte chunks of the image per step
constexpr std::size_t groupBytes = groupChunks * sampleStride; // image bytes per step
constexpr std::size_t cacheLine = 64;
static_assert(sampleSize % groupChunks == 0);

// Where the system offers pages this large, a stream of a 4 MiB image lies in one page instead of
// sixteen, and reading it costs one address translation.
constexpr std::size_t hugePage = std::size_t{2} << 20;

// Memory for the streams, aligned to a huge page; on Linux the whole huge pages in it are asked for as
// such (the tail stays in small pages, so nothing beyond size is ever taken).
std::uint8_t* allocateStreams(std::size_t size)
{
    void* p = ::operator new(size, std::align_val_t{hugePage}, std::nothrow);
#ifdef __linux__
    if (p && size >= hugePage)
        madvise(p, size / hugePage * hugePage, MADV_HUGEPAGE);
#endif
    return static_cast<std::uint8_t*>(p);
}

#ifdef MORVANEX_PREPARE_SSE2

// Transposes 16 rows of 16 bytes. Each round maps the bit address r3 r2 r1 r0 c3 c2 c1 c0 of a byte
// (row, column) to r2 r1 r0 c3 c2 c1 c0 r3, a rotation by one; four rounds exchange row and column.
void transpose16x16(__m128i (&x)[16])
{
    for (int round = 0; round < 4; ++round) {
        __m128i y[16];
        for (std::size_t k = 0; k < 8; ++k) {
            y[2 * k] = _mm_unpacklo_epi8(x[k], x[k + 8]);
            y[2 * k + 1] = _mm_unpackhi_epi8(x[k], x[k + 8]);
        }
        std::copy(std::begin(y), std::end(y), std::begin(x));
    }
}

// Chunks j..j+15 of the image (group) become samples j..j+15 of every stream.
void scatterGroup(const std::uint8_t* group, std::uint8_t* streams, std::size_t streamStride, std::size_t j)
{
    for (std::size_t column = 0; column < sampleStride; column += 16) {
        __m128i rows[16];
        for (std::size_t i = 0; i < 16; ++i)
            rows[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group + i * sampleStride + column));
        transpose16x16(rows);
        for (std::size_t c = 0; c < 16; ++c)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(streams + (column + c) * streamStride + j), rows[c]);
    }
}

#else

void scatterGroup(const std::uint8_t* group, std::uint8_t* streams, std::size_t streamStride, std::size_t j)
{
    for (std::size_t offset = 0; offset < sampleStride; ++offset)
        for (std::size_t i = 0; i < groupChunks; ++i)
            streams[offset * streamStride + j + i] = group[i * sampleStride + offset];
}

#endif

} // namespace

std::optional<PreparedImage> PreparedImage::prepare(std::span<const std::uint8_t> image)
{
    PreparedImage prepared;
    prepared.m_length = image.size();
    prepared.m_crc16 = ChecksumCalculator().crc16(image);
    prepared.m_streamLength = (image.size() + blockSpan - 1) / blockSpan * sampleSize;
    if (prepared.m_streamLength == 0)
        return prepared;
    // Streams one cache line apart from a multiple of the page, so that writing all 64 at once does not
    // make them evict one another from the same cache set.
    prepared.m_streamStride = prepared.m_streamLength + cacheLine;
    prepared.m_streams.reset(allocateStreams(prepared.memoryBytes()));
    if (!prepared.m_streams)
        return std::nullopt;

    std::uint8_t* streams = prepared.m_streams.get();
    const std::size_t stride = prepared.m_streamStride;
    std::size_t j = 0; // next sample of every stream
    for (; (j + groupChunks) * sampleStride <= image.size(); j += groupChunks)
        scatterGroup(image.data() + j * sampleStride, streams, stride, j);
    // The last, partial group as if the image went on with zeros.
    if (j * sampleStride < image.size()) {
        std::array<std::uint8_t, groupBytes> rest{};
        std::copy(image.begin() + static_cast<std::ptrdiff_t>(j * sampleStride), image.end(), rest.begin());
        scatterGroup(rest.data(), streams, stride, j);
        j += groupChunks;
    }
    // A stream holds whole blocks, a multiple of the group, so j has not passed its end.
    for (std::size_t offset = 0; offset < sampleStride; ++offset)
        std::fill(streams + offset * stride + j, streams + offset * stride + prepared.m_streamLength,
                  std::uint8_t{0});
    return prepared;
}

void PreparedImage::Release::operator()(std::uint8_t* p) const
{
    ::operator delete(p, std::align_val_t{hugePage});
}

std::span<const std::uint8_t> PreparedImage::stream(std::size_t offset) const
{
    assert(offset < sampleStride);
    if (!m_streams) // an empty image has no blocks
        return {};
    return {m_streams.get() + offset * m_streamStride, m_streamLength};
}

} // namespace morvanex
