#include "window_driver.h"

#include "morvanex_ids.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"
#include "desktop/app_context.h"
#include "desktop/wide_text.h"
#include "footer/footer_encoder.h"
#include "validation/validation_flow.h"
#include "win32/main_window.h"
#include "win32/report_list.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace morvanex {
namespace {

namespace fs = std::filesystem;
using test::WindowDriver;
using win32::MainWindow;
using win32::windowText;
namespace reportList = win32::reportList;

// Not the program's own name: the file a test leaves in the Windows folder is the test's.
constexpr char baseName[] = "MorvanexFaceTest";

fs::path environmentPath(const char* name)
{
    const char* value = std::getenv(name);
    return value ? fs::path(value) : fs::path();
}

// The demo workspace and, from the Linux morvanex-cli, what it answers for the demo's codes.
fs::path demoFolder()
{
    return environmentPath("MORVANEX_DEMO");
}

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The codes of the demo's README: three that validate, one malformed, one of unknown firmware.
std::vector<std::string> demoCodes()
{
    std::istringstream readme(fileText(demoFolder() / "README"));
    static const std::regex codeLine(R"(^\s+((\S{8} ){4}\S{12})\s*$)");
    std::vector<std::string> codes;
    std::smatch match;
    for (std::string line; std::getline(readme, line);)
        if (std::regex_match(line, match, codeLine))
            codes.push_back(match[1]);
    return codes;
}

// What morvanex-cli printed for a code, or for a description file.
std::string expected(std::string name)
{
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return fileText(environmentPath("MORVANEX_EXPECTED") / (name + ".rows"));
}

std::string lowerCodeCharacters(const std::string& code)
{
    std::string typed;
    for (char c : code)
        if (c != ' ')
            typed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return typed;
}

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest() { EXPECT_EQ(codes.size(), 5u) << "demo/README"; }

    fs::path profile() const { return dir.path() / "Roaming" / "Morvanex" / "Morvanex.INI"; }

    // Empties the five fields and types the code's characters into them from the first.
    static void enterCode(const WindowDriver& d, HWND main, const std::string& code)
    {
        for (int id = IDC_FOOTER_EDIT1; id <= IDC_FOOTER_EDIT5; ++id)
            ::SendDlgItemMessageW(main, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        const HWND first = ::GetDlgItem(main, IDC_FOOTER_EDIT1);
        ::SendMessageW(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        ASSERT_EQ(d.focus(), first);
        d.type(lowerCodeCharacters(code));
    }

    // The five fields' texts joined as the code is, a blank between two.
    static std::string fieldsText(HWND main)
    {
        std::array<std::string, groupCount> groups;
        for (std::size_t i = 0; i < groupCount; ++i)
            groups[i] = windowText(::GetDlgItem(main, IDC_FOOTER_EDIT1 + static_cast<int>(i)));
        return joinFooterFields(groups);
    }

    static void focusOn(HWND dialog, int id)
    {
        ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, id)), TRUE);
    }

    // Validates what the fields hold, by a click unless the caller has asked already; in the chooser,
    // when one opens, takes the row reached by pressing Down downs times (0: OK without a row);
    // answers the CNPJ question with key.
    static void validate(const WindowDriver& d, HWND main, int downs, UINT cnpjKey, bool click = true)
    {
        if (click)
            d.click(main, IDC_VALIDATE_BUTTON);
        if (downs >= 0) {
            const HWND chooser = d.waitFor(L"Lista de Firmwares");
            ASSERT_TRUE(chooser);
            for (int i = 0; i < downs; ++i)
                d.key(VK_DOWN);
            const HWND list = ::GetDlgItem(chooser, IDC_FIRMWARE_LIST);
            ASSERT_TRUE(WindowDriver::eventually([&] { return reportList::firstSelected(list) == downs - 1; }));
            d.key(VK_RETURN);
            ASSERT_TRUE(d.waitGone(chooser));
        }
        if (cnpjKey) {
            const HWND question = d.waitFor(L"CNPJ");
            ASSERT_TRUE(question);
            d.key(cnpjKey);
            ASSERT_TRUE(d.waitGone(question));
        }
    }

    // The message box that is expected now: its caption and text, then closed with OK.
    static std::pair<std::string, std::string> answerMessage(const WindowDriver& d, const std::string& caption)
    {
        const HWND box = d.waitFor(wideFromUtf8(caption));
        if (!box)
            return {"(no message)", ""};
        const std::string text = WindowDriver::messageText(box);
        d.key(VK_RETURN);
        d.waitGone(box);
        return {caption, text};
    }

    test::TempDir dir;
    std::vector<std::string> codes = demoCodes();
    AppContext context{baseName, profile(), demoFolder()};
    MainWindow window{context};
};

