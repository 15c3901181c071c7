#include "firmware/firmware_catalogue.h"

#include "firmware/folder_index.h"
#include "firmware/operator_prompts.h"
#include "firmware/workspace.h"
#include "firmware/workspace_image_checksums.h"

#include <algorithm>
#include <string>
#include <thread>
#include <utility>

namespace morvanex {
namespace {

// Notes what a descriptor asks for without reading any image or telling the operator anything.
class RequestRecorder : public ImageChecksumSource, public OperatorPrompts
{
public:
    std::vector<std::pair<std::string, ImageChecksum>> requests;

    std::optional<std::uint16_t> checksum(std::string_view fileName, ImageChecksum which) override
    {
        requests.emplace_back(std::string(fileName), which);
        return std::nullopt;
    }
    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int>) override { return -1; }
    bool confirmCnpj(std::string_view) override { return false; }
};

} // namespace

void loadCatalogue(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
{
    const auto folder = workspace.descriptorFolder();
    const std::vector<std::string> names = listFolder(folder, ".txt");
    catalogue.rows.assign(names.size(), FirmwareRecord{});

    WorkspaceImageChecksums images(workspace);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    if (threads > 1 && names.size() > 1) {
        // Read the images on every core first; the procedures below then find most of them unchanged.
        RequestRecorder recorder;
        for (const auto& name : names)
            FirmwareRecord().loadDescriptor(folder / entryPath(name), recorder, recorder);
        images.computeAhead(recorder.requests, threads);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        catalogue.rows[i].loadDescriptor(folder / entryPath(names[i]), images, prompts);
}

} // namespace morvanex
