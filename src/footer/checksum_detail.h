#pragma once

// Names the kernels behind crc16Update and byteSum16Update, so that tests and benchmarks can run each
// one this CPU has, the portable ones included. Everyone else calls the public routines.

#include <cstdint>
#include <span>
#include <string_view>

namespace morvanex::detail {

enum class Crc16Kernel { Slicing, Pclmul, Vpclmul };
enum class ByteSumKernel { Portable, Sse2, Avx2 };

// The kernels this CPU runs, portable first and the one the public routines use last.
std::span<const Crc16Kernel> supportedCrc16Kernels();
std::span<const ByteSumKernel> supportedByteSumKernels();

std::string_view kernelName(Crc16Kernel kernel);
std::string_view kernelName(ByteSumKernel kernel);

// As crc16Update / byteSum16Update with the given kernel; one this CPU lacks runs the portable one.
std::uint16_t crc16UpdateWith(Crc16Kernel kernel, std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16UpdateWith(ByteSumKernel kernel, std::uint16_t previous,
                                  std::span<const std::uint8_t> data);

} // namespace morvanex::detail
