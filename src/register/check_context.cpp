#include "register/check_context.h"

#include "firmware/firmware_record.h"
#include "footer/footer_decoder.h"
#include "register/this_machine.h"
#include "text/text_encoding.h"

#include <chrono>

namespace morvanex {

CheckContext CheckContext::ofThisMachine()
{
    return {stationName(), userName(), [] {
                return std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                    .count();
            }};
}

CheckRecord checkRecordOf(const FooterDecoder& decoder, std::string_view code, const FirmwareRecord& firmware,
                          CheckVerdict verdict, const CheckContext& context)
{
    CheckRecord record;
    record.checkedAt = context.clock ? context.clock() : 0;
    record.station = context.station;
    record.user = context.user;
    record.verdict = verdict;
    record.code = std::string(code);
    record.document = {
        std::string(FooterDecoder::text(decoder.checksum)), std::string(FooterDecoder::text(decoder.serial)),
        std::string(FooterDecoder::text(decoder.coo)), std::string(FooterDecoder::text(decoder.timestamp))};
    record.cnpj = std::string(FooterDecoder::text(decoder.cnpj));
    // The catalogue's names are Windows-1252, the register's texts UTF-8.
    record.firmwareFile = utf8(firmware.fileName);
    return record;
}

} // namespace morvanex
