#include "form_text_test.h"

#include "desktop/app_context.h"
#include "desktop/report_table.h"
#include "face_test_support.h"
#include "firmware/firmware_catalogue.h"
#include "qt/binary_list_dialog.h"
#include "qt/cnpj_confirm_dialog.h"
#include "qt/firmware_description_dialog.h"
#include "qt/fonts.h"
#include "qt/gui_resources.h"
#include "qt/image_button.h"
#include "qt/list_choice_dialog.h"
#include "qt/main_window.h"
#include "qt/report_list.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

namespace morvanex::qt {
namespace {

const QString sampleCnpj = QStringLiteral("0012.345.678/0001.95");

// The five forms, each built as the application builds it.
struct Forms
{
    test::TestWorkspace workspace;
    Workspace files{workspace.root()};
    FirmwareCatalogue catalogue;
    AppContext context{"Morvanex", workspace.profileFile(), workspace.root()};
    std::vector<int> candidates{0, 1};
    std::vector<Suggestion> suggestions{{"DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8", {46, 47}, "8G", "G8"}};

    Forms()
    {
        for (const char* name : {"A.BIN", "B.BIN"}) {
            FirmwareRecord row;
            row.fileName = name;
            row.model = "T-500 R";
            row.version = "01.00.05";
            row.displayChecksum = "ECF6";
            catalogue.rows.push_back(row);
        }
        workspace.addImage("A.BIN", {1});
        // A catalogue to load, so the main window comes up without the empty-workspace message.
        workspace.addDescriptor("A.txt", {"ARQUIVO: A.BIN"});
    }

    std::unique_ptr<QDialog> make(const QString& name)
    {
        if (name == QLatin1String("main"))
            return std::make_unique<MainWindow>(context);
        if (name == QLatin1String("CNPJ")) {
            auto dialog = std::make_unique<CnpjConfirmDialog>();
            dialog->setCnpjText(sampleCnpj);
            return dialog;
        }
        if (name == QLatin1String("chooser"))
            return std::make_unique<FirmwareChooserDialog>(chooserTable(catalogue, candidates));
        if (name == QLatin1String("suggestions"))
            return std::make_unique<SuggestionDialog>(suggestionTable(suggestions));
        if (name == QLatin1String("binary list"))
            return std::make_unique<BinaryListDialog>(imageFileEntries(files));
        return std::make_unique<FirmwareDescriptionDialog>(descriptionTable(catalogue, "A.BIN"));
    }
};

const QStringList formNames = {QStringLiteral("main"), QStringLiteral("CNPJ"), QStringLiteral("chooser"),
                               QStringLiteral("binary list"), QStringLiteral("description"),
                               QStringLiteral("suggestions")};

// Room left around one text in its control, in pixels; negative when it does not fit.
struct Fit
{
    QString text;
    int across;
    int down;
};

// A line as Qt lays it out, rounded up to whole pixels.
int advance(const QFont& font, const QString& line)
{
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(line)));
}

Fit labelFit(const QLabel& label)
{
    const QRect area = label.contentsRect();
    const QFontMetrics fm(label.font());
    // Where the glyphs' ink lands: the labels centre their line vertically.
    const int baseline = area.top() + (area.height() - fm.height()) / 2 + fm.ascent();
    const QRect ink = fm.tightBoundingRect(label.text()).translated(0, baseline);
    return {label.text(), area.width() - advance(label.font(), label.text()),
            std::min(ink.top() - area.top(), area.bottom() - ink.bottom())};
}

// An image button's caption as the button lays it out, line by line: a line broken by hand must fit
// whole; a caption without breaks may wrap at word boundaries.
Fit imageButtonFit(const ImageButton& button)
{
    const QRect area = button.captionRect();
    const QRect block =
        QFontMetrics(button.font())
            .boundingRect(QRect(0, 0, area.width(), 0), ImageButton::captionFlags, button.text());
    int across = area.width() - block.width();
    const QStringList lines = button.text().split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (lines.size() > 1)
            across = std::min(across, area.width() - advance(button.font(), line));
    return {button.text(), across, area.height() - block.height()};
}

Fit pushButtonFit(const QPushButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect area = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return {button.text(), area.width() - advance(button.font(), button.text()),
            area.height() - QFontMetrics(button.font()).height()};
}

// A code field holding as many characters as it takes.
Fit fieldFit(const QLineEdit& edit)
{
    // QLineEdit's own margin on either side of the text, and the cursor after the last character.
    constexpr int lineEditMargin = 2;
    constexpr int cursorWidth = 1;
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
    const QRect area = edit.style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, &edit)
                           .marginsRemoved(edit.textMargins())
                           .adjusted(lineEditMargin, 0, -lineEditMargin, 0);
    const QString full(edit.maxLength(), QLatin1Char('W'));
    return {full, area.width() - advance(edit.font(), full) - cursorWidth,
            area.height() - QFontMetrics(edit.font()).height()};
}

