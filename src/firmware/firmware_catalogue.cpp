#include "firmware/firmware_catalogue.h"

#include "firmware/operator_prompts.h"
#include "firmware/workspace.h"

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <utility>

namespace morvanex {
namespace {

using ImageRequest = std::pair<std::string, bool>; // file name, swapped

// Notes what a descriptor asks for without reading any image or telling the operator anything.
class RequestRecorder : public ImageChecksumSource, public OperatorPrompts
{
public:
    std::vector<ImageRequest> requests;

    ImageChecksums checksums(std::string_view fileName, bool swapped) override
    {
        requests.emplace_back(std::string(fileName), swapped);
        return {};
    }
    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int>) override { return -1; }
    bool confirmCnpj(std::string_view) override { return false; }
};

// Answers from checksums computed ahead, falling back to reading the image.
class PrecomputedChecksums : public ImageChecksumSource
{
public:
    PrecomputedChecksums(std::map<ImageRequest, ImageChecksums> known, ImageChecksumSource& fallback)
        : m_known(std::move(known)), m_fallback(fallback)
    {
    }
    ImageChecksums checksums(std::string_view fileName, bool swapped) override
    {
        const auto it = m_known.find({std::string(fileName), swapped});
        return it != m_known.end() ? it->second : m_fallback.checksums(fileName, swapped);
    }

private:
    std::map<ImageRequest, ImageChecksums> m_known;
    ImageChecksumSource& m_fallback;
};

std::map<ImageRequest, ImageChecksums> computeInParallel(const std::vector<ImageRequest>& requests,
                                                         ImageChecksumSource& source, unsigned threads)
{
    std::vector<ImageChecksums> results(requests.size());
    std::atomic<std::size_t> next{0};
    // WorkspaceImageChecksums keeps no state, so workers may share it.
    auto work = [&] {
        for (std::size_t i; (i = next++) < requests.size();)
            results[i] = source.checksums(requests[i].first, requests[i].second);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
    std::map<ImageRequest, ImageChecksums> known;
    for (std::size_t i = 0; i < requests.size(); ++i)
        known.emplace(requests[i], results[i]);
    return known;
}

} // namespace

void loadCatalogue(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
{
    const auto folder = workspace.descriptorFolder();
    const std::vector<std::string> names = listFolder(folder, ".txt");
    catalogue.rows.assign(names.size(), FirmwareRecord{});

    WorkspaceImageChecksums images(workspace);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::map<ImageRequest, ImageChecksums> known;
    if (threads > 1 && names.size() > 1) {
        RequestRecorder recorder;
        for (const auto& name : names)
            FirmwareRecord().loadDescriptor(folder / name, recorder, recorder);
        std::sort(recorder.requests.begin(), recorder.requests.end());
        recorder.requests.erase(std::unique(recorder.requests.begin(), recorder.requests.end()),
                                recorder.requests.end());
        known = computeInParallel(recorder.requests, images, threads);
    }
    PrecomputedChecksums source(std::move(known), images);
    for (std::size_t i = 0; i < names.size(); ++i)
        catalogue.rows[i].loadDescriptor(folder / names[i], source, prompts);
}

} // namespace morvanex
