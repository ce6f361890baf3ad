#include "platform/Probes.h"
#include "app/Roles.h"
#include "text/TextConvert.h"
#include "ui/ConfigDialog.h"
#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

TEST(app_roles, CommonControlClassesAddTheLinkClassOnlyForVersion6)
{
    EXPECT_EQ(CommonControlClasses(true), 0x87FFu);
    EXPECT_EQ(CommonControlClasses(false), 0x7FFu);
}

TEST(app_roles, OlderComCtl32GetsTheProgramsOwnLinkClass)
{
    ASSERT_TRUE(PrepareCommonControls());
    if (IsComCtl6OrLater()) {
        GTEST_SKIP() << "ComCtl32 6 brings its own link control";
    }
    WNDCLASSEXW found{};
    found.cbSize = sizeof(found);
    ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"SysLink", &found));
    EXPECT_EQ(found.lpfnWndProc, &HyperlinkWndProc);
}

struct DialogRun {
    INT_PTR result = -3;
    std::wstring serverNames;
    std::uint32_t interval = 0;
    int focusAtStart = 0;
    std::wstring intervalAtStart;
};

BOOL CALLBACK TakeConfigDialog(HWND window, LPARAM out)
{
    if (::GetDlgItem(window, kServerNamesField)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialogOf(DWORD threadId)
{
    HWND found = nullptr;
    for (int i = 0; i < 100 && !found; ++i) {
        ::EnumThreadWindows(threadId, TakeConfigDialog, reinterpret_cast<LPARAM>(&found));
        if (!found) {
            ::Sleep(100);
        }
    }
    return found;
}

// Runs the product's dialog 111 on this thread while another thread, as a
// user would, puts the two texts into the fields and sends `command`.
DialogRun RunDialog(const wchar_t* servers, const wchar_t* interval, int command = IDOK)
{
    DialogRun run;
    const DWORD dialogThread = ::GetCurrentThreadId();
    std::thread user([&] {
        // Windows are looked up on the desktop of the calling thread.
        ::SetThreadDesktop(::GetThreadDesktop(dialogThread));
        HWND dialog = FindDialogOf(dialogThread);
        if (!dialog) {
            return;
        }
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (::GetGUIThreadInfo(dialogThread, &info) && info.hwndFocus) {
            run.focusAtStart = ::GetDlgCtrlID(info.hwndFocus);
        }
        wchar_t text[64] = L"";
        ::GetDlgItemTextW(dialog, kIntervalField, text, 64);
        run.intervalAtStart = text;
        ::SetDlgItemTextW(dialog, kServerNamesField, servers);
        ::SetDlgItemTextW(dialog, kIntervalField, interval);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, command)));
    });
    ConfigDialog dialog;
    run.result = dialog.DoModal(::GetModuleHandleW(nullptr), kConfigDialogId, nullptr);
    user.join();
    run.serverNames = dialog.serverNames;
    run.interval = dialog.interval;
    return run;
}

TEST(app_roles, DialogOpensWithDefaultsAndTakesTheTextsAsTyped)
{
    const DialogRun run = RunDialog(L"  time.example   127.0.0.1 ", L"3 600");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.focusAtStart, kServerNamesField);
    EXPECT_EQ(run.intervalAtStart, L"86400");
    EXPECT_EQ(run.serverNames, L"  time.example   127.0.0.1 ");
    EXPECT_EQ(run.interval, 3600u);
}

TEST(app_roles, IntervalTextsReadAsTheLow32BitsOfTheirNumber)
{
    const struct {
        const wchar_t* text;
        std::uint32_t interval;
    } cases[] = {
        {L"3600", 3600},    {L" 3 600 ", 3600}, {L"90 s", 90}, {L"1e3", 1}, {L"-1", 4294967295u},
        {L"4294967296", 0}, {L"4294967297", 1}, {L" -5", 0},   {L"", 0},    {L"seconds", 0},
    };
    for (const auto& c : cases) {
        const DialogRun run = RunDialog(L"", c.text);
        EXPECT_EQ(run.result, 1) << "text [" << ToUtf8(c.text) << "]";
        EXPECT_EQ(run.interval, c.interval) << "text [" << ToUtf8(c.text) << "]";
    }
}

TEST(app_roles, CancelKeepsTheDefaults)
{
    const DialogRun run = RunDialog(L"127.0.0.1", L"60", IDCANCEL);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.serverNames, L"");
    EXPECT_EQ(run.interval, 86400u);
}

}  // namespace
