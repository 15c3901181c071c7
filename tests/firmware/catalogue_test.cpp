#include "support/scripted_prompts.h"

#include "support/temp_dir.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "text/text_encoding.h"
#include "firmware/workspace.h"
#include "footer/checksum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace morvanex::test {
namespace {

class Catalogue : public ::testing::Test
{
protected:
    TempDir dir;
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;

    void load()
    {
        loadCatalogue(catalogue, Workspace(dir.path()), prompts);
    }
    const FirmwareRecord& row(int i) const { return catalogue.rows.at(static_cast<std::size_t>(i)); }
    std::string message(const std::string& name) const { return imageOpenMessage(name); }
};

TEST_F(Catalogue, NoDescriptorFolderOrAnEmptyOneGivesNoRows)
{
    load();
    EXPECT_EQ(catalogue.count(), 0);
    std::filesystem::create_directory(dir.path() / "TXT");
    load();
    EXPECT_EQ(catalogue.count(), 0);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(Catalogue, RowsFollowTheListingWithLetterCaseIgnored)
{
    dir.write("TXT/b.txt", "MODELO: B\n");
    dir.write("TXT/A.TXT", "MODELO: A\n");
    dir.write("TXT/c.txt", "MODELO: C\n");
    dir.write("TXT/notes.md", "MODELO: no\n");
    dir.write("TXT/d.txt.bak", "MODELO: no\n");
    std::filesystem::create_directories(dir.path() / "TXT/old.txt");
    load();
    ASSERT_EQ(catalogue.count(), 4);
    // The sub-folder is listed as [old.txt], before the letters, and gives an empty row.
    EXPECT_EQ(listFolder(dir.path() / "TXT", ".txt"), (std::vector<std::string>{"[old.txt]", "A.TXT", "b.txt", "c.txt"}));
    EXPECT_EQ(row(0).model, "");
    EXPECT_EQ(row(0).fileName, "");
    EXPECT_EQ(row(1).model, "A");
    EXPECT_EQ(row(2).model, "B");
    EXPECT_EQ(row(3).model, "C");
}

TEST_F(Catalogue, FoldersAndFilesAreFoundWhateverTheirLetterCase)
{
    dir.write("txt/one.txt", "ARQUIVO: F1.BIN\n");
    dir.write("bin/f1.bin", "abc");
    load();
    ASSERT_EQ(catalogue.count(), 1);
    EXPECT_EQ(row(0).fileName, "F1.BIN");
    EXPECT_EQ(row(0).displayChecksum, "0126");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(Catalogue, LineKindsAndValues)
{
    const std::string descriptor = "MARCA : X\n"
                                   "Mo:Y\n"
                                   "Arq: f.bin\n"
                                   " ARQUIVO: ignored.bin\n"
                                   "Checksum: 1234\n"
                                   "VERSION:   1:00\t \n"
                                   "Mx: Z\n"
                                   "A no colon\n";
    dir.write("TXT/a.txt", descriptor);
    dir.write("Bin/f.bin", "");
    load();
    ASSERT_EQ(catalogue.count(), 1);
    EXPECT_EQ(row(0).brand, "Z");          // a later line replaces an earlier one
    EXPECT_EQ(row(0).model, "Y");
    EXPECT_EQ(row(0).version, "1:00\t ");  // later colons, tabs and trailing blanks kept
    EXPECT_EQ(row(0).fileName, "");         // the last image line had no colon
    // An empty image name names the image folder itself, which cannot be opened.
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1].text, message(""));
}

TEST_F(Catalogue, DescriptorValueRules)
{
    EXPECT_EQ(descriptorValue("VERSAO:"), "");
    EXPECT_EQ(descriptorValue("VERSAO:   "), "");
    EXPECT_EQ(descriptorValue("VERSAO:   1.00"), "1.00");
    EXPECT_EQ(descriptorValue("VERSAO: 1:00"), "1:00");
    EXPECT_EQ(descriptorValue("VERSAO:\t1.00 "), "\t1.00 ");
    EXPECT_EQ(descriptorValue("VERSAO 1.00"), "");
}

TEST_F(Catalogue, ModelAnywhereDecidesTheByteSwap)
{
    dir.write("TXT/a.txt", "ARQUIVO: s.bin\r\nMARCA: Z\r\nMODELO: ZQ-101 ORBITA   \r\n");
    dir.write("TXT/b.txt", "ARQUIVO: s.bin\nMODELO: zq-101 orbita\n");
    dir.write("Bin/s.bin", std::string("\x61\x62\x63\x64", 4));
    load();
    ASSERT_EQ(catalogue.count(), 2);
    EXPECT_EQ(row(0).byteSwapped, 1);
    EXPECT_EQ(row(0).model, "ZQ-101 ORBITA   ");
    char swappedCrc[5];
    const std::uint8_t swapped[] = {0x62, 0x61, 0x64, 0x63};
    std::snprintf(swappedCrc, sizeof swappedCrc, "%04X", ChecksumCalculator().crc16(swapped));
    EXPECT_EQ(row(0).footerChecksum, swappedCrc);
    EXPECT_EQ(row(0).displayChecksum, "018A"); // of the bytes as stored
    EXPECT_EQ(row(1).byteSwapped, 0);          // the model comparison is exact
    EXPECT_NE(row(1).footerChecksum, row(0).footerChecksum);
    EXPECT_EQ(row(1).displayChecksum, "018A");
}

// A short descriptor is read once for both of its passes, a long one twice: the rows are alike.
TEST_F(Catalogue, ALongDescriptorGivesTheRowAShortOneGives)
{
    const std::string padding(200, 'x');
    std::string longText = "ARQUIVO: s.bin\n";
    while (longText.size() < 100000)
        longText += "; " + padding + "\n";
    dir.write("TXT/a.txt", "ARQUIVO: s.bin\nMARCA: Z\nMODELO: ZQ-101 ORBITA\n");
    dir.write("TXT/b.txt", longText + "MARCA: Z\nMODELO: ZQ-101 ORBITA\n");
    dir.write("Bin/s.bin", std::string("\x61\x62\x63\x64", 4));
    load();
    ASSERT_EQ(catalogue.count(), 2);
    for (const FirmwareRecord* r : {&row(0), &row(1)}) {
        EXPECT_EQ(r->byteSwapped, 1);
        EXPECT_EQ(r->model, "ZQ-101 ORBITA");
        EXPECT_EQ(r->brand, "Z");
        EXPECT_EQ(r->footerChecksum, row(0).footerChecksum);
        EXPECT_EQ(r->displayChecksum, "018A");
    }
}

TEST_F(Catalogue, EveryListedModelSwapsAndOddLastBytesStay)
{
    for (const auto model : byteSwappedModels) {
        FirmwareCatalogue c;
        TempDir d;
        d.write("TXT/a.txt", "MODELO: " + std::string(model) + "\nARQUIVO: x.bin\n");
        d.write("Bin/x.bin", "abc");
        loadCatalogue(c, Workspace(d.path()), prompts);
        ASSERT_EQ(c.rows.at(0).byteSwapped, 1) << model;
        const std::uint8_t bytes[] = {'b', 'a', 'c'};
        char crc[5];
        std::snprintf(crc, sizeof crc, "%04X", ChecksumCalculator().crc16(bytes));
        EXPECT_EQ(c.rows[0].footerChecksum, crc);
    }
}

TEST_F(Catalogue, ImagesThatCannotBeOpenedShowTwoMessagesEach)
{
    dir.write("TXT/a.txt", "ARQUIVO: missing.bin\nARQUIVO: ../escape.bin\nARQUIVO: sub/x.bin\nARQUIVO: ..\n");
    dir.write("escape.bin", "abc");
    dir.write("Bin/sub/x.bin", "abc");
    load();
    ASSERT_EQ(catalogue.count(), 1);
    ASSERT_EQ(prompts.messages.size(), 6u); // sub/x.bin stays inside Bin and opens
    for (const auto& m : prompts.messages)
        EXPECT_EQ(m.caption, "Morvanex");
    EXPECT_EQ(prompts.messages[0].text, message("missing.bin"));
    EXPECT_EQ(prompts.messages[1].text, message("missing.bin"));
    EXPECT_EQ(prompts.messages[2].text, message("../escape.bin"));
    EXPECT_EQ(prompts.messages[4].text, message(".."));
    EXPECT_EQ(row(0).fileName, "..");
    EXPECT_EQ(row(0).footerChecksum, "0000");
    EXPECT_EQ(row(0).displayChecksum, "0000");
    EXPECT_EQ(utf8(message("f.bin")),
              "O arquivo f.bin não pôde ser aberto.\nVerifique se o arquivo não está sendo usado.");
}

TEST_F(Catalogue, TheLastOfTwoImageLinesRemains)
{
    dir.write("TXT/a.txt", "ARQUIVO: gone.bin\nARQUIVO: abc.bin\n");
    dir.write("Bin/abc.bin", "abc");
    dir.write("TXT/b.txt", "ARQUIVO: abc.bin\nARQUIVO: gone.bin\n");
    load();
    EXPECT_EQ(row(0).fileName, "abc.bin");
    EXPECT_EQ(row(0).displayChecksum, "0126");
    EXPECT_EQ(row(1).fileName, "gone.bin");
    EXPECT_EQ(row(1).displayChecksum, "0000");
    EXPECT_EQ(prompts.messages.size(), 4u); // messages in catalogue order, two per failed line
}

TEST_F(Catalogue, EmptyImageAndMissingLinesLeaveTheirFieldsEmpty)
{
    dir.write("TXT/a.txt", "ARQUIVO: empty.bin\n");
    dir.write("Bin/empty.bin", "");
    dir.write("TXT/b.txt", "MARCA: only a brand");
    load();
    EXPECT_EQ(row(0).footerChecksum, "0000");
    EXPECT_EQ(row(0).displayChecksum, "0000");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(row(1).brand, "only a brand"); // the last line counts without a line end
    EXPECT_EQ(row(1).fileName, "");
    EXPECT_EQ(row(1).footerChecksum, "");
    EXPECT_EQ(row(1).model, "");
}

TEST_F(Catalogue, LineEndsAndOddBytes)
{
    // Only a CR before a LF ends a line; a lone CR is part of the line.
    dir.write("TXT/a.txt", std::string("MODELO: A\rMARCA: B\r\nVERSAO: \x81\x8D\xE9\0x\r", 34));
    load();
    EXPECT_EQ(row(0).model, "A\rMARCA: B");
    EXPECT_EQ(row(0).version, std::string("\x81\x8D\xE9\0x\r", 6));
}

// The images are read on several threads while the rows are filled in order: rows and messages are
// those of one row after the other, wherever the images that cannot be read stand. Some rows share an
// image, one of them as a byte-swapped model; one has two image lines.
TEST_F(Catalogue, ImagesReadAheadKeepRowsAndMessagesInOrder)
{
    constexpr int rowCount = 24;
    const std::vector<std::vector<int>> unreadable{{}, {0}, {rowCount - 1}, {11, 12}, {1, 4, 7, 10, 13, 16, 19, 22}};
    auto imageIndex = [](int row) { return row == 9 || row == 15 ? 3 : row; };
    auto imageOf = [&](int row) { return "img" + std::to_string(imageIndex(row)) + ".bin"; };
    for (const auto& missing : unreadable) {
        TempDir d;
        ScriptedPrompts shown;
        std::vector<std::string> expectedMessages;
        std::vector<std::pair<std::string, std::string>> expectedChecksums; // footer, display
        for (int row = 0; row < rowCount; ++row) {
            const bool swapped = row % 5 == 0;
            const bool gone = std::count(missing.begin(), missing.end(), row) != 0;
            std::string descriptor = "MODELO: " + std::string(swapped ? "XR-55-LQ" : "M") + "\n";
            if (row == 20)
                descriptor += "ARQUIVO: never.bin\n"; // the last image line counts; this one's messages first
            descriptor += "ARQUIVO: " + imageOf(row) + "\n";
            d.write("TXT/d" + std::to_string(100 + row) + ".txt", descriptor);
            if (row == 20)
                expectedMessages.insert(expectedMessages.end(), 2, message("never.bin"));
            if (gone) {
                // A folder where the image should be, for one in two; no file at all for the others.
                if (row % 2)
                    std::filesystem::create_directories(d.path() / "Bin" / imageOf(row));
                expectedMessages.insert(expectedMessages.end(), 2, message(imageOf(row)));
                expectedChecksums.emplace_back("0000", "0000");
                continue;
            }
            const int image = imageIndex(row);
            auto bytes = randomBytes(std::size_t{1000} << (image % 9), static_cast<unsigned>(image));
            d.write("Bin/" + imageOf(row), bytes);
            char sum[5], crc[5];
            std::snprintf(sum, sizeof sum, "%04X", ChecksumCalculator().byteSum16(bytes));
            if (swapped)
                swapBytePairs(bytes);
            std::snprintf(crc, sizeof crc, "%04X", ChecksumCalculator().crc16(bytes));
            expectedChecksums.emplace_back(crc, sum);
        }
        FirmwareCatalogue c;
        loadCatalogue(c, Workspace(d.path()), shown);
        SCOPED_TRACE(testing::PrintToString(missing));
        ASSERT_EQ(c.count(), rowCount);
        for (int row = 0; row < rowCount; ++row) {
            EXPECT_EQ(c.rows[row].fileName, imageOf(row));
            EXPECT_EQ(c.rows[row].footerChecksum, expectedChecksums[row].first) << row;
            EXPECT_EQ(c.rows[row].displayChecksum, expectedChecksums[row].second) << row;
        }
        std::vector<std::string> messages;
        for (const auto& m : shown.messages)
            messages.push_back(m.text);
        EXPECT_EQ(messages, expectedMessages);
    }
}

// What the catalogue computes ahead from one read of a descriptor is what its procedures then ask for.
TEST_F(Catalogue, ChecksumsAheadAreTheOnesTheProceduresAsk)
{
    class Recorder : public ImageChecksumSource
    {
    public:
        std::vector<std::pair<std::string, ImageChecksum>> asked;
        std::optional<std::uint16_t> checksum(std::string_view fileName, ImageChecksum which, std::string&) override
        {
            asked.emplace_back(fileName, which);
            return 0;
        }
    };
    const std::string descriptors[] = {
        "ARQUIVO: a.bin\nMODELO: X\n",
        "ARQUIVO: a.bin\nMARCA: Z\nArquivo: b.bin\nMO: ZQ-101 ORBITA  \r\n",
        "A: c.bin\nMODELO: ZQ-101 ORBITA\nMODELO: other\n",
        " ARQUIVO: d.bin\nMODELO: XR-55-LQ\n",
        "no image line\n",
    };
    for (const std::string& text : descriptors) {
        const auto path = dir.write("TXT/d.txt", text);
        Recorder recorder;
        FirmwareRecord().loadDescriptor(path, recorder, prompts);
        EXPECT_EQ(imageChecksumRequests(path), recorder.asked) << text;
    }
}

} // namespace
} // namespace morvanex::test

