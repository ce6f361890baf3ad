// Installation and removal against Wine's real service control manager.
#include "ServiceTestSupport.h"

#include "Handles.h"
#include "app/ModuleInstance.h"
#include "service/ServiceBase.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/InstallRecord.h"
#include "settings/Registry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::wstring kHelper = HostPathToWindows(HORAL_SERVICE_HELPER);
const std::wstring kProduct = HostPathToWindows(HORAL_PRODUCT_EXE);

bool ExpectGerman()
{
    const char* lang = std::getenv("HORAL_EXPECT_LANG");
    return lang != nullptr && std::string(lang) == "de";
}

std::wstring ExpectedDescription()
{
    return ExpectGerman() ? L"L\u00e4dt Datum und Zeit von einem Unix Time Server."
                          : L"Gets date and time from a unix time server.";
}

std::wstring ExpectedQuestion(const std::wstring& name)
{
    return ExpectGerman() ? L"Wollen Sie den Dienst \"" + name + L"\" wirklich deinstallieren?"
                          : L"Do you really want to uninstall the service \"" + name + L"\"?";
}

struct RegValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    std::wstring Text() const { return TextFromRegistryData(data); }
    DWORD Number() const { return data.size() == 4 ? *reinterpret_cast<const DWORD*>(data.data()) : 0xFFFFFFFFu; }
};

