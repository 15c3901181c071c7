#include "app/validator_app.h"
#include "widgets/gui_resources.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    morvanex::initGuiResources();
    morvanex::ValidatorApp validator(QCoreApplication::applicationFilePath().toStdString());
    validator.startUp();
    return 0;
}
