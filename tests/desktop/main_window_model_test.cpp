#include "scripted_view.h"

#include "desktop/app_context.h"
#include "firmware/open_workspace.h"
#include "footer/footer_encoder.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"
#include "validation/validation_flow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

const std::string argosCnpj = "0012.345.678/0001.95";
const std::string twinCnpj = "0011.222.333/0001.81";
// Not the program's own name, so the captions that must be appName stand apart from "Morvanex".
const std::string appName = "Validador";

std::string byteSum(const std::vector<std::uint8_t>& bytes)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFFFFu);
    return text;
}

std::string withoutBlanks(std::string code)
{
    std::erase(code, ' ');
    return code;
}

// A workspace with three approved images, two of them sharing one CRC-16, and the main window's model
// over a scripted view; the settings file in a folder not made yet.
class MainWindowModelTest : public ::testing::Test
{
protected:
    MainWindowModelTest()
    {
        addFirmware("ARGOS.txt", "ARGOS.BIN", "FX-2100", "ARGOS", "01.00.05", argos);
        // Two rows whose images share one CRC-16: a code for either opens the chooser.
        addFirmware("TEKNA_A.txt", "TWIN_A.BIN", "T-500", "TEKNA", "1.0", twin);
        addFirmware("TEKNA_B.txt", "TWIN_B.BIN", "T-500 R", "TEKNA", "1.1", twin);
    }

    void addFirmware(const std::string& descriptor, const std::string& file, const std::string& model,
                     const std::string& brand, const std::string& version, const std::vector<std::uint8_t>& bytes)
    {
        dir.write("TXT/" + descriptor,
                  "ARQUIVO: " + file + "\r\nMODELO: " + model + "\r\nMARCA: " + brand + "\r\nVERSAO: " + version + "\r\n");
        dir.write("Bin/" + file, bytes);
    }

    fs::path profile() const { return dir.path() / "config" / "Morvanex" / "Validador.INI"; }
    // The line the setting stands on, without its line end.
    std::string storedLine() const
    {
        const std::string text = dir.read(profile().lexically_relative(dir.path()));
        const std::size_t at = text.find("FooterString=");
        return at == std::string::npos ? std::string() : text.substr(at, text.find_first_of("\r\n", at) - at);
    }
    void store(const std::string& value) const
    {
        fs::create_directories(profile().parent_path());
        ASSERT_TRUE(context.setting.write(value));
    }

    // The window as its face builds it.
    void start()
    {
        view.model = &model;
        model.start();
    }
    // Validates, and lets the window's thread run until the search for suggestions is over.
    void validateAndWait()
    {
        model.validate();
        while (model.searching())
            view.pumpEvents();
    }
    std::vector<std::string> messageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& m : view.messages)
            texts.push_back(m.text);
        return texts;
    }

    TempDir dir;
    std::vector<std::uint8_t> argos = randomBytes(8192, 1);
    std::vector<std::uint8_t> twin = randomBytes(6000, 3);
    std::string argosCode = *encodeFooter(argos, 1234, "4A0B12", 1206367509, argosCnpj);
    std::string twinCode = *encodeFooter(twin, 777, "C01100", 0, twinCnpj);
    AppContext context{"Validador", profile(), dir.path()};
    ScriptedView view;
    MainWindowModel model{context, view};
};

TEST_F(MainWindowModelTest, FirstStartShowsEmptyFieldsWithTheirLimits)
{
    start();
    EXPECT_EQ(view.fields, (std::array<std::string, groupCount>{}));
    EXPECT_EQ(view.limits, (std::array<std::size_t, groupCount>{8, 8, 8, 8, 12}));
    EXPECT_EQ(view.focus, 1);
    EXPECT_TRUE(model.footerString().empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(context.catalogue.count(), 3);

    const ReportTable& list = view.resultColumns;
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].heading, " ");
    EXPECT_EQ(list.columns[1].heading, " ");
    EXPECT_EQ(list.columns[0].width, 100);
    EXPECT_EQ(list.columns[1].width, 430);
    EXPECT_EQ(list.font.height, 16);
    EXPECT_EQ(list.font.width, 9);
    EXPECT_EQ(view.resultUpdates, 0);
}

