#include "process.h"
#include "support/temp_dir.h"

#include "firmware/image_file.h"
#include "footer/footer_decoder.h"

#include <gtest/gtest.h>

namespace morvanex::test {
namespace {

class GivenImage : public FooterDecoder
{
public:
    explicit GivenImage(std::vector<std::uint8_t> image) : m_image(std::move(image)) {}

protected:
    ImageBytes loadFirmwareImage() override { return std::make_shared<const std::vector<std::uint8_t>>(m_image); }

private:
    std::vector<std::uint8_t> m_image;
};

class EncodeCommand : public ::testing::Test
{
protected:
    TempDir dir;
    std::vector<std::uint8_t> image = randomBytes(100001, 1); // odd length: the last byte stays on swap
    std::string imagePath = dir.write("fw.bin", image).string();

    ProcessResult encode(std::vector<std::string> extra)
    {
        std::vector<std::string> args{"encode", "--image", imagePath};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }
};

TEST_F(EncodeCommand, PrintsACodeThatDecodesAgainstTheImage)
{
    const auto r = encode({"--coo", "41", "--serial", "42020B", "--time", "0x482318BE", "--cnpj",
                           "12.345.678/0001.AB/C"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.size(), 49u);
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_TRUE(r.err.empty());

    GivenImage decoder(image);
    ASSERT_EQ(decoder.decode(r.out.substr(0, 48)), ValidationStatus::Valid);
    EXPECT_EQ(FooterDecoder::text(decoder.coo), "000041");
    EXPECT_EQ(FooterDecoder::text(decoder.cnpj), "12.345.678/0001.AB/C");
    EXPECT_EQ(decoder.dateValue(), 0x482318BEu);

    // Decimal and hexadecimal time give the same code.
    const auto decimal = encode({"--coo", "41", "--serial", "42020B", "--time", "1210259646", "--cnpj",
                                 "12.345.678/0001.AB/C"});
    EXPECT_EQ(decimal.out, r.out);
}

TEST_F(EncodeCommand, SwapEncodesForTheByteSwappedImage)
{
    const auto r = encode({"--swap", "--coo", "999999", "--serial", "ABC./0", "--time", "0", "--cnpj",
                           "00000000000000000000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto swapped = image;
    swapBytePairs(swapped);
    EXPECT_EQ(swapped.back(), image.back());
    GivenImage plain(image), asStored(swapped);
    EXPECT_EQ(asStored.decode(r.out.substr(0, 48)), ValidationStatus::Valid);
    EXPECT_EQ(plain.decode(r.out.substr(0, 48)), ValidationStatus::ChecksumMismatch);
}

TEST_F(EncodeCommand, BadInputIsOneLineOnStderrAndExit64)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--coo", "1000000", "--serial", "42020B", "--time", "0", "--cnpj", "00000000000000000000"},
        {"--coo", "-1", "--serial", "42020B", "--time", "0", "--cnpj", "00000000000000000000"},
        {"--coo", "1", "--serial", "42020", "--time", "0", "--cnpj", "00000000000000000000"},
        {"--coo", "1", "--serial", "42020b", "--time", "0", "--cnpj", "00000000000000000000"},
        {"--coo", "1", "--serial", "42020B", "--time", "0x100000000", "--cnpj", "00000000000000000000"},
        {"--coo", "1", "--serial", "42020B", "--time", "12ab", "--cnpj", "00000000000000000000"},
        {"--coo", "1", "--serial", "42020B", "--time", "0", "--cnpj", "0000000000000000000-"},
        {"--coo", "1", "--serial", "42020B", "--time", "0", "--cnpj", "000000000000000000000"},
        {"--coo", "1", "--serial", "42020B", "--time", "0"},
        {"--coo", "1", "--serial", "42020B", "--time", "0", "--cnpj", "00000000000000000000", "--verbose"},
        {"--coo"},
    };
    for (const auto& args : bad) {
        const auto r = encode(args);
        EXPECT_EQ(r.exitCode, 64) << args.back();
        EXPECT_TRUE(r.out.empty());
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    const auto missing = runCli({"encode", "--image", (dir.path() / "none.bin").string(), "--coo", "1", "--serial",
                                 "42020B", "--time", "0", "--cnpj", "00000000000000000000"});
    EXPECT_EQ(missing.exitCode, 64);
    EXPECT_TRUE(missing.out.empty());
    const auto folder = runCli({"encode", "--image", dir.path().string(), "--coo", "1", "--serial", "42020B",
                                "--time", "0", "--cnpj", "00000000000000000000"});
    EXPECT_EQ(folder.exitCode, 64);
    EXPECT_EQ(runCli({"nonsense"}).exitCode, 64);
    EXPECT_EQ(runCli({}).exitCode, 64);
}

} // namespace
} // namespace morvanex::test
