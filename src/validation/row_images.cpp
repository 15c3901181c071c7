#include "validation/row_images.h"

#include "firmware/firmware_record.h"
#include "firmware/image_file.h"
#include "firmware/workspace.h"

#include <algorithm>
#include <vector>

namespace morvanex {
namespace {

// Bytes read at a time: large enough for few system calls, small enough to stay in cache until
// prepared, and to see a stop within a millisecond or so. Even, so byte pairs never straddle two.
constexpr std::size_t pieceBytes = std::size_t{1} << 20;

} // namespace

std::optional<FileIdentity> FreshImages::identify(const FirmwareRecord& row)
{
    const auto file = m_workspace.openImage(row.fileName);
    return file ? std::optional(file->identity()) : std::nullopt;
}

PreparedImageRef FreshImages::image(const FirmwareRecord& row, std::stop_token stop)
{
    // The memory of one the search has let go of serves this one.
    for (auto* given : {&m_before, &m_last})
        if (*given && given->use_count() == 1)
            m_preparer.recycle(std::move(**given));
    m_before = std::move(m_last);
    auto file = m_workspace.openImage(row.fileName);
    if (!file || stop.stop_requested())
        return nullptr;
    ++m_preparations;
    auto prepared = prepareImageFile(*file, row.byteSwapped != 0, m_preparer, stop);
    if (!prepared)
        return nullptr;
    m_last = std::make_shared<PreparedImage>(std::move(*prepared));
    return m_last;
}

std::optional<PreparedImage> prepareImageFile(InputFile& file, bool swapped, ImagePreparer& preparer,
                                              std::stop_token stop, std::string* reason)
{
    const std::uint64_t size = file.identity().size;
    const auto tooLarge = [reason, size] {
        if (reason)
            *reason = notEnoughMemory(size);
        return std::nullopt;
    };
    if (size > SIZE_MAX / 2 || !preparer.begin(static_cast<std::size_t>(size)))
        return tooLarge();
    // A piece larger than the file, to see its end in one read; the file may have grown since.
    std::vector<std::uint8_t> piece(
        std::min(pieceBytes, (static_cast<std::size_t>(size) + 2) & ~std::size_t{1}));
    for (std::size_t got = piece.size(); got == piece.size();) {
        if (stop.stop_requested())
            return std::nullopt;
        const auto read = file.read(piece);
        if (!read) {
            if (reason)
                *reason = "read error: " + InputFile::lastError();
            return std::nullopt;
        }
        got = *read;
        const auto bytes = std::span(piece).first(got);
        if (swapped)
            swapBytePairs(bytes);
        if (!preparer.add(bytes))
            return tooLarge();
    }
    auto image = preparer.finish();
    if (!image)
        return tooLarge();
    return image;
}

} // namespace morvanex
