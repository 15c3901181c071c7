#include "desktop/suggestion_search.h"

#include "desktop/main_window_view.h"

#include <chrono>

namespace morvanex {

void SuggestionSearch::start(std::string code, Found found)
{
    cancel();
    m_running = true;
    m_workerDone = false;
    m_worker = std::jthread([this, code = std::move(code), found = std::move(found)](std::stop_token stop) {
        std::vector<Suggestion> suggestions = m_search(code, stop);
        // Handed over on the window's thread, where cancel runs too: the two never cross.
        if (!stop.stop_requested())
            m_view.runOnWindowThread([&] {
                if (stop.stop_requested())
                    return;
                m_running = false;
                m_handingOver = true;
                found(std::move(suggestions));
                m_handingOver = false;
            });
        m_workerDone = true;
    });
}

bool SuggestionSearch::cancel()
{
    const bool wasRunning = m_running.exchange(false);
    // Asked while its result is being handed over: the search is over, and its worker waits for this.
    if (!m_worker.joinable() || m_handingOver)
        return wasRunning;
    m_worker.request_stop();
    // The worker may be waiting for the window's thread to take its result.
    while (!m_workerDone) {
        m_view.pumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_worker.join();
    return wasRunning;
}

} // namespace morvanex
