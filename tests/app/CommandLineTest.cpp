#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

Role RoleOf(std::initializer_list<const wchar_t*> arguments)
{
    std::vector<const wchar_t*> vector(arguments);
    return ChooseRole(static_cast<std::uint32_t>(vector.size()), vector.empty() ? nullptr : vector.data());
}

}  // namespace

TEST(RoleChoice, WholeFirstArgumentWithoutRegardToCase)
{
    EXPECT_EQ(RoleOf({L"-s"}), Role::Service);
    EXPECT_EQ(RoleOf({L"-S"}), Role::Service);
    EXPECT_EQ(RoleOf({L"-u"}), Role::Uninstall);
    EXPECT_EQ(RoleOf({L"-U"}), Role::Uninstall);
    // The uninstall command of the installed-programs record passes the service name.
    EXPECT_EQ(RoleOf({L"-u", L"vmhoralsvc"}), Role::Uninstall);
    EXPECT_EQ(RoleOf({L"-s", L"-u"}), Role::Service);
    for (const wchar_t* other : {L"-x", L"/u", L"--s", L"/s", L"s", L"-service", L"-", L"", L"-\u0131"}) {
        EXPECT_EQ(RoleOf({other}), Role::Configuration) << static_cast<const void*>(other);
    }
    EXPECT_EQ(RoleOf({}), Role::Configuration);
    EXPECT_EQ(RoleOf({L"x", L"-s"}), Role::Configuration);
}

TEST(RoleChoice, CommandLineOfThisProcessSplits)
{
    std::uint32_t count = 99;
    wchar_t** first = nullptr;
    ASSERT_TRUE(SplitCommandLine(count, first));
    // CTest starts the test program without arguments.
    EXPECT_EQ(count, 0u);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first[0], nullptr);
}
