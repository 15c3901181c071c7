// Any 49-byte code against any image: the decoder never reads or writes outside its buffers, a Valid
// decode always yields text of the two alphabets and key digits 0..15, and decoding with the image's
// prepared form (as a batch does) gives the same status and fields.
#include "footer/footer_decoder.h"
#include "footer/prepared_image.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

class GivenImage : public morvanex::FooterDecoder
{
public:
    explicit GivenImage(morvanex::ImageBytes image) : m_image(std::move(image)) {}

protected:
    morvanex::ImageBytes loadFirmwareImage() override { return m_image; }

private:
    morvanex::ImageBytes m_image;
};

class GivenPreparedImage : public morvanex::PreparedFirmwareSource
{
public:
    explicit GivenPreparedImage(morvanex::PreparedImageRef image) : m_image(std::move(image)) {}
    morvanex::PreparedImageRef loadPreparedImage(std::span<const std::uint8_t, 4>, int&) override
    {
        return m_image;
    }

private:
    morvanex::PreparedImageRef m_image;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t codeSize = size < 49 ? size : 49;
    // Exact-size heap copies, so any read past either end is caught.
    const std::unique_ptr<char[]> code(new char[codeSize ? codeSize : 1]);
    std::memcpy(code.get(), data, codeSize);
    auto image = std::make_shared<const std::vector<std::uint8_t>>(data + codeSize, data + size);

    GivenImage decoder(image);
    const auto status = decoder.decode(std::string_view(code.get(), codeSize));

    GivenPreparedImage prepared(
        std::make_shared<const morvanex::PreparedImage>(*morvanex::PreparedImage::prepare(*image)));
    morvanex::FooterDecoder batch(&prepared);
    check(batch.decode(std::string_view(code.get(), codeSize)) == status);
    check(batch.coo == decoder.coo && batch.serial == decoder.serial &&
          batch.timestamp == decoder.timestamp && batch.checksum == decoder.checksum &&
          batch.keyDigits == decoder.keyDigits && batch.cnpj == decoder.cnpj);
    if (status == morvanex::ValidationStatus::Valid) {
        for (std::size_t i = 0; i < 20; ++i) {
            check(decoder.keyDigits[i] <= 15);
            check(std::strchr("0123456789ABC./ ", decoder.cnpj[i]) != nullptr);
        }
        for (std::size_t i = 0; i < 6; ++i)
            check(std::strchr("0123456789ABC./ ", decoder.serial[i]) != nullptr);
        check(decoder.cnpj[20] == 0 && decoder.coo[6] == 0 && decoder.timestamp[8] == 0);
        (void)decoder.dateValue();
    }
    return 0;
}