TEST_F(MainWindowModelTest, FullFieldsHandTheFocusOnAndTheCodeValidates)
{
    start();
    const std::string typed = withoutBlanks(argosCode);
    view.type(typed.substr(0, 7));
    EXPECT_EQ(view.focus, 1);
    view.type(typed.substr(7, 1));
    EXPECT_EQ(view.focus, 2);
    view.type(typed.substr(8, 24));
    EXPECT_EQ(view.focus, 5);
    view.type(typed.substr(32, 11));
    EXPECT_EQ(view.focus, 5);
    view.type(typed.substr(43));
    EXPECT_EQ(view.focus, ScriptedView::validateButton);
    EXPECT_EQ(view.joinedFields(), argosCode);

    view.cnpjAnswers = {true};
    model.validate();
    EXPECT_EQ(model.footerString(), argosCode);
    EXPECT_EQ(view.cnpjQuestions, std::vector<std::string>{argosCnpj});
    const std::vector<ReportTable::Row> expected{
        {"COO", "001234"},          {"CNPJ", argosCnpj},      {"DATA/HORA", "24/03/2008 14:05:09"},
        {cp1252("N.SÉRIE"), "4A0B12"}, {"MODELO", "FX-2100"}, {"MARCA", "ARGOS"},
        {"VERSAO", "01.00.05"},     {"CHECKSUM", byteSum(argos)}, {"ARQUIVO", "ARGOS.BIN"},
    };
    EXPECT_EQ(view.resultRows, expected);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainWindowModelTest, OnlyAChangeThatLeavesAFieldFullMovesTheFocus)
{
    start();
    const struct
    {
        int field;
        const char* text;
        int focus; // where it is afterwards
    } edits[] = {
        {1, "ABCDEFGH", 2},
        {1, "ABCDEFG", 1},   // a character deleted
        {1, "BCDEFG", 1},
        {1, "QZBCDEFG", 2},  // filled again
        {1, "QZBCDEFG", 2},  // a selected character replaced by itself: full again, on again
        {4, "12345678", 5},
        {5, "ABCDEFGHIJK", 5},
        {5, "ABCDEFGHIJKL", ScriptedView::validateButton},
        {3, "", 3},
    };
    for (const auto& e : edits) {
        view.focus = e.field;
        view.edit(e.field, e.text);
        EXPECT_EQ(view.focus, e.focus) << e.field << " " << e.text;
    }
}

TEST_F(MainWindowModelTest, AWholeCodePastedIntoAnyFieldFillsTheFive)
{
    const std::string code = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
    std::string lower = code;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const struct
    {
        std::string clipboard;
        bool whole;
    } cases[] = {
        {code, true},
        {withoutBlanks(code), true},
        {"  " + lower + "\r\n", true},
        {code.substr(0, 20), false},
        {code + "9", false},
        {"abcdefghijk", false},
    };
    start();
    for (const auto& c : cases) {
        view.fields = {"", "AB", "", "", ""};
        view.focus = 3;
        view.clipboard = c.clipboard;
        EXPECT_EQ(model.pasteWholeCode(), c.whole) << c.clipboard;
        // Otherwise the field pastes as it would: nothing here has changed.
        EXPECT_EQ(view.joinedFields(), c.whole ? code : std::string(" AB   ")) << c.clipboard;
        EXPECT_EQ(view.focus, c.whole ? ScriptedView::validateButton : 3) << c.clipboard;
    }
}

TEST_F(MainWindowModelTest, ATransferToTheGroupsStopsAtAnOverLongField)
{
    start();
    view.fields = {"ABCDEFGH", "TOOLONG12", "CCC", "DDD", "EEE"};
    EXPECT_FALSE(model.exchangeFields(true));
    EXPECT_EQ(model.groups(), (std::array<std::string, groupCount>{"ABCDEFGH", "", "", "", ""}));
    view.fields[1] = "BBB";
    EXPECT_TRUE(model.exchangeFields(true));
    EXPECT_EQ(model.groups(), (std::array<std::string, groupCount>{"ABCDEFGH", "BBB", "CCC", "DDD", "EEE"}));
}

