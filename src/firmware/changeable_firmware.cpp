#include "firmware/changeable_firmware.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/folder_index.h"
#include "firmware/workspace.h"
#include "text/text_encoding.h"

#include <cstdio>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_set>

namespace morvanex {
namespace {

constexpr std::string_view warningPrefix =
    "morvanex-cli: warning: approved firmware can be changed by other users: ";
constexpr std::string_view changeableText =
    "Atenção: o firmware homologado pode ser alterado por outros usuários deste computador:\n\n%s\n\n"
    "Quem puder alterá-lo pode gerar códigos que o Morvanex aceitará como autênticos. "
    "Peça ao administrador que somente ele possa alterar essas pastas e arquivos.";
// More names than fit a message box are counted instead.
constexpr std::size_t namesShown = 10;
// As many steps through links as the system itself takes before it gives up.
constexpr int linkSteps = 40;

std::string utf8Spelling(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return std::string(reinterpret_cast<const char*>(name.data()), name.size());
}

// A name in one line: control characters written as \xHH, so that no name can make a line of its own.
std::string oneLine(std::string_view text)
{
    std::string line;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else
            line += c;
    }
    return line;
}

class Survey
{
public:
    // What path names and, when it is a link, the folder each step of the link leads into: whoever
    // may change that folder may put another file in the link's place.
    void lookThrough(const std::filesystem::path& path)
    {
        look(path);
        std::filesystem::path step = path;
        for (int i = 0; i < linkSteps; ++i) {
            std::error_code error;
            if (!std::filesystem::is_symlink(step, error))
                break;
            const std::filesystem::path target = std::filesystem::read_symlink(step, error);
            if (error)
                break;
            step = target.is_absolute() ? target : step.parent_path() / target;
            const std::filesystem::path folder = step.parent_path();
            std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
            look(error ? folder.lexically_normal() : real);
        }
    }

    std::vector<std::filesystem::path> paths;

private:
    void look(const std::filesystem::path& path)
    {
        if (path.empty() || !m_seen.insert(path.lexically_normal().native()).second)
            return;
        if (changeableByOthers(path))
            paths.push_back(path);
    }

    // By spelling: a set of paths compares them part by part, which for the thousands of descriptors a
    // workspace may hold cost more than looking at the files.
    std::unordered_set<std::filesystem::path::string_type> m_seen;
};

} // namespace

ChangeableFirmware changeableFirmware(const Workspace& workspace, const FirmwareCatalogue& catalogue)
{
    Survey survey;
    survey.lookThrough(workspace.root());
    const std::filesystem::path descriptors = workspace.descriptorFolder();
    const std::filesystem::path images = workspace.imageFolder();
    survey.lookThrough(descriptors);
    survey.lookThrough(images);
    for (const std::string& name : listFolder(descriptors, ".txt"))
        if (name.front() != '[') // a sub-folder gives an empty row and is never read
            survey.lookThrough(descriptors / entryPath(name));
    std::set<std::string_view> names; // many rows may name one image
    for (const FirmwareRecord& row : catalogue.rows) {
        if (!names.insert(row.fileName).second)
            continue;
        const auto image = workspace.imagePath(row.fileName);
        if (!image)
            continue;
        // The image's own folders below Bin, from the top down, then the image.
        std::filesystem::path folder = images;
        for (const std::filesystem::path& part : image->lexically_relative(images).parent_path()) {
            folder /= part;
            survey.lookThrough(folder);
        }
        survey.lookThrough(*image);
    }
    ChangeableFirmware result;
    result.paths = std::move(survey.paths);
    result.warning = changeableFirmwareWarning(result.paths);
    result.message = changeableFirmwareMessage(result.paths);
    return result;
}

std::string changeableFirmwareWarning(const std::vector<std::filesystem::path>& paths)
{
    std::string warning;
    for (const std::filesystem::path& path : paths)
        warning += std::string(warningPrefix) + oneLine(utf8Spelling(path)) + "\n";
    return warning;
}

std::string changeableFirmwareMessage(const std::vector<std::filesystem::path>& paths)
{
    if (paths.empty())
        return {};
    std::string names;
    for (std::size_t i = 0; i < paths.size() && i < namesShown; ++i) {
        if (i)
            names += '\n';
        names += windows1252Name(oneLine(utf8Spelling(paths[i])));
    }
    if (paths.size() > namesShown)
        names += cp1252("\ne mais " + std::to_string(paths.size() - namesShown) + " arquivos ou pastas");
    return cp1252Message(changeableText, names);
}

} // namespace morvanex