namespace morvanex::test {
namespace {

TEST(Listing, CaseIgnoredThenByteOrder)
{
    TempDir dir;
    for (const char* name : {"B.txt", "abc.txt", "a.txt", "ab.txt", "A.txt"})
        dir.write(std::string("TXT/") + name, "");
    // A tie ignoring case falls back to byte order.
    EXPECT_EQ(listFolder(dir.path() / "TXT", ".txt"),
              (std::vector<std::string>{"A.txt", "a.txt", "ab.txt", "abc.txt", "B.txt"}));
}

TEST(Listing, MissingOrFileFolderListsNothing)
{
    TempDir dir;
    EXPECT_TRUE(listFolder(dir.path() / "none", ".txt").empty());
    dir.write("TXT", "a file, not a folder");
    EXPECT_TRUE(listFolder(dir.path() / "TXT", ".txt").empty());
}

TEST(WorkspacePaths, ExactNameFirstThenAnyCase)
{
    TempDir dir;
    dir.write("Bin/F1.BIN", "upper");
    dir.write("Bin/f1.bin", "lower");
    const Workspace ws(dir.path());
    EXPECT_EQ(ws.imagePath("f1.bin")->filename(), "f1.bin");
    EXPECT_EQ(ws.imagePath("F1.BIN")->filename(), "F1.BIN");
    EXPECT_EQ(ws.imagePath("F1.bin")->filename(), "F1.BIN"); // first match in byte order
    EXPECT_FALSE(ws.imagePath("../x"));
    EXPECT_FALSE(ws.imagePath("."));
    EXPECT_FALSE(ws.imagePath(".."));
    EXPECT_FALSE(ws.imagePath("a\\"));
    // Opening goes straight to the spelled name when it is there, else resolves as above.
    auto content = [&](std::string_view name) {
        auto file = ws.openImage(name);
        auto bytes = file ? file->readAll() : std::nullopt;
        return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
    };
    EXPECT_EQ(content("f1.bin"), "lower");
    EXPECT_EQ(content("F1.BIN"), "upper");
    EXPECT_EQ(content("F1.bin"), "upper");
    EXPECT_EQ(content("../x"), "(none)");
}

TEST(SwapBytePairs, AgreesWithPairByPairAtEveryLengthAndOffset)
{
    const auto bytes = randomBytes(70, 3);
    for (std::size_t start = 0; start < 3; ++start)
        for (std::size_t length = 0; start + length <= bytes.size(); ++length) {
            auto swapped = bytes;
            auto expected = bytes;
            swapBytePairs(std::span(swapped).subspan(start, length));
            for (std::size_t i = start; i + 1 < start + length; i += 2)
                std::swap(expected[i], expected[i + 1]);
            ASSERT_EQ(swapped, expected) << "start " << start << ", length " << length;
        }
}

} // namespace
} // namespace morvanex::test
