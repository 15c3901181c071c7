#include "register/file_register.h"
#include "register/register_file.h"
#include "register/register_format.h"
#include "register/register_merge.h"
#include "register_records.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvanex {
namespace {

using test::checkOf;
using test::cnpjA;
using test::cnpjB;
using test::cnpjC;
using test::Document;
using test::someTime;

const Document paper;
const Document nextPaper{.coo = "000124"};
const Document thirdPaper{.coo = "000125"};

struct Opened
{
    std::vector<std::string> warnings;
    std::string error;
    std::unique_ptr<CheckRegister> reg;

    explicit Opened(const std::filesystem::path& path)
        : reg(openFileRegister(
              path, [this](const std::string& w) { warnings.push_back(w); }, &error))
    {
    }
};

std::vector<CheckRecord> recordsOf(CheckRegister& reg)
{
    std::vector<CheckRecord> records;
    std::string error;
    EXPECT_TRUE(reg.forEachRecord([&](const CheckRecord& r) { records.push_back(r); }, &error)) << error;
    return records;
}

std::string line(const CheckRecord& record)
{
    return recordLine(record);
}

TEST(FileRegister, ChecksOutliveTheProcessAndAreSharedByItsWriters)
{
    test::TempDir folder;
    const auto path = folder.path() / "registro.txt";
    Opened first(path);
    ASSERT_TRUE(first.reg) << first.error;
    std::string error;
    EXPECT_EQ(first.reg->check(checkOf(paper, cnpjA), &error)->status, DocumentStatus::New);
    ASSERT_TRUE(first.reg->flush(&error)) << error;

    Opened second(path);
    ASSERT_TRUE(second.reg) << second.error;
    const auto again = second.reg->check(checkOf(paper, cnpjA, someTime + 60, "caixa-2"), &error);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, DocumentStatus::Repeat);
    EXPECT_EQ(again->checks, 2u);
    ASSERT_TRUE(second.reg->flush(&error)) << error;

    // The first writer reads what the second appended before it answers.
    const auto third = first.reg->check(checkOf(paper, cnpjA, someTime + 120), &error);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->checks, 3u);
    EXPECT_EQ(third->last->station, "caixa-2");
    ASSERT_TRUE(first.reg->flush(&error)) << error;

    EXPECT_EQ(folder.read("registro.txt"), registerHeader() + "\n" + line(checkOf(paper, cnpjA)) +
                                               line(checkOf(paper, cnpjA, someTime + 60, "caixa-2")) +
                                               line(checkOf(paper, cnpjA, someTime + 120)));
    EXPECT_EQ(recordsOf(*second.reg).size(), 3u);
    EXPECT_TRUE(first.warnings.empty() && second.warnings.empty());
    EXPECT_EQ(ownerAlone(path), true);
    namespace fs = std::filesystem;
    const auto shared = folder.write("outro.txt", "x");
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    EXPECT_EQ(ownerAlone(shared), false);
    const std::u8string name = path.u8string();
    EXPECT_EQ(first.reg->describe(), std::string(name.begin(), name.end()));
}

TEST(FileRegister, TornAndDamagedLinesAreSkippedWithTheirLineNumbers)
{
    test::TempDir folder;
    std::string damaged = line(checkOf(paper, cnpjB));
    damaged[25] ^= 1;
    const std::string torn = line(checkOf(paper, cnpjC)).substr(0, 60);
    const auto path = folder.write("registro.txt", registerHeader() + "\n" + line(checkOf(paper, cnpjA)) +
                                                       damaged + line(checkOf(nextPaper, cnpjA)) + torn);
    Opened opened(path);
    ASSERT_TRUE(opened.reg) << opened.error;
    std::string error;
    const auto answer = opened.reg->check(checkOf(thirdPaper, cnpjA), &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->printerCnpjs.size(), 0u); // neither the damaged nor the torn CNPJ is taken
    ASSERT_EQ(opened.warnings.size(), 2u);
    EXPECT_NE(opened.warnings[0].find("line 3:"), std::string::npos) << opened.warnings[0];
    EXPECT_NE(opened.warnings[1].find("line 5:"), std::string::npos) << opened.warnings[1];
    ASSERT_TRUE(opened.reg->flush(&error)) << error;

    // The new record starts on a line of its own; the fragment stays a line that is no record.
    const std::string text = folder.read("registro.txt");
    EXPECT_TRUE(text.ends_with(torn + "\n" + line(checkOf(thirdPaper, cnpjA))));
    Opened reread(path);
    ASSERT_TRUE(reread.reg) << reread.error;
    EXPECT_EQ(recordsOf(*reread.reg).size(), 3u);
    ASSERT_EQ(reread.warnings.size(), 2u);
    EXPECT_NE(reread.warnings[1].find("line 5:"), std::string::npos) << reread.warnings[1];
}

