#pragma once

#include <QObject>

namespace morvanex::qt {

// The main window driven through its keyboard, mouse and modal dialogs, each case in a fresh workspace:
// its controls reach the model, and the model's answers reach its controls.
class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartShowsEmptyWindow();
    void typingACodeAdvancesAndUpperCases();
    void pasteThatFillsAFieldMovesOn();
    void pasteOfAWholeCode_data();
    void pasteOfAWholeCode();
    void enterValidatesARestoredCode();
    void chooserPicksTheRowShown();
    void invalidStringIsReported();
    void mistypedCodeIsRescued();
    void sairStoresTheFields();
    void cancelPathsStoreNothing();
    void imageMessagesComeBeforeTheWindow();
    void frameIsFixedAndMinimises();
    void resultListHasNoHandlers();
    void tabLeavesTheResultList();
    void applicationRunsTheWindowModally();
    void registerAnswersReachTheWindow();
    void aSearchForSuggestionsLeavesTheWindowPainting();
};

} // namespace morvanex::qt
