#include "scripted_view.h"

#include "desktop/app_context.h"
#include "footer/footer_encoder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace morvanex::test {
namespace {

// One approved image and a code with its checksum mistyped, which only a suggestion rescues.
class SuggestionSearchTest : public ::testing::Test
{
protected:
    SuggestionSearchTest()
    {
        dir.write("TXT/ARGOS.txt", "ARQUIVO: ARGOS.BIN\r\nMODELO: FX-2100\r\n");
        dir.write("Bin/ARGOS.BIN", image);
        typed[22] = typed[22] == 'Z' ? '0' : static_cast<char>(typed[22] + 1);
        view.model = &model;
        model.start();
        view.clipboard = typed;
        model.pasteWholeCode();
    }

    // A search that runs until it is stopped, and would then offer the genuine code.
    void searchUntilStopped()
    {
        model.searchSuggestionsWith([this](std::string_view, std::stop_token stop) {
            offWindowThread = !view.onWindowThread();
            started = true;
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return std::vector<Suggestion>{{genuine, {22}, "X", "Y", true, 0}};
        });
    }
    void pumpUntilIdle()
    {
        while (model.searching())
            view.pumpEvents();
        view.pumpEvents();
    }

    TempDir dir;
    std::vector<std::uint8_t> image = randomBytes(8192, 1);
    std::string genuine = *encodeFooter(image, 1234, "4A0B12", 1206367509, "0012.345.678/0001.95");
    std::string typed = genuine;
    AppContext context{"Validador", dir.path() / "Validador.INI", dir.path()};
    ScriptedView view;
    MainWindowModel model{context, view};
    std::atomic<bool> started{false};
    std::atomic<bool> offWindowThread{false};
};

TEST_F(SuggestionSearchTest, TheResultArrivesThroughTheWindowsThread)
{
    view.suggestionAnswers = {{true, 0}};
    model.validate();
    // The message is said, the validation over; what the search finds waits for the window's thread.
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(model.searching());
    EXPECT_TRUE(view.suggestionLists.empty());
    pumpUntilIdle();
    ASSERT_EQ(view.suggestionLists.size(), 1u);
    EXPECT_EQ(view.suggestionLists[0].rows.at(0).at(0),
              genuine.substr(0, 22) + "[" + genuine[22] + "]" + genuine.substr(23));
    EXPECT_EQ(view.joinedFields(), genuine);
    EXPECT_EQ(view.focus, ScriptedView::validateButton);
    EXPECT_FALSE(model.cancelSearch()); // nothing left to cancel
}

TEST_F(SuggestionSearchTest, ACancelledSearchOffersNothing)
{
    const struct
    {
        const char* what;
        std::function<void()> act;
    } cancels[] = {
        {"Escape", [this] { EXPECT_TRUE(model.cancelSearch()); }},
        {"a field edited", [this] { view.edit(5, "ABC"); }},
        {"a whole code pasted", [this] { model.pasteWholeCode(); }},
        {"the catalogue button", [this] { model.showFirmwareList(); }},
        {"Sair", [this] { model.saveAndExit(); }},
    };
    searchUntilStopped();
    for (const auto& c : cancels) {
        view.clipboard = typed;
        model.pasteWholeCode();
        started = false;
        model.validate();
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(offWindowThread) << c.what;
        EXPECT_TRUE(model.searching()) << c.what;
        c.act();
        EXPECT_FALSE(model.searching()) << c.what;
        pumpUntilIdle();
        EXPECT_TRUE(view.suggestionLists.empty()) << c.what;
        EXPECT_FALSE(model.cancelSearch()) << c.what;
    }
}

} // namespace
} // namespace morvanex::test
