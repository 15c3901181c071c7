#pragma once

#include "validation/suggestions.h"

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace morvanex {

class MainWindowView;

// The search for the codes one edit away from a code that failed, on a worker of its own, so that the
// window keeps painting and answering while it runs (a workspace of large images sharing a checksum
// keeps it busy for seconds). What it finds is handed to the window's thread, unless the search was
// cancelled first; one search at a time.
class SuggestionSearch
{
public:
    // How the codes are found; stop is requested when the search is cancelled.
    using Search = std::function<std::vector<Suggestion>(std::string_view code, std::stop_token stop)>;
    // What is done with them, on the window's thread.
    using Found = std::function<void(std::vector<Suggestion> suggestions)>;

    SuggestionSearch(MainWindowView& view, Search search) : m_view(view), m_search(std::move(search)) {}
    ~SuggestionSearch() { cancel(); }

    SuggestionSearch(const SuggestionSearch&) = delete;
    SuggestionSearch& operator=(const SuggestionSearch&) = delete;

    // Starts searching for code's suggestions, cancelling a search still running.
    void start(std::string code, Found found);
    // Stops a search that has not handed over its result and waits for its worker, answering
    // meanwhile whatever the worker sent the window's thread: nothing is handed over after this.
    // False when no search was running.
    bool cancel();
    // From start until the result is handed over or the search cancelled.
    bool running() const { return m_running; }

    void setSearch(Search search) { m_search = std::move(search); }

private:
    MainWindowView& m_view;
    Search m_search;
    std::jthread m_worker;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_workerDone{true};
    bool m_handingOver = false; // on the window's thread, while found runs
};

} // namespace morvanex
