// Pictures the Qt image button's alignments and disabled looks (image_button_sheet.h) into
// FOLDER/image-button-qt.png; scripts/screenshot runs it.
#include "image_button_sheet.h"
#include "qt/fonts.h"
#include "qt/gui_resources.h"
#include "qt/image_button.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvanex-image-button-sheet FOLDER\n");
        return 64;
    }
    morvanex::qt::initGuiResources();
    QWidget sheet;
    sheet.setFont(morvanex::qt::dialogFont());
    sheet.setFixedSize(morvanex::sheet::sheetWidth, morvanex::sheet::sheetHeight);
    for (std::size_t i = 0; i < morvanex::sheet::buttons.size(); ++i) {
        const morvanex::sheet::SheetButton& b = morvanex::sheet::buttons[i];
        auto* button = new morvanex::qt::ImageButton(QString::fromUtf8(b.caption), &sheet);
        const morvanex::PixelRect at = morvanex::sheet::place(i);
        button->setGeometry(at.left, at.top, at.width(), at.height());
        button->setBitmaps(QStringLiteral(":/images/validate_bitmap_32.png"), Qt::white);
        button->setImageAlign(b.align);
        button->setGreyDisabledBitmap(b.greyDisabledBitmap);
        button->setEnabled(b.enabled);
    }
    const QString file = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("image-button-qt.png"));
    return sheet.grab().save(file) ? 0 : 74;
}
