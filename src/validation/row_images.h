#pragma once

#include "footer/footer_decoder.h"
#include "footer/prepared_image.h"
#include "text/input_file.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace morvanex {

class FirmwareRecord;
class Workspace;

// Where a suggestion search finds the prepared images of the rows it tries. A search asks for each
// image at most once, and holds two at a time beyond those kept: the one it decodes with, and the one
// before, to see whether they are the same bytes.
class RowImages
{
public:
    virtual ~RowImages() = default;

    // The identity of the row's image file as it is now; nothing when it cannot be opened. Rows whose
    // files have one identity and one byte order share one image.
    virtual std::optional<FileIdentity> identify(const FirmwareRecord& row) = 0;
    // Whether that image is held already, so that trying it needs no preparation.
    virtual bool holds(const FileIdentity& identity, bool swapped) const = 0;
    // The row's image, held or prepared now; null when it cannot be had or once stop is requested.
    virtual PreparedImageRef image(const FirmwareRecord& row, std::stop_token stop) = 0;

    // Images prepared so far; one that was held does not count.
    std::size_t preparations() const { return m_preparations; }

protected:
    std::size_t m_preparations = 0;
};

// Images read afresh for one search and kept by nobody; the memory of one the search let go of serves
// the next. They read the workspace and nothing else, so a search with them may run on a thread of
// its own.
class FreshImages : public RowImages
{
public:
    explicit FreshImages(const Workspace& workspace) : m_workspace(workspace) {}

    std::optional<FileIdentity> identify(const FirmwareRecord& row) override;
    bool holds(const FileIdentity&, bool) const override { return false; }
    PreparedImageRef image(const FirmwareRecord& row, std::stop_token stop) override;

private:
    const Workspace& m_workspace;
    ImagePreparer m_preparer;
    std::shared_ptr<PreparedImage> m_last;   // given out last
    std::shared_ptr<PreparedImage> m_before; // and the one before
};

// The rest of an open image file prepared as it is read, byte pairs swapped for the byte-swapped
// models; nothing when it cannot be read or held in memory (reason, when given, says why) or once
// stop is requested (reason untouched).
std::optional<PreparedImage> prepareImageFile(InputFile& file, bool swapped, ImagePreparer& preparer,
                                              std::stop_token stop, std::string* reason = nullptr);

} // namespace morvanex
