#include "firmware/input_file.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

std::string lastErrorText()
{
#ifdef _WIN32
    return std::system_category().message(static_cast<int>(GetLastError()));
#else
    return std::generic_category().message(errno);
#endif
}

#ifdef _WIN32
constexpr std::int64_t fileTimeTo1970 = 116444736000000000; // 100 ns ticks from 1601 to 1970
const HANDLE noHandle = INVALID_HANDLE_VALUE;

std::optional<FileIdentity> identityOfHandle(HANDLE handle, bool& ordinary)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    ordinary = (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
               GetFileType(handle) == FILE_TYPE_DISK;
    const std::int64_t ticks = (static_cast<std::int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                               info.ftLastWriteTime.dwLowDateTime;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                        (ticks - fileTimeTo1970) * 100};
}

HANDLE openHandle(const std::filesystem::path& path, DWORD access)
{
    // Other readers may share the file; a program writing it keeps us out, as the message says.
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
#else
const int noHandle = -1;

FileIdentity identityOfStat(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
#endif

} // namespace

bool isSettled(const FileIdentity& identity)
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return identity.modifiedNs <=
           std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - settleNs;
}

std::string notEnoughMemory(std::uint64_t bytes)
{
    return "not enough memory to hold its " + std::to_string(bytes) + " bytes";
}

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
#ifdef _WIN32
    const HANDLE handle = openHandle(path, FILE_READ_ATTRIBUTES);
    if (handle == noHandle)
        return std::nullopt;
    bool ordinary = false;
    const auto identity = identityOfHandle(handle, ordinary);
    CloseHandle(handle);
    return identity;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return identityOfStat(st);
#endif
}

std::optional<InputFile> InputFile::open(const std::filesystem::path& path, std::string* reason)
{
#ifdef _WIN32
    const HANDLE handle = openHandle(path, GENERIC_READ);
    if (handle == noHandle) {
        setReason(reason, lastErrorText());
        return std::nullopt;
    }
    bool ordinary = false;
    const auto identity = identityOfHandle(handle, ordinary);
#else
    // Non-blocking, so that opening a FIFO does not wait for a writer; reads of an ordinary file
    // block as usual.
    const int handle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        setReason(reason, lastErrorText());
        return std::nullopt;
    }
    struct stat st;
    const bool examined = ::fstat(handle, &st) == 0;
    const bool ordinary = examined && S_ISREG(st.st_mode);
    const auto identity = examined ? std::optional(identityOfStat(st)) : std::nullopt;
#endif
    if (!identity || !ordinary) {
        setReason(reason, identity ? "not an ordinary file" : lastErrorText());
        InputFile(handle, {}).close();
        return std::nullopt;
    }
    return InputFile(handle, *identity);
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

void InputFile::close()
{
    if (m_handle == noHandle)
        return;
#ifdef _WIN32
    CloseHandle(m_handle);
#else
    ::close(m_handle);
#endif
    m_handle = noHandle;
}

std::optional<std::size_t> InputFile::read(std::span<std::uint8_t> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
#ifdef _WIN32
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(
            std::min<std::size_t>(buffer.size() - filled, std::numeric_limits<DWORD>::max()));
        if (!ReadFile(m_handle, buffer.data() + filled, wanted, &got, nullptr))
            return std::nullopt;
#else
        const ssize_t got = ::read(m_handle, buffer.data() + filled, buffer.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
#endif
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
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
            setReason(reason, "read error: " + lastErrorText());
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
