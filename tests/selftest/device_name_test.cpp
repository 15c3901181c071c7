#include "selftest/device_name.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace morvanex {
namespace {

// Puts the overrides the tests touch back as they were found.
class DeviceNameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* variable : touched) {
            const char* value = std::getenv(variable);
            saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(variable);
        }
    }

    void TearDown() override
    {
        for (size_t i = 0; i < std::size(touched); ++i) {
            if (saved[i])
                ::setenv(touched[i], saved[i]->c_str(), 1);
            else
                ::unsetenv(touched[i]);
        }
    }

    static constexpr const char* touched[] = {"MORVANEX_COM1", "MORVANEX_COM2", "MORVANEX_COM12"};
    std::vector<std::optional<std::string>> saved;
};

TEST_F(DeviceNameTest, PortNamesMapToTheLinuxSerialDevices)
{
    EXPECT_EQ(resolveDeviceName("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(resolveDeviceName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(resolveDeviceName("com2:"), "/dev/ttyS1");
    EXPECT_EQ(resolveDeviceName("cOm12"), "/dev/ttyS11");
}

TEST_F(DeviceNameTest, EnvironmentOverridesOnlyItsOwnPort)
{
    ::setenv("MORVANEX_COM2", "/dev/pts/7", 1);
    EXPECT_EQ(resolveDeviceName("COM2:"), "/dev/pts/7");
    EXPECT_EQ(resolveDeviceName("com2"), "/dev/pts/7");
    EXPECT_EQ(resolveDeviceName("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(resolveDeviceName("COM12:"), "/dev/ttyS11");

    ::setenv("MORVANEX_COM12", "/tmp/link", 1);
    EXPECT_EQ(resolveDeviceName("COM12:"), "/tmp/link");
}

TEST_F(DeviceNameTest, EmptyOverrideFallsBackToDefault)
{
    ::setenv("MORVANEX_COM1", "", 1);
    EXPECT_EQ(resolveDeviceName("COM1:"), "/dev/ttyS0");
}

TEST_F(DeviceNameTest, OtherNamesAreTakenAsPaths)
{
    ::setenv("MORVANEX_COM1", "/dev/pts/7", 1);
    for (const char* name :
         {"", "COM", "COM:", "COM0:", "COM0", "COM01:", "COMx:", "COM1::", "COM1 :", "COM-1", "COM+1",
          " COM1:", "XCOM1:", "COM1x", "COM99999999999999999999:", "/dev/ttyUSB0", "relative/port"}) {
        EXPECT_EQ(resolveDeviceName(name), name) << '"' << name << '"';
    }
}

} // namespace
} // namespace morvanex
