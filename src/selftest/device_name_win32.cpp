#include "selftest/device_name.h"

namespace morvanex {

// The device namespace reaches every port, COM10 and above included.
std::string portDevicePath(unsigned number)
{
    return "\\\\.\\COM" + std::to_string(number);
}

} // namespace morvanex
