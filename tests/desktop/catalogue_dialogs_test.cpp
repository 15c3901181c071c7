#include "scripted_view.h"

#include "desktop/app_context.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

FirmwareRecord record(std::string fileName, std::string model, std::string version, std::string brand,
                      std::string display)
{
    FirmwareRecord r;
    r.fileName = std::move(fileName);
    r.model = std::move(model);
    r.version = std::move(version);
    r.brand = std::move(brand);
    r.footerChecksum = "1234";
    r.displayChecksum = std::move(display);
    return r;
}

// The catalogue button: the image list, then the description of the entry taken.
class CatalogueDialogs : public ::testing::Test
{
protected:
    CatalogueDialogs()
    {
        for (const char* name : {"b.bin", "A.BIN", "C.BIN", "f1.bin", "notes.txt", "c.bin.bak"})
            dir.write(fs::path("Bin") / name, std::string(1, 'x'));
        fs::create_directories(dir.path() / "Bin" / "old.bin");
        fs::create_directories(dir.path() / "Bin" / "misc");
        auto& rows = context.catalogue.rows;
        rows.push_back(record("A.BIN", "FX-2100", "01.00", "ARGOS", "0A0B"));
        // Windows-1252 texts: "VERSÃO 3" and "CAFÉ".
        rows.push_back(record("C.BIN", "T-500", "VERS\xC3O 3", "CAF\xC9", "2E2F"));
        rows.push_back(record("F1.BIN", "CASE", "1", "X", "0001"));
        // A second row naming C.BIN: the first one is described.
        rows.push_back(record("C.BIN", "LATER", "9", "OTHER", "FFFF"));
    }

    // The entry at row of the list shown, taken with OK (row -1: none selected); the description shown.
    const ReportTable& describe(int row)
    {
        view.imageFileAnswers = {{true, row}};
        model.showFirmwareList();
        return view.descriptions.back();
    }
    static std::vector<std::string> column(const ReportTable& table, std::size_t c)
    {
        std::vector<std::string> cells;
        for (const auto& row : table.rows)
            cells.push_back(utf8(row.at(c)));
        return cells;
    }

    TempDir dir;
    AppContext context{"Morvanex", dir.path() / "Morvanex.INI", dir.path()};
    ScriptedView view;
    MainWindowModel model{context, view};
};

TEST_F(CatalogueDialogs, TheListShowsTheImageFolderWithoutChangingTheWorkingDirectory)
{
    const fs::path here = fs::current_path();
    model.showFirmwareList();
    ASSERT_EQ(view.imageLists.size(), 1u);
    EXPECT_EQ(view.imageLists[0], (std::vector<std::string>{"[old.bin]", "A.BIN", "b.bin", "C.BIN", "f1.bin"}));
    EXPECT_EQ(fs::current_path(), here);
    // Cancel: nothing else opens.
    EXPECT_TRUE(view.descriptions.empty());
}

TEST_F(CatalogueDialogs, TheEntryTakenIsDescribedByTheFirstRowNamingIt)
{
    const ReportTable& shown = describe(3);
    EXPECT_EQ(column(shown, 0), (std::vector<std::string>{"ARQUIVO", "MODELO", "VERSÃO", "MARCA", "CHECKSUM"}));
    EXPECT_EQ(column(shown, 1), (std::vector<std::string>{"C.BIN", "T-500", "VERSÃO 3", "CAFÉ", "2E2F"}));
    ASSERT_EQ(shown.columns.size(), 2u);
    EXPECT_EQ(shown.columns[0].heading, " ");
    EXPECT_EQ(shown.columns[0].width, 100);
    EXPECT_EQ(shown.columns[1].width, 300);
    EXPECT_EQ(shown.selectedRow, -1);
}

TEST_F(CatalogueDialogs, WhatNoRowNamesExactlyIsDescribedByNothing)
{
    // A sub-folder, another letter case, and a file no descriptor names.
    for (int row : {0, 2, 4})
        EXPECT_TRUE(describe(row).rows.empty()) << row;
    // OK without an entry: the first row without a file name, if there is one.
    EXPECT_TRUE(describe(-1).rows.empty());
    context.catalogue.rows.push_back(record("", "NO IMAGE", "", "", ""));
    EXPECT_EQ(column(describe(-1), 1), (std::vector<std::string>{"", "NO IMAGE", "", "", ""}));
}

TEST_F(CatalogueDialogs, AFileStoredUnderItsUtf8NameIsTheOneADescriptorNames)
{
    dir.write("Bin/F\xC3\x81.BIN", std::string(1, 'x'));
    context.catalogue.rows.push_back(record("F\xC1.BIN", "ACCENT", "2", "Y", "0002"));
    model.showFirmwareList();
    const std::vector<std::string>& listed = view.imageLists.back();
    const auto at = std::find(listed.begin(), listed.end(), "F\xC1.BIN");
    ASSERT_NE(at, listed.end());
    EXPECT_EQ(column(describe(static_cast<int>(at - listed.begin())), 1).at(1), "ACCENT");
}

} // namespace
} // namespace morvanex::test
