// The role choice and the preparation that comes before every role.
#include "app/CommandLine.h"
#include "app/Roles.h"
#include "platform/Probes.h"
#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Roles, FirstArgumentWholeWithoutRegardToCase)
{
    const std::pair<std::vector<const wchar_t*>, Role> cases[] = {
        {{L"-s"}, Role::Service},
        {{L"-S"}, Role::Service},
        {{L"-s", L"-u"}, Role::Service},
        {{L"-u"}, Role::Uninstall},
        {{L"-U", L"vmhoralsvc"}, Role::Uninstall},  // the installed uninstall command
        {{}, Role::Configuration},
        {{L"x", L"-s"}, Role::Configuration}};
    for (const auto& [arguments, role] : cases) {
        EXPECT_EQ(ChooseRole(static_cast<std::uint32_t>(arguments.size()), arguments.data()), role);
    }
    for (const wchar_t* other : {L"-x", L"/u", L"--s", L"/s", L"s", L"-service", L"-", L"", L"-\u0131"}) {
        EXPECT_EQ(ChooseRole(1, &other), Role::Configuration);
    }
}

TEST(Roles, OlderComCtl32GetsTheProgramsOwnLinkClass)
{
    ASSERT_TRUE(PrepareCommonControls());
    WNDCLASSEXW found{};
    found.cbSize = sizeof(found);
    // Wine's ComCtl32 reports 5.81, so the program registers its own class.
    ASSERT_FALSE(IsComCtl6OrLater());
    ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"SysLink", &found));
    EXPECT_EQ(found.lpfnWndProc, &HyperlinkWndProc);
}
