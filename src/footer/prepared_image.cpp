#include "footer/prepared_image.h"

#include "footer/checksum.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <iterator>
#include <new>
#include <utility>

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
static_assert(ImagePreparer::groupBytes == groupChunks * sampleStride); // image bytes per step
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

std::size_t streamLengthFor(std::size_t length)
{
    return (length + blockSpan - 1) / blockSpan * sampleSize;
}

// A spare at most this much larger than an image needs is taken for it rather than kept aside.
constexpr std::size_t spareSlack = 4; // a quarter

} // namespace

std::size_t PreparedImage::memoryFor(std::size_t length)
{
    const std::size_t streamLength = streamLengthFor(length);
    return streamLength ? (streamLength + cacheLine) * sampleStride : 0;
}

std::optional<PreparedImage> PreparedImage::prepare(std::span<const std::uint8_t> image)
{
    ImagePreparer preparer;
    if (!preparer.begin(image.size()) || !preparer.add(image))
        return std::nullopt;
    return preparer.finish();
}

bool ImagePreparer::begin(std::size_t length)
{
    m_added = 0;
    m_groups = 0;
    m_crc = 0;
    m_partialBytes = 0;
    m_image = PreparedImage();
    const std::size_t needed = PreparedImage::memoryFor(length);
    if (needed && m_spare.m_capacity >= needed && m_spare.m_capacity - needed <= needed / spareSlack) {
        m_image.m_streams = std::move(m_spare.m_streams);
        m_image.m_capacity = m_spare.m_capacity;
    } else if (needed) {
        m_image.m_streams.reset(allocateStreams(needed));
        if (!m_image.m_streams)
            return false;
        m_image.m_capacity = needed;
    }
    m_spare = PreparedImage(); // a spare that did not fit would only hold memory
    m_image.m_streamLength = streamLengthFor(length);
    // Streams one cache line apart from a multiple of the page, so that writing all 64 at once does not
    // make them evict one another from the same cache set.
    m_image.m_streamStride = needed ? m_image.m_streamLength + cacheLine : 0;
    return true;
}

bool ImagePreparer::add(std::span<const std::uint8_t> bytes)
{
    m_crc = crc16Update(m_crc, bytes);
    m_added += bytes.size();
    if (m_partialBytes) {
        const std::size_t take = std::min(groupBytes - m_partialBytes, bytes.size());
        std::copy_n(bytes.begin(), take, m_partial.begin() + static_cast<std::ptrdiff_t>(m_partialBytes));
        m_partialBytes += take;
        bytes = bytes.subspan(take);
        if (m_partialBytes < groupBytes)
            return true;
        m_partialBytes = 0;
        if (!scatterNext(m_partial.data()))
            return false;
    }
    for (; bytes.size() >= groupBytes; bytes = bytes.subspan(groupBytes))
        if (!scatterNext(bytes.data()))
            return false;
    std::copy(bytes.begin(), bytes.end(), m_partial.begin());
    m_partialBytes = bytes.size();
    return true;
}

std::optional<PreparedImage> ImagePreparer::finish()
{
    // The last, partial group as if the image went on with zeros.
    if (m_partialBytes) {
        std::fill(m_partial.begin() + static_cast<std::ptrdiff_t>(m_partialBytes), m_partial.end(),
                  std::uint8_t{0});
        m_partialBytes = 0;
        if (!scatterNext(m_partial.data()))
            return std::nullopt;
    }
    // Streams hold whole blocks, a multiple of the group, and were laid out or grown by whole blocks,
    // so the samples scattered have not passed the end of the image's blocks.
    const std::size_t j = m_groups * groupChunks;
    const std::size_t streamLength = streamLengthFor(m_added);
    std::uint8_t* streams = m_image.m_streams.get();
    for (std::size_t offset = 0; offset < sampleStride && j < streamLength; ++offset)
        std::fill(streams + offset * m_image.m_streamStride + j,
                  streams + offset * m_image.m_streamStride + streamLength, std::uint8_t{0});
    m_image.m_length = m_added;
    m_image.m_crc16 = m_crc;
    m_image.m_streamLength = streamLength;
    return std::exchange(m_image, PreparedImage());
}

void ImagePreparer::recycle(PreparedImage&& image)
{
    m_spare = std::move(image); // the latest, likeliest the size of the next
}

bool ImagePreparer::scatterNext(const std::uint8_t* group)
{
    const std::size_t j = m_groups * groupChunks;
    if (j + groupChunks > m_image.m_streamLength && !grow())
        return false;
    scatterGroup(group, m_image.m_streams.get(), m_image.m_streamStride, j);
    ++m_groups;
    return true;
}

// The image goes on past the length it was begun with: twice the blocks, or one block more.
bool ImagePreparer::grow()
{
    const std::size_t length = std::max(2 * m_image.m_streamLength, m_image.m_streamLength + sampleSize);
    const std::size_t stride = length + cacheLine;
    std::unique_ptr<std::uint8_t[], PreparedImage::Release> streams(allocateStreams(stride * sampleStride));
    if (!streams)
        return false;
    const std::size_t j = m_groups * groupChunks;
    for (std::size_t offset = 0; offset < sampleStride && j; ++offset)
        std::copy_n(m_image.m_streams.get() + offset * m_image.m_streamStride, j,
                    streams.get() + offset * stride);
    m_image.m_streams = std::move(streams);
    m_image.m_capacity = stride * sampleStride;
    m_image.m_streamLength = length;
    m_image.m_streamStride = stride;
    return true;
}

bool PreparedImage::decodesAs(const PreparedImage& other) const
{
    if (m_crc16 != other.m_crc16 || m_streamLength != other.m_streamLength)
        return false;
    for (std::size_t offset = 0; offset < sampleStride; ++offset) {
        const auto mine = stream(offset);
        if (!std::equal(mine.begin(), mine.end(), other.stream(offset).begin()))
            return false;
    }
    return true;
}

void PreparedImage::Release::operator()(std::uint8_t* p) const
{
    ::operator delete(p, std::align_val_t{hugePage});
}

std::span<const std::uint8_t> PreparedImage::stream(std::size_t offset) const
{
    assert(offset < sampleStride);
    if (!m_streamLength) // an empty image has no blocks
        return {};
    return {m_streams.get() + offset * m_streamStride, m_streamLength};
}

} // namespace morvanex
