#include "scripted_view.h"

#include "desktop/app_context.h"
#include "selftest/serial_channel.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace morvanex::test {
namespace {

class WindowThread : public ::testing::Test
{
protected:
    WindowThread()
    {
        for (const char* file : {"A.BIN", "B.BIN", "C.BIN"}) {
            FirmwareRecord row;
            row.fileName = file;
            context.catalogue.rows.push_back(row);
        }
    }

    // Pumps the window's events until the worker has finished.
    void pumpUntil(const std::atomic<bool>& finished)
    {
        while (!finished)
            view.pumpEvents();
    }

    TempDir dir;
    AppContext context{"Morvanex", dir.path() / "Morvanex.INI", dir.path()};
    ScriptedView view;
    // No printer: every self-test cycle waits to open the device again, until stopped.
    MainWindowModel model{context, view, [](const std::string&) { return nullptr; }};
    const std::vector<int> candidates{0, 1, 2};
};

TEST_F(WindowThread, AWorkersPromptsRunOnTheWindowsThread)
{
    view.chooserAnswers = {{true, 2}};
    view.cnpjAnswers = {true};
    bool shownHere = false;
    view.whileMessageShown = [&] { shownHere = view.onWindowThread(); };
    std::atomic<int> chosen{-5};
    std::atomic<bool> confirmed{false};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        chosen = model.prompts().chooseFirmware(context.catalogue, candidates);
        confirmed = model.prompts().confirmCnpj("0012.345.678/0001.95");
        model.prompts().showError("Morvanex", "do trabalhador");
        finished = true;
    });
    pumpUntil(finished);
    worker.join();
    EXPECT_EQ(chosen.load(), 2);
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(shownHere);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "do trabalhador");
}

TEST_F(WindowThread, RefusedWorkerRequestsAskNobody)
{
    model.prompts().refuseWorkerRequests();
    int chosen = -5;
    bool confirmed = true;
    // Nobody pumps: a request that were carried over would never come back.
    std::thread worker([&] {
        chosen = model.prompts().chooseFirmware(context.catalogue, candidates);
        confirmed = model.prompts().confirmCnpj("0012.345.678/0001.95");
        model.prompts().showError("Morvanex", "x");
    });
    worker.join();
    EXPECT_EQ(chosen, -1);
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.choosers.empty());
    // The window's own thread is still asked.
    view.chooserAnswers = {{true, 0}};
    EXPECT_EQ(model.prompts().chooseFirmware(context.catalogue, candidates), 0);
}

TEST_F(WindowThread, AChoiceOutsideTheCandidatesIsNone)
{
    view.chooserAnswers = {{true, 3}, {false, 1}, {true, -1}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(model.prompts().chooseFirmware(context.catalogue, candidates), -1) << i;
}

TEST_F(WindowThread, SelfTestThreadsStopWithTheWindow)
{
    model.startSelfTest();
    model.startSelfTest();
    SelftestRunner& runner = model.selfTests();
    EXPECT_EQ(runner.count(), 2u);
    model.stopSelfTests();
    EXPECT_EQ(runner.count(), 0u);
    EXPECT_EQ(runner.runningCount(), 0u);
    // Stopping again has nothing to wait for.
    const int pumped = view.pumped();
    model.stopSelfTests();
    EXPECT_EQ(view.pumped(), pumped);
}

} // namespace
} // namespace morvanex::test