TEST_F(MainWindowModelTest, ARejectedCnpjKeepsTheEarlierRows)
{
    store(argosCode);
    start();
    view.cnpjAnswers = {true, false, false};
    model.validate();
    ASSERT_EQ(view.resultRows.size(), 9u);
    model.validate();
    model.validate();
    EXPECT_EQ(view.resultUpdates, 1);
    ASSERT_EQ(view.messages.size(), 2u);
    for (const auto& m : view.messages) {
        EXPECT_EQ(m.icon, MessageIcon::Error);
        EXPECT_EQ(m.caption, appName);
        EXPECT_EQ(m.text, rejectedCnpjMessage());
    }
}

TEST_F(MainWindowModelTest, TheChooserListsTheCandidatesAndItsRowIsShown)
{
    store(twinCode);
    start();
    view.chooserAnswers = {{true, 1}};
    view.cnpjAnswers = {true};
    model.validate();
    ASSERT_EQ(view.choosers.size(), 1u);
    const ReportTable& chooser = view.choosers[0];
    std::vector<std::string> headings;
    for (const auto& column : chooser.columns) {
        headings.push_back(utf8(column.heading));
        EXPECT_EQ(column.width, 100);
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"MODELO", "VERSÃO", "CS", "ARQUIVO"}));
    EXPECT_EQ(chooser.rows, (std::vector<ReportTable::Row>{{"T-500", "1.0", byteSum(twin), "TWIN_A.BIN"},
                                                           {"T-500 R", "1.1", byteSum(twin), "TWIN_B.BIN"}}));
    EXPECT_EQ(chooser.selectedRow, -1);
    EXPECT_EQ(chooser.font.width, 7);
    ASSERT_EQ(view.resultRows.size(), 9u);
    EXPECT_EQ(view.resultRows[2][1], "01/01/1970 00:00:00");
    EXPECT_EQ(view.resultRows[4][1], "T-500 R");
    EXPECT_EQ(view.resultRows[8][1], "TWIN_B.BIN");
    EXPECT_EQ(context.catalogue.selectedIndex.load(), 2);
}

TEST_F(MainWindowModelTest, FailuresAreSaidAndChangeNoRows)
{
    store(twinCode);
    start();
    const std::string notFound = failureMessage(ValidationStatus::FirmwareNotFound);
    // The chooser cancelled, then ended with OK and no row.
    view.chooserAnswers = {{}, {true, -1}};
    model.validate();
    model.validate();
    // Short by one character: 47 characters joined.
    view.fields[4].pop_back();
    model.validate();
    EXPECT_EQ(model.footerString().size(), 47u);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{notFound, notFound,
                                                        failureMessage(ValidationStatus::InvalidString)}));
    for (const auto& m : view.messages) {
        EXPECT_EQ(m.caption, appName);
        EXPECT_EQ(m.icon, MessageIcon::Error);
    }
    EXPECT_EQ(view.resultUpdates, 0);
    EXPECT_EQ(context.catalogue.selectedIndex.load(), -1);
}

TEST_F(MainWindowModelTest, AMistypedCodeIsFollowedByItsSuggestions)
{
    // A checksum character one symbol off names firmware nobody has.
    std::string typed = argosCode;
    typed[22] = typed[22] == 'Z' ? '0' : static_cast<char>(typed[22] + 1);
    store(typed);
    start();
    view.focus = 1;
    // Cancel changes nothing; OK puts the code in the fields and the focus on the validation button.
    view.suggestionAnswers = {{}, {true, 0}};
    validateAndWait();
    EXPECT_EQ(view.joinedFields(), typed);
    EXPECT_EQ(view.focus, 1);
    validateAndWait();
    EXPECT_EQ(view.joinedFields(), argosCode);
    EXPECT_EQ(view.focus, ScriptedView::validateButton);

    ASSERT_EQ(view.suggestionLists.size(), 2u);
    const ReportTable& offered = view.suggestionLists[0];
    std::vector<std::string> headings;
    for (const auto& column : offered.columns)
        headings.push_back(utf8(column.heading));
    EXPECT_EQ(headings, (std::vector<std::string>{"STRING DO RODAPÉ", "ALTERAÇÃO", "DV DO CNPJ"}));
    ASSERT_FALSE(offered.rows.empty());
    EXPECT_EQ(offered.rows[0][0], argosCode.substr(0, 22) + "[" + argosCode[22] + "]" + argosCode.substr(23));
    EXPECT_EQ(offered.selectedRow, 0);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>(2, failureMessage(ValidationStatus::FirmwareNotFound))));
}

