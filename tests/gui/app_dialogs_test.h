#pragma once

#include <QObject>

namespace morvanex {

// The CNPJ question, the firmware chooser, the suggestions, the catalogue dialogs and the prompts'
// thread hand-over.
class AppDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void cnpjDialogAnswers();
    void chooserListsCandidatesAndTakesTheFirstSelected();
    void chooserStartsWithoutACurrentRow_data();
    void chooserStartsWithoutACurrentRow();
    void dialogsHaveTitleAndCloseBoxOnly();
    void chooserCancelChoosesNothing();
    void tabLeavesEveryList();
    void binaryListShowsTheImageFolder();
    void catalogueDialogsDescribeTheChosenFile();
    void catalogueDialogsFindNoDescription_data();
    void catalogueDialogsFindNoDescription();
    void cancelInTheListOpensNothingElse();
    void errorMessageKeepsEveryByte(); // and looks like the dialogs
    void workerRequestsRunOnTheGuiThread();
    void refusedWorkerRequestsAskNobody();
    void selfTestThreadsStopWithTheWindow();
};

} // namespace morvanex
