#include "answer_text.h"
#include "text_escape.h"

#include "support/temp_dir.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

namespace morvanex::cli {
namespace {

// The one-pass escape agrees with escaping the UTF-8 text: every byte alone, at either end of plain
// text, and random runs.
TEST(AnswerText, EscapedUtf8AgreesWithTheTwoSteps)
{
    std::vector<std::string> texts{"", "plain", "N.S\xC9RIE", "a\\b", "\x7F", "tab\there\r\n"};
    for (int byte = 0; byte < 256; ++byte) {
        const std::string alone(1, static_cast<char>(byte));
        texts.insert(texts.end(), {alone, "ab" + alone, alone + "cd", "a" + alone + alone + "b"});
    }
    for (unsigned seed = 1; seed <= 50; ++seed) {
        const auto bytes = test::randomBytes(seed * 3, seed);
        texts.emplace_back(bytes.begin(), bytes.end());
    }
    for (const std::string& text : texts) {
        std::string out = "kept ";
        appendEscapedUtf8(out, text);
        EXPECT_EQ(out, "kept " + escapeControls(utf8(text))) << testing::PrintToString(text);
    }
}

// A valid code's four document lines as the rows would give them, whatever the fields hold.
TEST(AnswerText, DocumentLinesAreTheDocumentRows)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        FooterDecoder decoder;
        const auto bytes = test::randomBytes(64, seed);
        const auto fill = [&bytes, seed](auto& field, std::size_t from) {
            // Random bytes (controls and code page letters among them), cut short now and then.
            for (std::size_t i = 0; i + 1 < field.size(); ++i)
                field[i] = static_cast<std::uint8_t>(bytes[from + i] % 8 == 0 && seed % 3 == 0 ? 0 : bytes[from + i]);
        };
        fill(decoder.coo, 0);
        fill(decoder.cnpj, 8);
        fill(decoder.serial, 30);
        for (std::size_t i = 0; i + 1 < decoder.timestamp.size(); ++i)
            decoder.timestamp[i] = static_cast<std::uint8_t>("0123456789ABCDEF"[bytes[40 + i] % 16]);
        std::string fast, rows;
        appendDocumentLines(fast, decoder);
        appendRowLines(rows, documentRows(decoder));
        EXPECT_EQ(fast, rows) << seed;
    }
}

} // namespace
} // namespace morvanex::cli
