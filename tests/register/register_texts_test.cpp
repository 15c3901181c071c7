#include "register/register_texts.h"
#include "register/this_machine.h"
#include "register_records.h"
#include "text/text_encoding.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace morvanex {
namespace {

using test::cnpjA;
using test::cnpjB;
using test::cnpjC;
using test::someTime;

// Check times are shown in local time: the expected texts go through the machine's conversion.
std::string local(std::int64_t seconds, const char* format)
{
    const LocalDateTime t = localDateTime(seconds);
    char text[64];
    if (std::string_view(format) == "iso")
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
    else
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour,
                      t.minute);
    return text;
}

RegisterAnswer repeat()
{
    RegisterAnswer answer;
    answer.status = DocumentStatus::Repeat;
    answer.checks = 2;
    answer.first = EarlierCheck{someTime, "caixa-1", cnpjA, CheckVerdict::Valid};
    answer.last = answer.first;
    return answer;
}

RegisterAnswer clone()
{
    RegisterAnswer answer;
    answer.status = DocumentStatus::Clone;
    answer.otherCnpjs = {{someTime, "caixa-1", cnpjB, CheckVerdict::Valid},
                         {someTime + 3600, "caixa-2", cnpjC, CheckVerdict::Rejected}};
    return answer;
}

TEST(RegisterTexts, CommandLineLines)
{
    RegisterAnswer noticed;
    noticed.printerCnpjs = {{cnpjB, 3, 1765000000}, {cnpjC, 1, 0}};
    const std::pair<RegisterAnswer, std::vector<std::string>> cases[] = {
        {RegisterAnswer{}, {"REGISTRO\tprimeira verificação"}},
        {repeat(), {"REGISTRO\tverificado 2 vezes, primeira em " + local(someTime, "iso") + " (caixa-1)"}},
        {clone(),
         {"REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjB + " em " +
              local(someTime, "iso") + " (caixa-1)",
          "REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjC + " em " +
              local(someTime + 3600, "iso") + " (caixa-2)"}},
        // The moment of issue as the printer wrote it, no zone applied.
        {noticed,
         {"REGISTRO\tprimeira verificação",
          "IMPRESSORA\testa impressora emitiu 3 documentos para o CNPJ " + cnpjB +
              ", o último em 2025-12-06 05:46:40",
          "IMPRESSORA\testa impressora emitiu 1 documento para o CNPJ " + cnpjC +
              ", o último em 1970-01-01 00:00:00"}},
    };
    for (const auto& [answer, expected] : cases) {
        std::vector<std::string> lines;
        for (const RegisterLine& line : registerLines(answer))
            lines.push_back(line.label + "\t" + line.value);
        EXPECT_EQ(lines, expected);
    }
    EXPECT_EQ(documentStatusName(DocumentStatus::Clone), "clone");
    EXPECT_EQ(isoMoment(1765000000), "2025-12-06T05:46:40");
    // The printer's calendar counts 2100 as a leap year.
    EXPECT_EQ(isoMoment(4107542400), "2100-02-29T00:00:00");
}

TEST(RegisterTexts, DesktopRowsAndMessages)
{
    const std::vector<ResultRow> repeated = registerRows(repeat());
    ASSERT_EQ(repeated.size(), 1u);
    EXPECT_EQ(repeated[0].label, "VERIFICADO");
    EXPECT_EQ(repeated[0].value, "2 vezes, primeira em " + local(someTime, "short"));
    EXPECT_EQ(registerRows(RegisterAnswer{})[0].value, cp1252("primeira verificação"));

    RegisterAnswer noticed;
    noticed.printerCnpjs = {{cnpjB, 3, 1765000000}};
    const std::vector<ResultRow> rows = registerRows(noticed);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].label, "IMPRESSORA");
    EXPECT_NE(rows[1].value.find(cnpjB), std::string::npos);
    EXPECT_NE(rows[1].value.find("06/12/2025 05:46:40"), std::string::npos);
    EXPECT_NE(rows[1].value.find("confira"), std::string::npos);
    EXPECT_EQ(rows[1].value.find("falso"), std::string::npos); // a notice, never a verdict

    EXPECT_TRUE(cloneWarning(repeat()).empty());
    const std::string warning = cloneWarning(clone());
    for (const std::string& part :
         {cnpjB, cnpjC, std::string("caixa-1"), std::string("caixa-2"), local(someTime + 3600, "short"),
          std::string("um dos documentos é falso")})
        EXPECT_NE(warning.find(part), std::string::npos) << part;
    EXPECT_NE(registerRows(clone())[0].value.find(cnpjB + " e " + cnpjC), std::string::npos);

    const std::string failure =
        registerWriteFailure("cannot write to the register 'r.txt': No space left on device");
    EXPECT_NE(failure.find("No space left"), std::string::npos);
    EXPECT_NE(failure.find("gravar"), std::string::npos);
}

} // namespace
} // namespace morvanex
