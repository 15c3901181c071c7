#pragma once

#include "register/check_register.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace morvanex {

class FirmwareRecord;
class FooterDecoder;

// Who checks, where and when: what a record says besides the document.
struct CheckContext
{
    std::string station;
    std::string user;
    std::function<std::int64_t()> clock; // seconds since 1970-01-01 UTC

    // This machine's host name, the process's user and the system clock.
    static CheckContext ofThisMachine();
};

// The record of a check of code, which decoded (Valid) into decoder's fields with the firmware of
// catalogue row firmware.
CheckRecord checkRecordOf(const FooterDecoder& decoder, std::string_view code, const FirmwareRecord& firmware,
                          CheckVerdict verdict, const CheckContext& context);

} // namespace morvanex
