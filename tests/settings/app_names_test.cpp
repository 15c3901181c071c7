#include "settings/app_names.h"

#include <cstdlib>
#include <gtest/gtest.h>

using morvanex::baseNameOf;
using morvanex::profileFileName;
using morvanex::profileFilePath;
using morvanex::registerFilePath;

TEST(AppNames, BaseNameDropsFolderAndExtension)
{
    EXPECT_EQ(baseNameOf("C:\\Prog\\Morvanex.exe"), "Morvanex");
    EXPECT_EQ(baseNameOf("C:Morvanex.EXE"), "Morvanex");
    EXPECT_EQ(baseNameOf("/usr/bin/Morvanex"), "Morvanex");
    EXPECT_EQ(baseNameOf("Morvanex"), "Morvanex");
    EXPECT_EQ(baseNameOf("Morvanex.tar.gz"), "Morvanex.tar");
    EXPECT_EQ(baseNameOf("D:\\a.b/c\\Renamed.exe"), "Renamed");
}

TEST(AppNames, DotOutsideTheFileNameIsNoExtension)
{
    EXPECT_EQ(baseNameOf("/opt/my.tools/Morvanex"), "Morvanex");
    EXPECT_EQ(baseNameOf("C:\\Program Files (x86)\\v1.05\\Morvanex"), "Morvanex");
    EXPECT_EQ(baseNameOf("/home/op/.local/bin/Morvanex"), "Morvanex");
    EXPECT_EQ(baseNameOf("/home/op/bin/.Morvanex"), ".Morvanex");
}

TEST(AppNames, ProfileFileIsNamedAfterTheProgram)
{
    EXPECT_EQ(profileFileName("Morvanex"), "Morvanex.INI");
    EXPECT_EQ(profileFileName(baseNameOf("C:\\Prog\\Renamed.exe")), "Renamed.INI");
    EXPECT_EQ(profileFilePath("Morvanex", std::filesystem::path("C:\\WINDOWS")),
              std::filesystem::path("C:\\WINDOWS") / "Morvanex.INI");
}

TEST(AppNames, ProfilePathFollowsXdgConfigHome)
{
    EXPECT_EQ(profileFilePath("Morvanex", "/cfg/xdg", "/home/op"),
              std::filesystem::path("/cfg/xdg/Morvanex.INI"));
    // Unset, empty or relative XDG_CONFIG_HOME falls back to HOME.
    EXPECT_EQ(profileFilePath("Morvanex", std::nullopt, "/home/op"),
              std::filesystem::path("/home/op/.config/Morvanex.INI"));
    EXPECT_EQ(profileFilePath("Morvanex", "", "/home/op"),
              std::filesystem::path("/home/op/.config/Morvanex.INI"));
    EXPECT_EQ(profileFilePath("Morvanex", "cfg", "/home/op"),
              std::filesystem::path("/home/op/.config/Morvanex.INI"));
    // Nothing usable: the working directory.
    EXPECT_EQ(profileFilePath("Morvanex", std::nullopt, std::nullopt), std::filesystem::path("Morvanex.INI"));
    EXPECT_EQ(profileFilePath("Morvanex", "", "relative"), std::filesystem::path("Morvanex.INI"));
}

TEST(AppNames, RegisterPathFollowsXdgDataHome)
{
    const struct
    {
        std::optional<std::string_view> xdgDataHome, home;
        const char* path;
    } cases[] = {
        {"/data/xdg", "/home/op", "/data/xdg/morvanex/registro.txt"},
        {std::nullopt, "/home/op", "/home/op/.local/share/morvanex/registro.txt"},
        {"", "/home/op", "/home/op/.local/share/morvanex/registro.txt"},
        {"data", "/home/op", "/home/op/.local/share/morvanex/registro.txt"},
        {std::nullopt, std::nullopt, "registro.txt"},
        {"data", "relative", "registro.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(registerFilePath(c.xdgDataHome, c.home), std::filesystem::path(c.path)) << c.path;
}

#ifndef _WIN32
TEST(AppNames, ProfilePathReadsTheEnvironment)
{
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdgBefore = savedXdg ? savedXdg : "";
    const std::string homeBefore = savedHome ? savedHome : "";

    ::setenv("HOME", "/home/tester", 1);
    ::setenv("XDG_CONFIG_HOME", "/xdg/tester", 1);
    EXPECT_EQ(profileFilePath("Morvanex"), std::filesystem::path("/xdg/tester/Morvanex.INI"));
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(profileFilePath("Morvanex"), std::filesystem::path("/home/tester/.config/Morvanex.INI"));

    if (savedXdg)
        ::setenv("XDG_CONFIG_HOME", xdgBefore.c_str(), 1);
    if (savedHome)
        ::setenv("HOME", homeBefore.c_str(), 1);
    else
        ::unsetenv("HOME");
}
#endif
