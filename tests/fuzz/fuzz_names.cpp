// Any bytes as the image name of a descriptor: what opens is a regular file inside Bin, or one a link
// standing inside Bin leads to; never a device, a FIFO or a folder; and a name resolves the same way
// every time.
#include "firmware/workspace.h"
#include "text/input_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Fixture
{
    fs::path root;
    std::set<std::pair<std::uint64_t, std::uint64_t>> allowed; // device and file number

    Fixture()
    {
        root = fs::temp_directory_path() / ("morvanex-fuzz-names-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "Bin/Sub/Deeper");
        fs::create_directories(root / "Bin/dir.bin");
        fs::create_directories(root / "TXT");
        for (const char* file : {"Bin/a.bin", "Bin/Sub/f4.bin", "Bin/Sub/Deeper/x", "Bin/CAF\xC3\x89.BIN",
                                 "Bin/R\xC9.BIN", "Bin/com1.bin", "outside.bin", "TXT/a.txt"})
            std::ofstream(root / file) << file;
        ::mkfifo((root / "Bin/fifo.bin").c_str(), 0644);
        fs::create_symlink(root / "outside.bin", root / "Bin/link.bin");
        fs::create_symlink("/dev/null", root / "Bin/null.bin");
        fs::create_symlink(root / "Bin/fifo.bin", root / "Bin/fifolink.bin");
        fs::create_symlink(root / "TXT", root / "Bin/txtlink");
        // What may open: the regular files inside Bin and those its links lead to. com1.bin is there
        // but must not open: Windows would take it for a device.
        for (const char* file : {"Bin/a.bin", "Bin/Sub/f4.bin", "Bin/Sub/Deeper/x", "Bin/CAF\xC3\x89.BIN",
                                 "Bin/R\xC9.BIN", "outside.bin", "TXT/a.txt"}) {
            const auto identity = morvanex::identityOf(root / file);
            check(identity.has_value());
            allowed.emplace(identity->device, identity->inode);
        }
    }
    ~Fixture() { fs::remove_all(root); }
};

std::optional<std::pair<std::uint64_t, std::uint64_t>> opened(const morvanex::Workspace& workspace,
                                                              std::string_view name)
{
    auto file = workspace.openImage(name);
    if (!file)
        return std::nullopt;
    return std::pair(file->identity().device, file->identity().inode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Fixture fixture;
    const morvanex::Workspace workspace(fixture.root);
    const std::string_view name(reinterpret_cast<const char*>(data), size);

    const auto first = opened(workspace, name);
    if (first)
        check(fixture.allowed.contains(*first));
    check(opened(workspace, name) == first);
    // A path it gives stays under Bin, as spelled.
    if (const auto path = workspace.imagePath(name)) {
        const auto relative = path->lexically_relative(workspace.imageFolder());
        check(!relative.empty() && *relative.begin() != "..");
    }
    return 0;
}
