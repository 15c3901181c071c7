#include "selftest/device_name.h"

namespace morvanex {

// COM1 is the first serial line, which Linux counts from 0.
std::string portDevicePath(unsigned number)
{
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace morvanex
