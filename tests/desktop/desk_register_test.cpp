#include "scripted_view.h"

#include "desktop/app_context.h"
#include "firmware/changeable_firmware.h"
#include "footer/footer_encoder.h"
#include "settings/app_names.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

const std::string genuineCnpj = "0012.345.678/0001.95";
const std::string otherCnpj = "0098.765.432/0001.10";
constexpr std::int64_t firstCheck = 1796724900; // 2026-12-08 10:15:00 UTC

// "08/12/2026 10:15" in this machine's local time, as the tenth row shows a check.
std::string shortLocal(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y %H:%M", &local);
    return text;
}

// One approved image and a desk whose register is a file of the test's; each check a minute after
// the one before.
class DeskRegisterTest : public ::testing::Test
{
protected:
    DeskRegisterTest()
    {
        dir.write("TXT/ARGOS.txt", "ARQUIVO: ARGOS.BIN\r\nMODELO: FX-2100\r\nMARCA: ARGOS\r\nVERSAO: 01.00.05\r\n");
        dir.write("Bin/ARGOS.BIN", image);
    }

    // The window's model over the register at location (the default when the settings name none).
    void open(const fs::path& location)
    {
        context.emplace("Validador", dir.path() / "config" / "Validador.INI", dir.path(), location);
        context->checker.station = "caixa-1";
        context->checker.clock = [this] { return firstCheck + 60 * checks++; };
        view.emplace();
        model.emplace(*context, *view);
        view->model = &*model;
        model->start();
    }
    // Validates code, answering the CNPJ question with sim.
    void validate(const std::string& code, bool sim = true)
    {
        view->clipboard = code;
        ASSERT_TRUE(model->pasteWholeCode());
        view->cnpjAnswers = {sim};
        model->validate();
    }
    std::string code(std::uint32_t coo, std::uint32_t seconds, const std::string& cnpj) const
    {
        return *encodeFooter(image, coo, "4A0B12", seconds, cnpj);
    }
    std::vector<CheckRecord> recorded() const
    {
        std::string error;
        std::vector<CheckRecord> records;
        const auto reg = openCheckRegister(registerFile.string(), {}, &error);
        EXPECT_TRUE(reg) << error;
        if (reg)
            reg->forEachRecord([&](const CheckRecord& r) { records.push_back(r); }, &error);
        return records;
    }
    // The rows after the nine, label and value in UTF-8.
    std::vector<std::string> registerRowsShown() const
    {
        std::vector<std::string> rows;
        for (std::size_t i = 9; i < view->resultRows.size(); ++i)
            rows.push_back(utf8(view->resultRows[i].at(0)) + "|" + utf8(view->resultRows[i].at(1)));
        return rows;
    }

    TempDir dir;
    std::vector<std::uint8_t> image = randomBytes(8192, 1);
    std::string genuine = code(1234, 1206367509, genuineCnpj);
    fs::path registerFile = dir.path() / "data" / "morvanex" / "registro.txt";
    std::int64_t checks = 0;
    std::optional<AppContext> context;
    std::optional<ScriptedView> view;
    std::optional<MainWindowModel> model;
};

TEST_F(DeskRegisterTest, ARepeatIsATenthRowAfterTheNine)
{
    open(registerFile);
    validate(genuine);
    EXPECT_EQ(view->resultRows.size(), 10u);
    EXPECT_EQ(registerRowsShown(), std::vector<std::string>{"VERIFICADO|primeira verificação"});
    validate(genuine);
    EXPECT_EQ(registerRowsShown(),
              std::vector<std::string>{"VERIFICADO|2 vezes, primeira em " + shortLocal(firstCheck)});
    EXPECT_TRUE(view->messages.empty());
    ASSERT_EQ(recorded().size(), 2u);
    EXPECT_EQ(recorded()[0].station, "caixa-1");
    EXPECT_EQ(recorded()[0].code, genuine);
}

TEST_F(DeskRegisterTest, NaoIsRecordedAsRejectedAndShowsNoRows)
{
    open(registerFile);
    validate(genuine, false);
    validate(genuine, true);
    std::vector<std::pair<CheckVerdict, std::string>> verdicts;
    for (const CheckRecord& r : recorded())
        verdicts.emplace_back(r.verdict, r.cnpj);
    EXPECT_EQ(verdicts, (std::vector<std::pair<CheckVerdict, std::string>>{{CheckVerdict::Rejected, genuineCnpj},
                                                                          {CheckVerdict::Valid, genuineCnpj}}));
    EXPECT_EQ(view->resultUpdates, 1);
    ASSERT_EQ(view->messages.size(), 1u);
    EXPECT_EQ(view->messages[0].text, rejectedCnpjMessage());
}