std::vector<Fit> headingFits(const ReportList& list)
{
    const QHeaderView* header = list.horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    std::vector<Fit> fits;
    for (int c = 0; c < list.columnCount(); ++c) {
        const QString heading = list.horizontalHeaderItem(c)->text();
        fits.push_back({heading, header->sectionSize(c) - 2 * margin - advance(header->font(), heading),
                        header->height() - QFontMetrics(header->font()).height()});
    }
    return fits;
}

std::vector<Fit> measure(const QDialog& form)
{
    std::vector<Fit> fits;
    for (const QLabel* label : form.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            fits.push_back(labelFit(*label));
    for (const QPushButton* button : form.findChildren<QPushButton*>()) {
        if (!button->isVisibleTo(&form))
            continue;
        const auto* image = qobject_cast<const ImageButton*>(button);
        fits.push_back(image ? imageButtonFit(*image) : pushButtonFit(*button));
    }
    for (const QLineEdit* edit : form.findChildren<QLineEdit*>())
        if (edit->isVisibleTo(&form))
            fits.push_back(fieldFit(*edit));
    for (const ReportList* list : form.findChildren<ReportList*>()) {
        const std::vector<Fit> headings = headingFits(*list);
        fits.insert(fits.end(), headings.begin(), headings.end());
    }
    return fits;
}

} // namespace

void FormTextTest::everyTextFitsItsControl_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<QString>("form");
    bool anyFace = false;
    for (std::size_t f = 0; f < dialogFaces.size(); ++f) {
        if (!QFontDatabase::hasFamily(QString::fromLatin1(dialogFaces[f].family)))
            continue;
        anyFace = true;
        for (const QString& form : formNames)
            QTest::addRow("%s %dpx, %s", dialogFaces[f].family, dialogFaces[f].pixelSize, qPrintable(form))
                << static_cast<int>(f) << form;
    }
    if (!anyFace)
        QSKIP("none of the dialog faces is installed");
}

void FormTextTest::everyTextFitsItsControl()
{
    QFETCH(int, face);
    QFETCH(QString, form);
    Forms forms;
    const std::unique_ptr<QDialog> dialog = forms.make(form);
    dialog->setFont(dialogFont(dialogFaces[static_cast<std::size_t>(face)]));

    const std::vector<Fit> fits = measure(*dialog);
    QVERIFY(!fits.empty());
    QStringList all;
    QStringList misfits;
    for (const Fit& fit : fits) {
        all << QStringLiteral("\"%1\" %2/%3")
                   .arg(QString(fit.text).replace(QLatin1Char('\n'), QLatin1Char('|')),
                        QString::number(fit.across), QString::number(fit.down));
        if (fit.across < 0 || fit.down < 0)
            misfits << all.back();
    }
    qInfo("pixels to spare across/down: %s", qPrintable(all.join(QStringLiteral("; "))));
    QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QStringLiteral("; "))));
}

void FormTextTest::fontsHaveTheirLogicalSize_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("weight");
    QTest::newRow("code fields") << QStringLiteral("main") << QStringLiteral("footerEdit1") << 16 << 11
                                 << 400;
    QTest::newRow("result list") << QStringLiteral("main") << QStringLiteral("resultList") << 16 << 9 << 400;
    QTest::newRow("CNPJ") << QStringLiteral("CNPJ") << QStringLiteral("cnpjLabel") << 35 << 20 << 800;
    QTest::newRow("chooser list") << QStringLiteral("chooser") << QStringLiteral("firmwareList") << 16 << 7
                                  << 400;
    QTest::newRow("suggestion list") << QStringLiteral("suggestions") << QStringLiteral("suggestionList")
                                     << 16 << 7 << 400;
    QTest::newRow("binary list") << QStringLiteral("binary list") << QStringLiteral("binaryList") << 16 << 10
                                 << 400;
    QTest::newRow("description list")
        << QStringLiteral("description") << QStringLiteral("descriptionList") << 16 << 9 << 400;
}

void FormTextTest::fontsHaveTheirLogicalSize()
{
    QFETCH(QString, form);
    QFETCH(QString, control);
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(int, weight);
    Forms forms;
    const std::unique_ptr<QDialog> dialog = forms.make(form);
    const QWidget* widget = dialog->findChild<QWidget*>(control);
    QVERIFY(widget);
    const QFont font = widget->font();

    const QFontMetrics metrics(font);
    QVERIFY2(std::abs(metrics.ascent() + metrics.descent() - height) <= 1,
             qPrintable(QStringLiteral("cell %1 px").arg(metrics.ascent() + metrics.descent())));
    const QFontMetricsF exact(font);
    for (const QChar c : QStringLiteral("0AW./i "))
        QCOMPARE(exact.horizontalAdvance(QString(c)), qreal(width));
    QCOMPARE(exact.horizontalAdvance(sampleCnpj), qreal(width * sampleCnpj.size()));
    QVERIFY(QFontInfo(font).fixedPitch());
    QCOMPARE(QFontInfo(font).bold(), weight > QFont::Medium);
}

} // namespace morvanex::qt

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    morvanex::qt::initGuiResources();
    morvanex::qt::FormTextTest test;
    return QTest::qExec(&test, argc, argv);
}