TEST_F(MainWindowModelTest, SairStoresTheJoinedFieldsMakingTheSettingsFolder)
{
    start();
    ASSERT_FALSE(fs::exists(profile().parent_path()));
    view.type("ABCDEFGH12");
    model.saveAndExit();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(storedLine(), "FooterString=ABCDEFGH 12   ");

    // Empty fields are stored too: four blanks, which the Windows profile functions keep as none.
    view.fields = {};
    model.saveAndExit();
    EXPECT_EQ(model.footerString(), "    ");
    EXPECT_TRUE(storedLine() == "FooterString=    " || storedLine() == "FooterString=") << storedLine();
}

TEST_F(MainWindowModelTest, TheLastCodeIsRestoredAtStartUp)
{
    const std::vector<std::string> groups = {argosCode.substr(0, 8), argosCode.substr(9, 8),
                                             argosCode.substr(18, 8), argosCode.substr(27, 8), argosCode.substr(36)};
    std::string marked = argosCode;
    for (std::size_t at : {8, 17, 26, 35})
        marked[at] = 'X';
    const struct
    {
        const char* what;
        std::string stored;
        std::array<std::string, groupCount> fields;
        std::string joined; // what the next "Sair" stores
    } cases[] = {
        {"full code", argosCode, {groups[0], groups[1], groups[2], groups[3], groups[4]}, argosCode},
        {"other separators", marked, {groups[0], groups[1], groups[2], groups[3], groups[4]}, argosCode},
        {"longer than 48", argosCode + "ZZZ9", {groups[0], groups[1], groups[2], groups[3], groups[4]}, argosCode},
        {"ends in group 2", "ABCDEFGH 1234", {"ABCDEFGH", "1234", "", "", ""}, "ABCDEFGH 1234   "},
        {"ends in group 1", "ABC", {"ABC", "", "", "", ""}, "ABC    "},
        {"ends in group 5", argosCode.substr(0, 40), {groups[0], groups[1], groups[2], groups[3], groups[4].substr(0, 4)},
         argosCode.substr(0, 40)},
    };
    for (const auto& c : cases) {
        store(c.stored);
        ScriptedView shown;
        MainWindowModel restored(context, shown);
        shown.model = &restored;
        restored.start();
        EXPECT_EQ(shown.fields, c.fields) << c.what;
        EXPECT_EQ(shown.focus, ScriptedView::validateButton) << c.what;
        EXPECT_EQ(restored.footerString(), c.stored) << c.what;
        restored.saveAndExit();
        EXPECT_EQ(storedLine(), "FooterString=" + c.joined) << c.what;
    }
}

TEST_F(MainWindowModelTest, StartUpSaysWhatTheCatalogueCouldNotRead)
{
    dir.write("TXT/LOST.txt", "MODELO: X-1\r\nARQUIVO: MISSING.BIN\r\n");
    start();
    const std::string text = cp1252("O arquivo MISSING.BIN não pôde ser aberto.\n"
                                    "Verifique se o arquivo não está sendo usado.");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{text, text}));
    for (const auto& m : view.messages) {
        EXPECT_EQ(m.caption, "Morvanex");
        EXPECT_EQ(m.icon, MessageIcon::Error);
    }
    EXPECT_EQ(context.catalogue.count(), 4);
}

TEST_F(MainWindowModelTest, AnEmptyWorkspaceIsSaidAtStartUp)
{
    fs::remove_all(dir.path() / "TXT");
    start();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, appName);
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(view.messages[0].text, statusOf(context.catalogue, context.workspace).operatorMessage());
    EXPECT_NE(utf8(view.messages[0].text).find("Nenhum firmware homologado foi encontrado em "), std::string::npos);
    EXPECT_EQ(view.focus, 1);
}

} // namespace
} // namespace morvanex::test