RegValue ReadValue(const std::wstring& keyPath, const wchar_t* name)
{
    RegValue value;
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (::RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return value;
    }
    value.data.resize(size);
    value.found = ::RegQueryValueExW(key.Get(), name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    return value;
}

void ExpectText(const std::wstring& keyPath, const wchar_t* name, DWORD type, const std::wstring& text)
{
    const RegValue value = ReadValue(keyPath, name);
    EXPECT_TRUE(value.found) << name;
    EXPECT_EQ(value.type, type) << name;
    EXPECT_EQ(value.Text(), text) << name;
    // Written with the terminating NUL and nothing after it.
    EXPECT_EQ(value.data.size(), (text.size() + 1) * sizeof(wchar_t)) << name;
}

void ExpectNumber(const std::wstring& keyPath, const wchar_t* name, DWORD number)
{
    const RegValue value = ReadValue(keyPath, name);
    EXPECT_TRUE(value.found) << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(value.Number(), number) << name;
}

// A service registered by hand, not started, as an installation would leave
// it after the service stopped.
void RegisterStoppedService()
{
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    const std::wstring image = BuildImagePath(kHelper, L"-s");
    UniqueScHandle service(::CreateServiceW(manager.Get(), kServiceName, kStoredDisplayName, SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                            image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service.IsValid()) << ::GetLastError();
}

// What the confirmation box showed, and the answer it was given.
struct BoxSeen {
    bool found = false;
    std::wstring text;
    bool yes = false, no = false, ok = false, cancel = false, icon = false;
    bool yesIsDefault = false;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM context)
{
    auto* seen = reinterpret_cast<BoxSeen*>(context);
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    if (::lstrcmpiW(className, L"Static") != 0 || !::IsWindowVisible(child)) {
        return TRUE;
    }
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen->icon = seen->icon || ::SendMessageW(child, STM_GETICON, 0, 0) != 0;
        return TRUE;
    }
    wchar_t text[512] = {};
    if (::GetWindowTextW(child, text, 512) > 0) {
        seen->text = text;
    }
    return TRUE;
}

// Waits on its own thread for the box of the calling thread's Uninstall,
// notes what it shows and presses `answer`.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer) : thread_([this, answer] { Answer(answer); }) {}
    BoxSeen Join()
    {
        thread_.join();
        return seen_;
    }

private:
    void Answer(int answer)
    {
        HWND box = nullptr;
        for (int i = 0; i < 200 && box == nullptr; ++i) {
            box = ::FindWindowW(L"#32770", kDisplayName);
            if (box == nullptr) {
                ::Sleep(100);
            }
        }
        if (box == nullptr) {
            return;
        }
        seen_.found = true;
        ::EnumChildWindows(box, &CollectChild, reinterpret_cast<LPARAM>(&seen_));
        seen_.yes = ::GetDlgItem(box, IDYES) != nullptr;
        seen_.no = ::GetDlgItem(box, IDNO) != nullptr;
        seen_.ok = ::GetDlgItem(box, IDOK) != nullptr;
        seen_.cancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
        const LONG yesStyle = ::GetWindowLongW(::GetDlgItem(box, IDYES), GWL_STYLE);
        seen_.yesIsDefault = (yesStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    }

    BoxSeen seen_;
    std::thread thread_;
};

class ServiceInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Wine: while its desktop process has no display, a process that had
        // no window when a child used the window manager can create none
        // (error 1400). A window made first keeps the question box possible.
        keeper_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        // Strings and question come from the product's own resources.
        product_.Reset(::LoadLibraryExW(kProduct.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        g_moduleInstance = product_.Get();
    }
    static void TearDownTestSuite()
    {
        g_moduleInstance = nullptr;
        product_.Reset();
        ::DestroyWindow(keeper_);
    }
    void SetUp() override
    {
        ASSERT_NE(g_moduleInstance, nullptr);
        PurgeHoralService();
        ASSERT_FALSE(ServiceExists(kServiceName));
    }
    void TearDown() override { PurgeHoralService(); }

    static UniqueLibrary product_;
    static HWND keeper_;
};

UniqueLibrary ServiceInstall::product_;
HWND ServiceInstall::keeper_ = nullptr;

// A copy of the helper in a folder whose name has a blank.
class CopiedHelper {
public:
    CopiedHelper()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"horal svc test";
        path = folder_ + L"\\Horal Helper.exe";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        copied = ::CopyFileW(kHelper.c_str(), path.c_str(), FALSE) != FALSE;
    }
    ~CopiedHelper()
    {
        ::DeleteFileW(path.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    std::wstring path;
    bool copied = false;

private:
    std::wstring folder_;
};

}  // namespace

TEST_F(ServiceInstall, InstallsOnceFromAPathWithBlanksAndRemovesTheRunningService)
{
    CopiedHelper helper;
    ASSERT_TRUE(helper.copied);
    ASSERT_EQ(RunAndWait(CommandLine(helper.path, L"install \"127.0.0.200 127.0.0.201\" 3600")), 0);

    {
        UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle service(::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_CONFIG));
        ASSERT_TRUE(service.IsValid());
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        ASSERT_TRUE(::QueryServiceConfigW(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed));
        EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_EQ(std::wstring(config->lpBinaryPathName), L"\"" + helper.path + L"\" -s");
        EXPECT_EQ(std::wstring(config->lpDisplayName), kDisplayName);
    }

    const std::wstring eventSource = EventSourceKeyPath(kDisplayName);
    ExpectText(eventSource, L"EventMessageFile", REG_EXPAND_SZ, helper.path);
    ExpectNumber(eventSource, L"TypesSupported", 7);
    ExpectText(ServiceKeyPath(kServiceName), L"Description", REG_SZ, ExpectedDescription());

    const std::wstring parameters = ServiceKeyPath(kServiceName) + L"\\Parameters";
    ExpectText(parameters, L"ServerNames", REG_SZ, L"127.0.0.200 127.0.0.201");
    ExpectNumber(parameters, L"TimeInterval", 3600);

    const std::wstring record = InstallRecordKeyPath(kServiceName);
    const std::wstring uninstall = L"\"" + helper.path + L"\" -u vmhoralsvc";
    ExpectText(record, L"DisplayName", REG_SZ, kDisplayName);
    ExpectText(record, L"Publisher", REG_SZ, L"Velmora - Trevanne");
    ExpectText(record, L"InstallLocation", REG_SZ, helper.path);
    ExpectText(record, L"DisplayVersion", REG_SZ, L"1.6.124.1400");
    ExpectNumber(record, L"VersionMajor", 1);
    ExpectNumber(record, L"VersionMinor", 6);
    ExpectText(record, L"UninstallString", REG_SZ, uninstall);
    ExpectText(record, L"UninstallPath", REG_SZ, uninstall);
    for (const wchar_t* name : {L"URLInfoAbout", L"URLUpdateInfo", L"HelpLink"}) {
        ExpectText(record, name, REG_SZ, L"https://velmora.example/");
    }

    // The start request reached the manager and the service came up.
    EXPECT_TRUE(WaitForServiceState(kServiceName, SERVICE_RUNNING, 30000));

    // A second installation stops at the registration: the stored parameters
    // and the (here altered) record stay as they are.
    ::SHSetValueW(HKEY_LOCAL_MACHINE, record.c_str(), L"DisplayVersion", REG_SZ, L"altered", 16);
    EXPECT_EQ(RunAndWait(CommandLine(helper.path, L"install 127.0.0.202 60")), 1);
    ExpectText(parameters, L"ServerNames", REG_SZ, L"127.0.0.200 127.0.0.201");
    ExpectNumber(parameters, L"TimeInterval", 3600);
    ExpectText(record, L"DisplayVersion", REG_SZ, L"altered");

    // Removal of the running service: the stop goes out and the deletion
    // follows without waiting for the service to end. A handle of our own
    // keeps the marked service visible long enough to look at it.
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle watched(::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS));
    const ULONGLONG started = ::GetTickCount64();
    EXPECT_EQ(RunAndWait(CommandLine(helper.path, L"uninstall-base")), 0);
    const ULONGLONG took = ::GetTickCount64() - started;
    SERVICE_STATUS status{};
    ASSERT_TRUE(::QueryServiceStatus(watched.Get(), &status));
    EXPECT_TRUE(status.dwCurrentState == SERVICE_STOP_PENDING || status.dwCurrentState == SERVICE_STOPPED)
        << status.dwCurrentState;
    watched.Reset();
    EXPECT_TRUE(WaitForServiceGone(kServiceName, 60000));
    std::printf("uninstall of the running service took %llu ms\n", static_cast<unsigned long long>(took));

    // The generic removal leaves the record and the event source to others.
    EXPECT_TRUE(KeyExists(record));
    EXPECT_TRUE(KeyExists(eventSource));
}