TEST_F(DeskRegisterTest, AClonesWarningComesOverItsRows)
{
    open(registerFile);
    // The same document (image, COO, serial, moment) with another CNPJ, checked first.
    validate(code(1234, 1206367509, otherCnpj));
    std::vector<std::string> rowsUnderTheWarning;
    view->whileMessageShown = [&] { rowsUnderTheWarning = registerRowsShown(); };
    validate(genuine);
    ASSERT_EQ(view->messages.size(), 1u);
    const ScriptedView::Message& warning = view->messages[0];
    EXPECT_EQ(warning.icon, MessageIcon::Warning);
    EXPECT_EQ(warning.caption, "Morvanex");
    const std::string text = utf8(warning.text);
    EXPECT_NE(text.find("CNPJ " + otherCnpj), std::string::npos) << text;
    EXPECT_NE(text.find("caixa-1"), std::string::npos) << text;
    EXPECT_NE(text.find("um dos documentos é falso"), std::string::npos) << text;
    // Its printer, too, has now issued for the other CNPJ.
    ASSERT_EQ(rowsUnderTheWarning.size(), 2u);
    EXPECT_EQ(rowsUnderTheWarning[0], "VERIFICADO|CLONE: verificado antes com o CNPJ " + otherCnpj);
}

TEST_F(DeskRegisterTest, APrinterSeenWithAnotherCnpjIsANoticeRow)
{
    open(registerFile);
    // Another document of the same printer (serial and firmware) for another company.
    validate(code(99, 1206000000, otherCnpj));
    validate(genuine);
    const std::vector<std::string> rows = registerRowsShown();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "VERIFICADO|primeira verificação");
    EXPECT_EQ(rows[1].substr(0, rows[1].find(otherCnpj)), "IMPRESSORA|emitiu também 1 documento para o CNPJ ");
    EXPECT_NE(rows[1].find("confira"), std::string::npos) << rows[1];
    EXPECT_TRUE(view->messages.empty());
}

TEST_F(DeskRegisterTest, ARegisterThatFailsIsSaidAndTheVerdictStands)
{
    const struct
    {
        const char* what;
        std::function<fs::path(const TempDir&)> place;
        const char* said; // how the message begins
    } cases[] = {
        {"a file that is no register", [](const TempDir& d) { return d.write("notes.txt", "shopping list\n"); },
         "Não foi possível abrir o registro de verificações."},
        {"a folder in its place", [](const TempDir& d) { return d.write("reg/x", "").parent_path(); },
         "Não foi possível abrir o registro de verificações."},
        {"a server nobody runs", [](const TempDir&) { return fs::path("odbc:DSN=morvanex-test-nobody"); },
         "Não foi possível consultar o registro de verificações."},
    };
    for (const auto& c : cases) {
        open(c.place(dir));
        // Nothing of the register is read before a check needs it.
        EXPECT_TRUE(view->messages.empty()) << c.what;
        validate(genuine);
        validate(genuine);
        EXPECT_EQ(view->resultRows.size(), 9u) << c.what;
        ASSERT_EQ(view->messages.size(), 2u) << c.what;
        for (const auto& m : view->messages) {
            EXPECT_EQ(m.icon, MessageIcon::Warning) << c.what;
            EXPECT_EQ(utf8(m.text).rfind(c.said, 0), 0u) << c.what << ": " << utf8(m.text);
        }
    }
}

TEST_F(DeskRegisterTest, TheSettingsFileMayNameAnotherRegister)
{
    const fs::path profile = dir.path() / "config" / "Validador.INI";
    const struct
    {
        const char* setting; // nullptr: none
        std::string location;
    } cases[] = {
        {nullptr, registerFile.string()},
        {"", registerFile.string()},
        {"odbc:DSN=morvanex", "odbc:DSN=morvanex"},
        {"  D:\\Auditoria\\caixa 1.txt  ", "D:\\Auditoria\\caixa 1.txt"},
        {"/srv/registro-\xC9.txt", "/srv/registro-É.txt"}, // Windows-1252 in the file
    };
    for (const auto& c : cases) {
        fs::remove(profile);
        if (c.setting) {
            fs::create_directories(profile.parent_path());
            ASSERT_TRUE(writeProfileString(profile, settingsSection, registerKey, c.setting));
        }
        EXPECT_EQ(AppContext("Validador", profile, dir.path(), registerFile).registerLocation, c.location)
            << (c.setting ? c.setting : "none");
    }
}

TEST_F(DeskRegisterTest, FirmwareOthersCanChangeIsWarnedOfAtStartUp)
{
    fs::permissions(dir.path() / "Bin", fs::perms::others_write, fs::perm_options::add);
    open(registerFile);
    ASSERT_EQ(view->messages.size(), 1u);
    EXPECT_EQ(view->messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(view->messages[0].caption, "Morvanex");
    EXPECT_EQ(view->messages[0].text, changeableFirmware(context->workspace, context->catalogue).message);
    EXPECT_NE(utf8(view->messages[0].text).find("Bin"), std::string::npos);
    EXPECT_EQ(view->focus, 1);
}

} // namespace
} // namespace morvanex::test
