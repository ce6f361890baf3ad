// The role choice and the preparation that comes before every role.
#include "app/CommandLine.h"
#include "app/Roles.h"
#include "platform/Probes.h"
#include "ui/ConfigDialog.h"
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

TEST(Roles, TheDialogTakesWholeSecondsFrom4AndAtLeastOneServer)
{
    // 0: refused.
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {
        {L"3600", 3600}, {L"  3600 ", 3600}, {L"3 600", 3600}, {L"4", 4},   {L"4294967295", 4294967295u},
        {L"90 s", 0},    {L"1e3", 0},        {L"-1", 0},       {L"abc", 0}, {L"", 0},
        {L"  ", 0},      {L"4294967296", 0}, {L"3", 0},        {L"+5", 0},  {L"99999999999999999999", 0}};
    for (const auto& [text, interval] : cases) {
        std::uint32_t seconds = 0;
        EXPECT_EQ(IntervalFromText(text, seconds) ? seconds : 0, interval) << static_cast<const void*>(text);
    }
    EXPECT_TRUE(NamesAServer(L"  a  ") && !NamesAServer(L"   ") && !NamesAServer(L""));
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