TEST_F(MainWindowTest, TypingAdvancesTheFocusAndSimShowsTheRows)
{
    const std::string& code = codes.at(0);
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        const int fields[] = {IDC_FOOTER_EDIT1, IDC_FOOTER_EDIT2, IDC_FOOTER_EDIT3, IDC_FOOTER_EDIT4,
                              IDC_FOOTER_EDIT5};
        EXPECT_EQ(d.focus(), ::GetDlgItem(main, IDC_FOOTER_EDIT1));
        // Lower case typed; each field hands the focus on when full, the last to the button.
        const std::string typed = lowerCodeCharacters(code);
        std::size_t at = 0;
        for (std::size_t f = 0; f < groupCount; ++f) {
            EXPECT_EQ(d.focus(), ::GetDlgItem(main, fields[f])) << "field " << f + 1;
            d.type(typed.substr(at, groupLengths[f] - 1));
            EXPECT_EQ(d.focus(), ::GetDlgItem(main, fields[f])) << "field " << f + 1 << " not yet full";
            d.type(typed.substr(at + groupLengths[f] - 1, 1));
            at += groupLengths[f];
            EXPECT_EQ(windowText(::GetDlgItem(main, fields[f])), splitFooterString(code)[f]);
        }
        EXPECT_EQ(d.focus(), ::GetDlgItem(main, IDC_VALIDATE_BUTTON));

        // Enter on the focused button, then Enter on "SIM", the CNPJ question's default.
        d.key(VK_RETURN);
        const HWND question = d.waitFor(L"CNPJ");
        ASSERT_TRUE(question);
        EXPECT_EQ(windowText(::GetDlgItem(question, IDC_CNPJ_LABEL)), "0012.345.678/0001.95");
        EXPECT_EQ(d.focus(), ::GetDlgItem(question, IDOK));
        d.key(VK_RETURN);
        ASSERT_TRUE(d.waitGone(question));
        const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
        EXPECT_TRUE(WindowDriver::eventually([&] { return WindowDriver::listText(list) == expected(code); }))
            << WindowDriver::listText(list);
        d.click(main, IDC_EXIT_BUTTON);
    });
    // "Sair": the platform's profile functions wrote the one line.
    EXPECT_EQ(dir.read(profile().lexically_relative(dir.path())), "[Morvanex]\r\nFooterString=" + code + "\r\n");
}

TEST_F(MainWindowTest, DemoCodesShowTheRowsOfTheCommandLine)
{
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
        EXPECT_EQ(reportList::columnCount(list), 2);
        EXPECT_EQ(reportList::headingText(list, 0), " ");
        // The third opens the chooser: the first row, T-500, is the one its document was made with.
        const int downs[] = {-1, -1, 1};
        for (std::size_t i = 0; i < 3; ++i) {
            enterCode(d, main, codes.at(i));
            validate(d, main, downs[i], VK_RETURN);
            EXPECT_TRUE(WindowDriver::eventually([&] { return WindowDriver::listText(list) == expected(codes[i]); }))
                << codes[i] << ":\n" << WindowDriver::listText(list);
        }
        // The list with rows is one tab stop: Tab and Shift+Tab leave it.
        focusOn(main, IDC_RESULT_LIST);
        d.key(VK_TAB);
        EXPECT_TRUE(
            WindowDriver::eventually([&] { return d.focus() == ::GetDlgItem(main, IDC_FOOTER_EDIT1); }));
        focusOn(main, IDC_RESULT_LIST);
        d.shiftKey(VK_TAB);
        EXPECT_EQ(d.focus(), ::GetDlgItem(main, IDC_EXIT_BUTTON));
        d.key(VK_ESCAPE);
    });
}

