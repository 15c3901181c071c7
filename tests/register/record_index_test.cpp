#include "register/record_index.h"
#include "register_records.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

using test::checkOf;
using test::cnpjA;
using test::cnpjB;
using test::cnpjC;
using test::Document;
using test::someTime;

std::vector<std::string> cnpjsOf(const std::vector<EarlierCheck>& checks)
{
    std::vector<std::string> cnpjs;
    for (const EarlierCheck& check : checks)
        cnpjs.push_back(check.cnpj);
    return cnpjs;
}

struct Step
{
    CheckRecord record;
    DocumentStatus status;
    std::uint64_t checks;
    std::vector<std::string> otherCnpjs;
    std::vector<std::string> printerCnpjs;
};

struct Scenario
{
    const char* name;
    std::vector<Step> steps;
};

const Document paper;
const Document nextPaper{.coo = "000124", .moment = "6933C400"};
// Another printer whose serial excerpt is paper's, running another firmware.
const Document otherFirmware{.checksum = "CD34"};

TEST(RecordIndex, AnswersEachCheckAsTheRegisterStoodBeforeIt)
{
    const std::vector<Scenario> scenarios = {
        {"new then repeat",
         {{checkOf(paper, cnpjA), DocumentStatus::New, 1, {}, {}},
          {checkOf(paper, cnpjA, someTime + 60), DocumentStatus::Repeat, 2, {}, {}},
          {checkOf(paper, cnpjA, someTime + 120), DocumentStatus::Repeat, 3, {}, {}}}},
        {"the genuine first, then the clone",
         {{checkOf(paper, cnpjA), DocumentStatus::New, 1, {}, {}},
          {checkOf(paper, cnpjB), DocumentStatus::Clone, 1, {cnpjA}, {cnpjA}}}},
        {"the clone first, then the genuine; a rejected check counts too",
         {{checkOf(paper, cnpjB, someTime, "caixa-2", CheckVerdict::Rejected),
           DocumentStatus::New,
           1,
           {},
           {}},
          {checkOf(paper, cnpjA), DocumentStatus::Clone, 1, {cnpjB}, {cnpjB}},
          {checkOf(paper, cnpjA), DocumentStatus::Clone, 2, {cnpjB}, {cnpjB}}}},
        {"a third CNPJ sees both others, by CNPJ",
         {{checkOf(paper, cnpjB), DocumentStatus::New, 1, {}, {}},
          {checkOf(paper, cnpjA), DocumentStatus::Clone, 1, {cnpjB}, {cnpjB}},
          {checkOf(paper, cnpjC), DocumentStatus::Clone, 1, {cnpjA, cnpjB}, {cnpjA, cnpjB}}}},
        {"another document of the printer with another CNPJ: a notice, no clone",
         {{checkOf(paper, cnpjA), DocumentStatus::New, 1, {}, {}},
          {checkOf(nextPaper, cnpjB), DocumentStatus::New, 1, {}, {cnpjA}},
          {checkOf(nextPaper, cnpjA), DocumentStatus::Clone, 1, {cnpjB}, {cnpjB}}}},
        {"two printers sharing a serial excerpt but not a firmware",
         {{checkOf(paper, cnpjA), DocumentStatus::New, 1, {}, {}},
          {checkOf(otherFirmware, cnpjB), DocumentStatus::New, 1, {}, {}}}},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        RecordIndex index;
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i + 1));
            const Step& step = scenario.steps[i];
            const RegisterAnswer answer = index.check(step.record);
            EXPECT_EQ(answer.status, step.status);
            EXPECT_EQ(answer.checks, step.checks);
            EXPECT_EQ(cnpjsOf(answer.otherCnpjs), step.otherCnpjs);
            std::vector<std::string> printerCnpjs;
            for (const PrinterCnpj& printer : answer.printerCnpjs)
                printerCnpjs.push_back(printer.cnpj);
            EXPECT_EQ(printerCnpjs, step.printerCnpjs);
            EXPECT_EQ(answer.first.has_value(), step.checks > 1);
        }
        EXPECT_EQ(index.records(), scenario.steps.size());
    }
}

