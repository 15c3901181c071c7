#pragma once

#include <QObject>

namespace morvanex::qt {

class FormsTest : public QObject
{
    Q_OBJECT

private slots:
    void mainFormControlsAndGeometry();
    void mainFormTabOrder();
    void cnpjConfirmForm();
    void firmwareChooserForm();
    void binaryListForm();
    void firmwareDescriptionForm();
};

} // namespace morvanex::qt
