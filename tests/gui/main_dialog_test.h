#pragma once

#include <QObject>

namespace morvanex {

// The main window driven through its keyboard, mouse and modal dialogs, each case in a fresh workspace.
class MainDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartShowsEmptyWindow();
    void typingACodeAdvancesAndUpperCases();
    void pasteThatFillsAFieldMovesOn();
    void deletingNeverMovesTheFocus();
    void enterValidatesARestoredCode();
    void rejectedCnpjKeepsEarlierRows();
    void chooserPicksTheRowShown();
    void chooserWithoutAChoiceFindsNoFirmware();
    void invalidStringIsReported();
    void sairStoresTheFields();
    void cancelPathsStoreNothing();
    void restoreAtNextStart_data();
    void restoreAtNextStart();
    void imageMessagesComeBeforeTheWindow();
    void anEmptyWorkspaceIsSaidAtStartUp();
    void frameIsFixedAndMinimises();
    void resultListHasNoHandlers();
    void applicationRunsTheWindowModally();
};

} // namespace morvanex
