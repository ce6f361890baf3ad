// Runs the window tests on a desktop of their own. Its desktop process is
// started from this program, with this program's display, whatever state the
// shared default desktop of the test prefix is in.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

class OwnDesktop : public ::testing::Environment {
public:
    void SetUp() override
    {
        HDESK desktop = ::CreateDesktopW(L"HoralUiTests", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(desktop, nullptr);
        ASSERT_TRUE(::SetThreadDesktop(desktop));
    }
};

::testing::Environment* const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

}  // namespace