TEST_F(MainWindowTest, FailuresSayWhatWentWrongAndKeepTheRows)
{
    const std::string invalid = utf8(failureMessage(ValidationStatus::InvalidString));
    const std::string notFound = utf8(failureMessage(ValidationStatus::FirmwareNotFound));
    // The messages themselves are the model's; here, that each dialog's keys reach it and its
    // messages reach a message box.
    const std::string rejected = utf8(rejectedCnpjMessage());
    struct Case
    {
        const char* what;
        std::string code;
        int chooserDowns; // -1: no chooser
        UINT cnpjKey;     // 0: no question
        std::string message;
        bool suggested; // the suggestions follow the message: cancelled
    };
    const Case cases[] = {
        {"malformed", codes.at(3), -1, 0, invalid, true},
        {"chooser without a row", codes.at(2), 0, 0, notFound, false},
        {"NÃO", codes.at(0), -1, VK_TAB, rejected, false}, // Tab moves from "SIM" to "NÃO"
        {"Escape at the question", codes.at(0), -1, VK_ESCAPE, rejected, false},
    };
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
        enterCode(d, main, codes.at(1));
        validate(d, main, -1, VK_RETURN);
        ASSERT_TRUE(WindowDriver::eventually([&] { return WindowDriver::listText(list) == expected(codes[1]); }));
        for (const Case& c : cases) {
            enterCode(d, main, c.code);
            if (c.cnpjKey == VK_TAB) {
                d.click(main, IDC_VALIDATE_BUTTON);
                const HWND question = d.waitFor(L"CNPJ");
                ASSERT_TRUE(question);
                d.key(VK_TAB);
                ASSERT_TRUE(WindowDriver::eventually([&] { return d.focus() == ::GetDlgItem(question, IDCANCEL); }));
                d.key(VK_RETURN);
            } else {
                validate(d, main, c.chooserDowns, c.cnpjKey);
            }
            EXPECT_EQ(answerMessage(d, baseName), std::make_pair(std::string(baseName), c.message)) << c.what;
            if (c.suggested) {
                const HWND suggestions = d.waitFor(wideFromUtf8("Possível erro de digitação"));
                ASSERT_TRUE(suggestions) << c.what;
                d.key(VK_ESCAPE);
                ASSERT_TRUE(d.waitGone(suggestions)) << c.what;
            }
            EXPECT_EQ(WindowDriver::listText(list), expected(codes[1])) << c.what;
        }
        d.key(VK_ESCAPE);
    });
    // Escape stores nothing.
    EXPECT_FALSE(fs::exists(profile()));
}

TEST_F(MainWindowTest, AMistypedCodeIsFollowedByItsSuggestions)
{
    const std::string& genuine = codes.at(0);
    std::string typed = genuine;
    typed.at(14) = '6'; // its G read as a 6: it decodes, to a CNPJ not on the document
    // Escape changes nothing; Enter takes the best, selected at start, and hands on the focus.
    const struct
    {
        UINT key;
        const std::string& fields;
        int focus;
    } ways[] = {{VK_ESCAPE, typed, IDC_FOOTER_EDIT1}, {VK_RETURN, genuine, IDC_VALIDATE_BUTTON}};
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        for (const auto& way : ways) {
            enterCode(d, main, typed);
            // Validated with the focus in field 1, so only the choice can move it.
            focusOn(main, IDC_FOOTER_EDIT1);
            ::PostMessageW(main, WM_COMMAND, IDC_VALIDATE_BUTTON, 0);
            validate(d, main, -1, VK_ESCAPE, false);
            EXPECT_EQ(answerMessage(d, baseName).second, utf8(rejectedCnpjMessage()));
            const HWND dialog = d.waitFor(wideFromUtf8("Possível erro de digitação"));
            ASSERT_TRUE(dialog);
            EXPECT_EQ(
                WindowDriver::listText(::GetDlgItem(dialog, IDC_SUGGESTION_LIST)),
                "DB96KACG KVFMO[G]RA HNHDGKN7 DB84H686 KKEKK9D36IG8\tposição 15: '6' por 'G'\tconfere\n");
            d.key(way.key);
            ASSERT_TRUE(d.waitGone(dialog));
            EXPECT_TRUE(WindowDriver::eventually([&] { return fieldsText(main) == way.fields; }))
                << fieldsText(main);
            EXPECT_TRUE(WindowDriver::eventually([&] { return d.focus() == ::GetDlgItem(main, way.focus); }));
        }
        d.key(VK_ESCAPE);
    });
}