TEST(RecordIndex, EarliestAndLatestGoByTimeNotByOrder)
{
    RecordIndex index;
    // As registers merged from several desks hold them: out of time order.
    index.add(checkOf(paper, cnpjA, someTime + 100, "caixa-2", CheckVerdict::Rejected));
    index.add(checkOf(paper, cnpjA, someTime, "caixa-1"));
    index.add(checkOf(paper, cnpjA, someTime + 50, "caixa-3"));
    index.add(checkOf(paper, cnpjB, someTime + 10, "caixa-4"));
    index.add(checkOf(paper, cnpjB, someTime + 5, "caixa-5"));

    const RegisterAnswer answer = index.answer(checkOf(paper, cnpjA, someTime + 200));
    EXPECT_EQ(answer.status, DocumentStatus::Clone);
    EXPECT_EQ(answer.checks, 4u);
    ASSERT_TRUE(answer.first && answer.last);
    EXPECT_EQ(answer.first->station, "caixa-1");
    EXPECT_EQ(answer.first->checkedAt, someTime);
    EXPECT_EQ(answer.last->station, "caixa-2");
    EXPECT_EQ(answer.last->verdict, CheckVerdict::Rejected);
    ASSERT_EQ(answer.otherCnpjs.size(), 1u);
    EXPECT_EQ(answer.otherCnpjs[0].station, "caixa-4"); // the latest check with that CNPJ
}

TEST(RecordIndex, PrinterNoticeCountsDistinctDocumentsAndTheLatestMoment)
{
    RecordIndex index;
    index.add(checkOf(paper, cnpjB));
    index.add(checkOf(paper, cnpjB)); // the same document again: still one
    index.add(checkOf(nextPaper, cnpjB));
    const RegisterAnswer answer = index.answer(checkOf(Document{.coo = "000999"}, cnpjA));
    ASSERT_EQ(answer.printerCnpjs.size(), 1u);
    EXPECT_EQ(answer.printerCnpjs[0].documents, 2u);
    EXPECT_EQ(answer.printerCnpjs[0].last, 0x6933C400);
}

TEST(RecordIndex, ListsClonesAndSharedPrinters)
{
    RecordIndex index;
    EXPECT_EQ(index.add(checkOf(nextPaper, cnpjA)), RecordIndex::Addition::NewDocument);
    EXPECT_EQ(index.add(checkOf(nextPaper, cnpjA)), RecordIndex::Addition::Again);
    EXPECT_EQ(index.add(checkOf(nextPaper, cnpjB)), RecordIndex::Addition::AnotherCnpj);
    index.add(checkOf(paper, cnpjA));
    index.add(checkOf(paper, cnpjC));
    index.add(checkOf(otherFirmware, cnpjA));
    CheckRecord undecoded = checkOf(paper, cnpjB);
    undecoded.document.moment = "6933C3";
    EXPECT_EQ(index.add(undecoded), RecordIndex::Addition::LeftOut);

    const std::vector<ClonedDocument> clones = index.clones();
    ASSERT_EQ(clones.size(), 2u);
    EXPECT_EQ(clones[0].document.coo, "000123"); // by document
    EXPECT_EQ(cnpjsOf(clones[0].checks), (std::vector<std::string>{cnpjC, cnpjA}));
    EXPECT_EQ(clones[1].document.coo, "000124");
    EXPECT_FALSE(index.clone(DocumentKey{"CD34", "4A0B12", "000123", "6933C340"}));
    ASSERT_TRUE(index.clone(DocumentKey{"AB12", "4A0B12", "000124", "6933C400"}));

    const std::vector<SharedPrinter> printers = index.sharedPrinters();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].printer, (PrinterKey{"AB12", "4A0B12"}));
    ASSERT_EQ(printers[0].cnpjs.size(), 3u);
    EXPECT_EQ(printers[0].cnpjs[0].cnpj, cnpjC);
    EXPECT_EQ(printers[0].cnpjs[1].documents, 2u); // cnpjA: both documents
}

TEST(RecordIndex, MomentIsReadAsTheDecoderReadsIt)
{
    const std::pair<std::string, std::int64_t> cases[] = {
        {"00000000", 0},
        {"FFFFFFFF", 4294967295},
        {"6933C340", 1765000000},
        // Values a wrapped digit leaves: '6' and below read as digits, anything else as code - 55.
        {"0000000G", 16}};
    for (const auto& [moment, seconds] : cases)
        EXPECT_EQ(momentSeconds(moment), seconds) << moment;
}

} // namespace
} // namespace morvanex
