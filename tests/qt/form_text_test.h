#pragma once

#include <QObject>

namespace morvanex::qt {

// Texts against their controls, in every form as the application builds it, with the dialog faces
// this machine has; and the specified fonts against their logical sizes.
class FormTextTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextFitsItsControl_data();
    void everyTextFitsItsControl();
    void fontsHaveTheirLogicalSize_data();
    void fontsHaveTheirLogicalSize();
};

} // namespace morvanex::qt