TEST_F(MainWindowTest, AWholeCodePastedIntoAnyFieldFillsTheFive)
{
    const std::string& code = codes.at(0);
    // The field's menu sends the same WM_PASTE as Ctrl+V. Any other text is pasted as the field
    // pastes it: cut at its limit, in upper case, a full field handing the focus on.
    const struct
    {
        bool shiftInsert; // else Ctrl+V
        std::string clipboard;
        int field;
        std::string fields;
        int focus;
    } cases[] = {
        {false, code, IDC_FOOTER_EDIT1, code, IDC_VALIDATE_BUTTON},
        {true, "  " + lowerCodeCharacters(code) + "\r\n", IDC_FOOTER_EDIT5, code, IDC_VALIDATE_BUTTON},
        {false, "abcdefghijk", IDC_FOOTER_EDIT2, " ABCDEFGH   ", IDC_FOOTER_EDIT3},
    };
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        for (const auto& c : cases) {
            enterCode(d, main, "");
            focusOn(main, c.field);
            ASSERT_TRUE(WindowDriver::copy(c.clipboard));
            if (c.shiftInsert)
                d.shiftKey(VK_INSERT);
            else
                d.type("\x16"); // the character Ctrl+V makes
            EXPECT_TRUE(WindowDriver::eventually([&] { return fieldsText(main) == c.fields; }))
                << c.clipboard << ": " << fieldsText(main);
            EXPECT_EQ(d.focus(), ::GetDlgItem(main, c.focus)) << c.clipboard;
        }
        d.key(VK_ESCAPE);
    });
}

TEST_F(MainWindowTest, CatalogueDialogsListTheImagesAndDescribeTheOneChosen)
{
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        d.click(main, IDC_CATALOGUE_BUTTON);
        HWND images = d.waitFor(wideFromUtf8("Lista de Binários"));
        ASSERT_TRUE(images);
        const HWND list = ::GetDlgItem(images, IDC_BINARY_LIST);
        std::string names;
        const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            wchar_t name[MAX_PATH];
            ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            names += utf8FromWide(name) + "\n";
        }
        EXPECT_EQ(names, "ARGOS210.BIN\nORB101.BIN\nTKN500A.BIN\nTKN500B.BIN\n");
        EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
        EXPECT_EQ(d.focus(), ::GetDlgItem(images, IDOK));

        // Cancel: nothing more opens.
        d.key(VK_ESCAPE);
        ASSERT_TRUE(d.waitGone(images));

        d.click(main, IDC_CATALOGUE_BUTTON);
        images = d.waitFor(wideFromUtf8("Lista de Binários"));
        ASSERT_TRUE(images);
        ::SendDlgItemMessageW(images, IDC_BINARY_LIST, LB_SETCURSEL, 1, 0);
        d.click(images, IDOK);
        const HWND description = d.waitFor(wideFromUtf8("Descrição do Firmware"));
        ASSERT_TRUE(description);
        EXPECT_EQ(WindowDriver::listText(::GetDlgItem(description, IDC_DESCRIPTION_LIST)),
                  expected("description-ORB101.BIN"));
        EXPECT_EQ(d.focus(), ::GetDlgItem(description, IDOK));
        d.key(VK_RETURN);
        ASSERT_TRUE(d.waitGone(description));
        d.key(VK_ESCAPE);
    });
}

