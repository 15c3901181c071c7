#pragma once

// Names the kernels behind crc16Update, crc32UpdateLong and byteSum16Update, so that tests and
// benchmarks can run each one this CPU has, the portable ones included. Everyone else calls the public
// routines.

#include <cstdint>
#include <span>
#include <string_view>

namespace morvanex::detail {

// Both CRCs have the same kernels: the table, and folding by 128-, 256- or 512-bit carry-less products.
enum class CrcKernel { Slicing, Pclmul, Vpclmul256, Vpclmul };
enum class ByteSumKernel { Portable, Sse2, Avx2 };
// crc16AndByteSum16Update: a pass for each checksum, or one 256-bit fold that adds up as it goes.
enum class ImagePassKernel { Separate, Vpclmul256 };

// The kernels this CPU runs, portable first and the one the public routines use last.
std::span<const CrcKernel> supportedCrcKernels();
std::span<const ByteSumKernel> supportedByteSumKernels();
std::span<const ImagePassKernel> supportedImagePassKernels();

std::string_view kernelName(CrcKernel kernel);
std::string_view kernelName(ByteSumKernel kernel);
std::string_view kernelName(ImagePassKernel kernel);

// As crc16Update / crc32UpdateLong / byteSum16Update with the given kernel; one this CPU lacks runs the
// portable one.
std::uint16_t crc16UpdateWith(CrcKernel kernel, std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint32_t crc32UpdateWith(CrcKernel kernel, std::uint32_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16UpdateWith(ByteSumKernel kernel, std::uint16_t previous,
                                  std::span<const std::uint8_t> data);
void crc16AndByteSum16UpdateWith(ImagePassKernel kernel, std::uint16_t& crc, std::uint16_t& sum,
                                 std::span<const std::uint8_t> data, bool swapPairs);

} // namespace morvanex::detail
