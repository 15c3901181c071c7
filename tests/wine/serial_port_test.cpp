#include "selftest/line_timing.h"
#include "selftest/serial_port.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>
#include <vector>
#include <windows.h>

namespace morvanex {
namespace {

using std::chrono::milliseconds;

using namespace test; // line rate, time-out bounds, timed
constexpr milliseconds settle{200};

bool underWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// COM1 and COM2 joined back to back, as tests/wine/wine-serial-pair sets them up under Wine.
class SerialPair : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("MORVANEX_PAIR_COM1") == nullptr)
            GTEST_SKIP() << "COM1 and COM2 are not joined: run under tests/wine/wine-serial-pair";
    }

    SerialPort host{"COM1:"};
    SerialPort printer{"COM2:"};
};

TEST_F(SerialPair, EveryByteValueCrossesBothWays)
{
    ASSERT_TRUE(host.open(lineRate));
    ASSERT_TRUE(printer.open(lineRate));
    EXPECT_TRUE(host.isOpen());

    // Flow-control and line-end bytes included: the line is raw.
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});
    EXPECT_TRUE(host.write(all));
    std::vector<uint8_t> received(all.size(), 0);
    EXPECT_TRUE(printer.read(received));
    EXPECT_EQ(received, all);

    // Back, one byte a read, as the self-test takes its reply.
    EXPECT_TRUE(printer.write(all));
    for (uint8_t& byte : received)
        ASSERT_TRUE(host.read(std::span(&byte, 1)));
    EXPECT_EQ(received, all);

    host.close();
    EXPECT_FALSE(host.isOpen());
    EXPECT_FALSE(host.write(all));
}

TEST_F(SerialPair, ReadTimeOuts)
{
    ASSERT_TRUE(host.open(lineRate));
    ASSERT_TRUE(printer.open(lineRate));

    std::array<uint8_t, 1> byte{0xEE};
    bool result = true;
    milliseconds elapsed = timed([&] { result = printer.read(byte); });
    EXPECT_FALSE(result);
    EXPECT_GE(elapsed, oneByteTimeoutLow);
    EXPECT_LE(elapsed, oneByteTimeoutHigh);

    // Three of five bytes, then silence: the gap ends the read, not the 5005 ms total.
    const std::array<uint8_t, 3> sent{0x31, 0x32, 0x33};
    ASSERT_TRUE(host.write(sent));
    std::this_thread::sleep_for(settle);
    std::array<uint8_t, 5> buffer{0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    elapsed = timed([&] { result = printer.read(buffer); });
    EXPECT_FALSE(result);
    EXPECT_LT(elapsed, gapTimeoutHigh);
    EXPECT_EQ(buffer, (std::array<uint8_t, 5>{0x31, 0x32, 0x33, 0xEE, 0xEE}));
}

TEST_F(SerialPair, OpenAndPurgeDiscardWhatIsQueued)
{
    ASSERT_TRUE(host.open(lineRate));
    const std::array<uint8_t, 4> stale{0x01, 0x02, 0x03, 0x04};
    ASSERT_TRUE(host.write(stale));
    std::this_thread::sleep_for(settle);
    ASSERT_TRUE(printer.open(lineRate));
    const std::array<uint8_t, 1> fresh{0xA5};
    ASSERT_TRUE(host.write(fresh));
    std::array<uint8_t, 1> got{0};
    EXPECT_TRUE(printer.read(got));
    EXPECT_EQ(got[0], 0xA5);

    ASSERT_TRUE(host.write(stale));
    std::this_thread::sleep_for(settle);
    EXPECT_TRUE(printer.purge());
    const std::array<uint8_t, 1> after{0x7E};
    ASSERT_TRUE(host.write(after));
    EXPECT_TRUE(printer.read(got));
    EXPECT_EQ(got[0], 0x7E);
}

TEST_F(SerialPair, DeviceIsHeldExclusivelyUntilClosed)
{
    if (underWine())
        GTEST_SKIP() << "Wine lets a second handle open a serial device opened without sharing";
    SerialPort second("com1");
    ASSERT_TRUE(host.open(lineRate));
    EXPECT_FALSE(second.open(lineRate));
    EXPECT_FALSE(second.isOpen());
    host.close();
    EXPECT_TRUE(second.open(lineRate));
    second.close();
}

TEST_F(SerialPair, UnknownPortDoesNotOpen)
{
    SerialPort missing("COM77:");
    EXPECT_FALSE(missing.open(lineRate));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.openFailure().empty());
}

} // namespace
} // namespace morvanex