TEST_F(MainWindowTest, RegisterAnswersReachTheWindow)
{
    // The first demo code's document with another CNPJ, checked first: the genuine one is then a clone,
    // and its printer has issued for that CNPJ.
    const std::string image = fileText(demoFolder() / "Bin" / "ARGOS210.BIN");
    const std::string otherCnpj = "0098.765.432/0001.10";
    const std::string clone = *encodeFooter(
        std::span(reinterpret_cast<const std::uint8_t*>(image.data()), image.size()), 1234, "4A0B12", 1206367509,
        otherCnpj);
    AppContext desk{baseName, profile(), demoFolder(), dir.path() / "registro.txt"};
    MainWindow registered{desk};
    std::string warning;
    bool warningIcon = false;
    std::vector<std::string> rows;
    int rowsInView = 0;
    test::runDriven(registered, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        for (const std::string& code : {clone, codes.at(0)}) {
            enterCode(d, main, code);
            validate(d, main, -1, VK_RETURN);
        }
        const HWND box = d.waitFor(L"Morvanex");
        ASSERT_TRUE(box);
        warning = WindowDriver::messageText(box);
        // The message box's icon, the platform's own warning icon, in whichever static shows one.
        HICON shown = nullptr;
        ::EnumChildWindows(box, [](HWND child, LPARAM found) {
            *reinterpret_cast<HICON*>(found) = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
            return *reinterpret_cast<HICON*>(found) ? FALSE : TRUE;
        }, reinterpret_cast<LPARAM>(&shown));
        warningIcon = shown && shown == ::LoadIconA(nullptr, IDI_WARNING);
        d.key(VK_RETURN);
        ASSERT_TRUE(d.waitGone(box));
        rowsInView = static_cast<int>(::SendDlgItemMessageW(main, IDC_RESULT_LIST, LVM_GETCOUNTPERPAGE, 0, 0));
        std::istringstream list(WindowDriver::listText(::GetDlgItem(main, IDC_RESULT_LIST)));
        for (std::string row; std::getline(list, row);)
            rows.push_back(row);
        d.key(VK_ESCAPE);
    });
    EXPECT_NE(warning.find("CNPJ " + otherCnpj), std::string::npos) << warning;
    EXPECT_TRUE(warningIcon);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_GE(rowsInView, 11); // all in view at once
    EXPECT_EQ(rows[9].substr(0, 18), "VERIFICADO\tCLONE: ");
    EXPECT_EQ(rows[10].substr(0, 11), "IMPRESSORA\t");
    EXPECT_NE(rows[10].find(otherCnpj), std::string::npos) << rows[10];
}

TEST_F(MainWindowTest, ASearchForSuggestionsLeavesTheWindowPaintingAndEscapeCancelsIt)
{
    // A search as long as a hostile workspace's, here until it is stopped.
    std::atomic<bool> stopped{false};
    window.model().searchSuggestionsWith([&](std::string_view, std::stop_token stop) {
        while (!stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stopped = true;
        return std::vector<Suggestion>{};
    });
    MainWindowModel& model = window.model();
    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        enterCode(d, main, codes.at(3)); // malformed
        validate(d, main, -1, 0);
        EXPECT_EQ(answerMessage(d, baseName).second, utf8(failureMessage(ValidationStatus::InvalidString)));
        ASSERT_TRUE(WindowDriver::eventually([&] { return model.searching(); }));
        // Painted again: the window's thread validates what it was asked to repaint.
        ::InvalidateRect(main, nullptr, TRUE);
        EXPECT_TRUE(WindowDriver::eventually([&] { return !::GetUpdateRect(main, nullptr, FALSE); }));
        EXPECT_TRUE(model.searching());
        // Escape reaches the model, which stops the search; the window stays until a second one.
        d.key(VK_ESCAPE);
        EXPECT_TRUE(WindowDriver::eventually([&] { return stopped && !model.searching(); }));
        EXPECT_TRUE(::IsWindowVisible(main));
        d.key(VK_ESCAPE);
        EXPECT_TRUE(d.waitGone(main));
    });
}

TEST_F(MainWindowTest, CodeTheOriginalLeftInTheWindowsFolderIsRestoredButNeverWrittenThere)
{
    const std::string& code = codes.at(1);
    const std::wstring legacy = wideFromUtf8(context.setting.legacyFile());
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Morvanex", L"FooterString", wideFromUtf8(code).c_str(), legacy.c_str()));
    wchar_t windowsFolder[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    const fs::path legacyPath = fs::path(std::wstring(windowsFolder, length)) / legacy;
    const std::string legacyBytes = fileText(legacyPath);
    EXPECT_EQ(legacyBytes, "[Morvanex]\r\nFooterString=" + code + "\r\n");

    test::runDriven(window, [&](const WindowDriver& d) {
        const HWND main = d.waitFor(L"Morvanex 1.05");
        EXPECT_EQ(windowText(::GetDlgItem(main, IDC_FOOTER_EDIT5)), code.substr(36));
        EXPECT_EQ(d.focus(), ::GetDlgItem(main, IDC_VALIDATE_BUTTON));
        // Field 5 emptied, then "Sair": the user's file gets the joined fields.
        ::SendDlgItemMessageW(main, IDC_FOOTER_EDIT5, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        d.click(main, IDC_EXIT_BUTTON);
    });
    EXPECT_EQ(dir.read(profile().lexically_relative(dir.path())),
              "[Morvanex]\r\nFooterString=" + code.substr(0, 36) + "\r\n");
    EXPECT_EQ(fileText(legacyPath), legacyBytes);
    fs::remove(legacyPath);
}

} // namespace
} // namespace morvanex
