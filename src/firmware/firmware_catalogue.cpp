#include "firmware/firmware_catalogue.h"

#include "firmware/folder_index.h"
#include "firmware/catalogue_prompts.h"
#include "firmware/workspace.h"
#include "firmware/workspace_image_checksums.h"
#include "text/thread_sync.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace morvanex {
namespace {

// The rows' image checksums computed ahead on other threads while the calling thread runs the
// procedures in catalogue order. Descriptors are taken in catalogue order by every thread: the calling
// thread, before each row, takes the next ones itself until that row's have been computed, so it waits
// only for the last few, not while work is left.
class ChecksumsAhead
{
public:
    ChecksumsAhead(WorkspaceImageChecksums& images, const std::vector<std::filesystem::path>& descriptors,
                   unsigned helpers)
        : m_images(images), m_descriptors(descriptors), m_done(descriptors.size(), 0)
    {
        for (unsigned t = 0; t < helpers; ++t) {
            try {
                m_threads.emplace_back([this] {
                    try {
                        const WorkspaceImageChecksums::ReadBuffer buffer;
                        while (takeNext(buffer)) {
                        }
                    } catch (const std::bad_alloc&) {
                        // No buffer: the others, and the procedures themselves, do the work.
                    }
                });
            } catch (const std::system_error&) {
                break; // the system gives no more threads: those started, and this one, do the rest
            }
        }
    }
    ChecksumsAhead(const ChecksumsAhead&) = delete;
    ChecksumsAhead& operator=(const ChecksumsAhead&) = delete;
    ~ChecksumsAhead()
    {
        m_next = m_descriptors.size(); // nothing more is taken
        for (auto& thread : m_threads)
            thread.join();
    }

    // Returns once the row's descriptor has been computed ahead; for the calling thread.
    void awaitRow(std::size_t row)
    {
        std::unique_lock lock(m_mutex);
        while (!m_done[row]) {
            lock.unlock();
            const bool took = takeNext(m_buffer);
            lock.lock();
            if (!took)
                m_doneChanged.wait(lock, [&] { return m_done[row] != 0; });
        }
    }

private:
    // Computes the next descriptor nobody has taken; false when there is none.
    bool takeNext(const WorkspaceImageChecksums::ReadBuffer& buffer)
    {
        const std::size_t i = m_next++;
        if (i >= m_descriptors.size())
            return false;
        try {
            m_images.computeAhead(m_descriptors[i], buffer);
        } catch (const std::exception&) {
            // Values ahead only save time: the procedures compute what is missing.
        }
        {
            const std::lock_guard lock(m_mutex);
            m_done[i] = 1;
        }
        m_doneChanged.notify_all();
        return true;
    }

    WorkspaceImageChecksums& m_images;
    const std::vector<std::filesystem::path>& m_descriptors;
    std::atomic<std::size_t> m_next{0};
    Mutex m_mutex;
    ConditionVariable m_doneChanged;
    std::vector<char> m_done; // by row, under m_mutex
    const WorkspaceImageChecksums::ReadBuffer m_buffer; // the calling thread's
    std::vector<std::thread> m_threads;
};

} // namespace

bool FirmwareCatalogue::hasUnreadableRows() const
{
    return std::any_of(rows.begin(), rows.end(), [](const FirmwareRecord& r) { return !r.imageProblem.empty(); });
}

void loadCatalogue(FirmwareCatalogue& catalogue, const Workspace& workspace, CataloguePrompts& prompts)
{
    const auto folder = workspace.descriptorFolder();
    std::string problem;
    const std::vector<std::string> names = listFolder(folder, ".txt", &problem);
    const auto imageFolder = workspace.imageFolder();
    catalogue.unreadableFolder.clear();
    catalogue.folderProblem = problem;
    if (!problem.empty())
        catalogue.unreadableFolder = folder;
    else if (auto images = unreadableFolder(imageFolder)) {
        catalogue.unreadableFolder = imageFolder;
        catalogue.folderProblem = std::move(*images);
    }
    catalogue.rows.assign(names.size(), FirmwareRecord{});
    std::vector<std::filesystem::path> descriptors;
    descriptors.reserve(names.size());
    for (const auto& name : names)
        descriptors.push_back(folder / entryPath(name));

    WorkspaceImageChecksums images(workspace);
    // The images are read on every core; the procedures, in order on this thread, then find most of
    // them unchanged.
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::optional<ChecksumsAhead> ahead;
    if (threads > 1 && names.size() > 1)
        ahead.emplace(images, descriptors, threads - 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ahead)
            ahead->awaitRow(i);
        catalogue.rows[i].loadDescriptor(descriptors[i], images, prompts);
    }
}

} // namespace morvanex
