#pragma once

#include <QObject>

namespace morvanex::qt {

// The CNPJ question, the firmware chooser, the suggestions, the catalogue dialogs, the message boxes
// and the hand-over of a worker's prompts to the window's thread.
class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void cnpjDialogAnswers();
    void chooserShowsItsTableAndTakesTheFirstSelected();
    void chooserStartsWithoutACurrentRow_data();
    void chooserStartsWithoutACurrentRow();
    void dialogsHaveTitleAndCloseBoxOnly();
    void chooserCancelChoosesNothing();
    void tabLeavesEveryList();
    void binaryListShowsItsEntriesAsGiven();
    void catalogueButtonOpensTheListThenTheDescription();
    void messagesKeepEveryByteAndTheirIcon();
    void workerRequestsRunOnTheGuiThread();
};

} // namespace morvanex::qt