TEST_F(ServiceInstall, GenericRemovalDeletesAStoppedServiceAndFailsWithoutOne)
{
    RegisterStoppedService();
    EXPECT_EQ(RunAndWait(CommandLine(kHelper, L"uninstall-base")), 0);
    // Nothing runs, so nothing delays the deletion.
    EXPECT_TRUE(WaitForServiceGone(kServiceName, 5000));
    EXPECT_EQ(RunAndWait(CommandLine(kHelper, L"uninstall-base")), 1);
}

TEST_F(ServiceInstall, UninstallAsksWithTheStoredNameAndHonoursTheAnswer)
{
    RegisterStoppedService();
    WriteInstallRecord(kStoredDisplayName, kServiceName);
    const std::wstring record = InstallRecordKeyPath(kServiceName);

    TimeService service(L"", L"", 0);
    ASSERT_EQ(service.displayName, kStoredDisplayName);

    BoxAnswerer no(IDNO);
    EXPECT_FALSE(service.TimeService::Uninstall());
    const BoxSeen seen = no.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, ExpectedQuestion(kStoredDisplayName));
    EXPECT_TRUE(seen.yes && seen.no);
    EXPECT_FALSE(seen.ok || seen.cancel);
    EXPECT_FALSE(seen.icon);
    EXPECT_TRUE(seen.yesIsDefault);
    EXPECT_TRUE(ServiceExists(kServiceName));
    EXPECT_TRUE(KeyExists(record));

    BoxAnswerer yes(IDYES);
    EXPECT_TRUE(service.TimeService::Uninstall());
    EXPECT_TRUE(yes.Join().found);
    EXPECT_TRUE(WaitForServiceGone(kServiceName, 5000));
    EXPECT_FALSE(KeyExists(record));

    // Nothing installed any more: Yes leads nowhere and a record that is
    // still around stays.
    WriteInstallRecord(kStoredDisplayName, kServiceName);
    BoxAnswerer again(IDYES);
    EXPECT_FALSE(service.TimeService::Uninstall());
    EXPECT_TRUE(again.Join().found);
    EXPECT_TRUE(KeyExists(record));
}

TEST(ServiceInstallHelpers, ImagePathAndQuestion)
{
    EXPECT_EQ(BuildImagePath(L"C:\\Program Files\\Horal\\HoralSvc.exe", L"-s"),
              L"\"C:\\Program Files\\Horal\\HoralSvc.exe\" -s");
    EXPECT_EQ(BuildImagePath(L"C:\\HoralSvc.exe", L""), L"\"C:\\HoralSvc.exe\"");

    EXPECT_EQ(BuildUninstallQuestion(L"Do you really want to uninstall the service \"%s\"?", kDisplayName),
              L"Do you really want to uninstall the service \"Velmora Horal Service\"?");
    EXPECT_EQ(BuildUninstallQuestion(L"Wollen Sie den Dienst \"%s\" wirklich deinstallieren?", L"X"),
              L"Wollen Sie den Dienst \"X\" wirklich deinstallieren?");
    // A name that looks like a format is taken literally; only one name is
    // put in; "%%" is a percent sign; a lone trailing "%" stays.
    EXPECT_EQ(BuildUninstallQuestion(L"[%s] [%s] 100%% %d %", L"%s%d"), L"[%s%d] [%s] 100% %d %");
    EXPECT_EQ(BuildUninstallQuestion(L"", L"name"), L"");
}
