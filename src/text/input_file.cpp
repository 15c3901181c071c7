#include "text/input_file.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <stdexcept>
#include <utility>

namespace morvanex {
namespace {

constexpr std::size_t tailChunk = 65536;
// Longer than the coarsest tick that stamps changes on the systems we run on (a scheduler tick on
// Linux, 15.6 ms on Windows).
constexpr std::int64_t settleNs = 50'000'000;

void setReason(std::string* reason, std::string text)
{
    if (reason)
        *reason = std::move(text);
}

} // namespace

bool isSettled(const FileIdentity& identity)
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::max(identity.modifiedNs, identity.changedNs) <=
           std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - settleNs;
}

std::string notEnoughMemory(std::uint64_t bytes)
{
    return "not enough memory to hold its " + std::to_string(bytes) + " bytes";
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, noHandle)), m_identity(other.m_identity),
      m_settled(other.m_settled)
{
}

InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, noHandle);
        m_identity = other.m_identity;
        m_settled = other.m_settled;
    }
    return *this;
}

InputFile::~InputFile()
{
    close();
}

std::optional<std::vector<std::uint8_t>> InputFile::readAll(std::string* reason)
{
    std::vector<std::uint8_t> bytes;
    bool tooLarge = false;
    try {
        bytes.resize(static_cast<std::size_t>(m_identity.size));
        auto got = read(bytes);
        if (got && *got < bytes.size()) {
            bytes.resize(*got); // shrank since it was opened
        } else if (got) {
            // The file may have grown since it was opened: read on to its end.
            std::vector<std::uint8_t> more(tailChunk);
            for (std::size_t tail = more.size(); got && tail == more.size();) {
                got = read(more);
                tail = got.value_or(0);
                bytes.insert(bytes.end(), more.begin(), more.begin() + static_cast<std::ptrdiff_t>(tail));
            }
        }
        if (!got) {
            setReason(reason, "read error: " + lastError());
            return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        tooLarge = true;
    } catch (const std::length_error&) {
        tooLarge = true;
    }
    if (tooLarge) {
        setReason(reason, notEnoughMemory(m_identity.size));
        return std::nullopt;
    }
    return bytes;
}

} // namespace morvanex