TEST(FileRegister, OpensOnlyARegisterOfItsFormat)
{
    test::TempDir folder;
    const std::string header = registerHeader();
    struct Case
    {
        const char* name;
        std::string content;
        bool opens;
        std::string contentAfter;
    };
    const Case cases[] = {
        {"empty", "", true, header + "\n"},
        {"a header cut short", header.substr(0, 12), true, header + "\n"},
        {"a header with CR LF", header + "\r\n", true, header + "\r\n"},
        {"another text", "Relatório de caixa\n", false, "Relatório de caixa\n"},
        {"a later version", "morvanex-register 2\tstation\n", false, "morvanex-register 2\tstation\n"},
        {"a record without header", line(checkOf(paper, cnpjA)), false, line(checkOf(paper, cnpjA))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = folder.write("r.txt", c.content);
        Opened opened(path);
        EXPECT_EQ(opened.reg != nullptr, c.opens) << opened.error;
        EXPECT_EQ(opened.error.empty(), c.opens);
        opened.reg.reset();
        EXPECT_EQ(folder.read("r.txt"), c.contentAfter);
    }
    std::filesystem::create_directory(folder.path() / "pasta");
    EXPECT_FALSE(Opened(folder.path() / "pasta").reg);
    EXPECT_FALSE(Opened(folder.path() / "missing" / "r.txt").reg);
}

TEST(FileRegister, AppendsOnlyTheRecordsItLacks)
{
    test::TempDir folder;
    Opened opened(folder.path() / "r.txt");
    ASSERT_TRUE(opened.reg) << opened.error;
    std::string error;
    const CheckRecord held = checkOf(paper, cnpjA);
    opened.reg->check(held, &error);
    CheckRecord otherStation = held;
    otherStation.station = "caixa-9";
    const CheckRecord fresh = checkOf(nextPaper, cnpjA);
    const std::vector<CheckRecord> offered{held, fresh, otherStation, fresh, held};
    EXPECT_EQ(opened.reg->appendMissing(offered, &error), 2u) << error;
    EXPECT_EQ(opened.reg->appendMissing(offered, &error), 0u) << error;
    EXPECT_EQ(recordsOf(*opened.reg), (std::vector<CheckRecord>{held, fresh, otherStation}));
    EXPECT_EQ(opened.reg->check(checkOf(paper, cnpjA), &error)->checks, 3u);

    CheckRecord undecoded = fresh;
    undecoded.document.serial = "4A0B1";
    CheckRecord tooLate = fresh;
    tooLate.checkedAt = latestIsoTime + 1;
    for (const CheckRecord& refused : {undecoded, tooLate}) {
        EXPECT_FALSE(opened.reg->check(refused, &error));
        EXPECT_FALSE(opened.reg->appendMissing(std::vector<CheckRecord>{refused}, &error));
    }
    EXPECT_EQ(recordsOf(*opened.reg).size(), 4u); // the three and the check above
}

TEST(RegisterMerge, SaysWhichClonesTheMergeReveals)
{
    test::TempDir folder;
    const std::vector<std::string> locations{(folder.path() / "a.txt").string(),
                                             (folder.path() / "b.txt").string(),
                                             (folder.path() / "c.txt").string()};
    Opened target(locations[0]);
    Opened desk(locations[1]);
    Opened other(locations[2]);
    ASSERT_TRUE(target.reg && desk.reg && other.reg);
    std::string error;
    for (const CheckRecord& r : {checkOf(paper, cnpjA), checkOf(nextPaper, cnpjA), checkOf(nextPaper, cnpjB)})
        target.reg->check(r, &error);
    // paper turns into a clone; nextPaper was one already; thirdPaper is a clone the target never saw.
    for (const CheckRecord& r : {checkOf(paper, cnpjB), checkOf(nextPaper, cnpjA), checkOf(nextPaper, cnpjB)})
        desk.reg->check(r, &error);
    for (const CheckRecord& r : {checkOf(thirdPaper, cnpjB), checkOf(thirdPaper, cnpjC)})
        other.reg->check(r, &error);

    CheckRegister* sources[] = {desk.reg.get(), other.reg.get()};
    const std::optional<MergeResult> merged = mergeRegisters(*target.reg, sources, &error);
    ASSERT_TRUE(merged) << error;
    EXPECT_EQ(merged->appended, 3u);
    ASSERT_EQ(merged->revealed.size(), 2u);
    EXPECT_EQ(merged->revealed[0].document.coo, "000123");
    EXPECT_EQ(merged->revealed[0].checks.size(), 2u);
    EXPECT_EQ(merged->revealed[1].document.coo, "000125");

    const std::optional<MergeResult> again = mergeRegisters(*target.reg, sources, &error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->appended, 0u);
    EXPECT_TRUE(again->revealed.empty());

    target.reg->flush(&error);
    const auto together = indexRegisters(std::span(locations).first(1), {}, &error);
    ASSERT_TRUE(together) << error;
    EXPECT_EQ(together->clones().size(), 3u);
    EXPECT_EQ(together->records(), 6u);
    EXPECT_FALSE(
        indexRegisters(std::vector<std::string>{(folder.path() / "none" / "x.txt").string()}, {}, &error));
}

} // namespace
} // namespace morvanex
