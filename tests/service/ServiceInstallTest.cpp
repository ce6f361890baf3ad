// Installation and removal against Wine's real service control manager.
#include "platform/Handles.h"
#include "ProcessSupport.h"
#include "platform/ModuleInstance.h"
#include "service/ServiceBase.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/Parameters.h"
#include "settings/InstallRecord.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

namespace {

const std::wstring kHelper = HostPathToWindows(HORAL_SERVICE_HELPER);
const std::wstring kProduct = HostPathToWindows(HORAL_PRODUCT_EXE);
// Registered by hand so that the installed name differs from the built-in one.
constexpr wchar_t kStoredDisplayName[] = L"Horal Stored Name";
const bool kGerman =
    std::getenv("HORAL_EXPECT_LANG") != nullptr && std::string(std::getenv("HORAL_EXPECT_LANG")) == "de";

bool ServiceExists()
{
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    return UniqueScHandle(::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS)).IsValid();
}

// Polls until the service reports `state`, or with state 0 until it is gone.
bool WaitForService(DWORD state, DWORD timeoutMilliseconds)
{
    for (DWORD waited = 0; waited <= timeoutMilliseconds; waited += 200) {
        UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle service(::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS));
        SERVICE_STATUS status{};
        if (state == 0 ? !service.IsValid()
                       : ::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == state) {
            return true;
        }
        ::Sleep(200);
    }
    return false;
}

bool KeyExists(const std::wstring& path)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// Stops and deletes the service, waits until it is gone, and deletes every key
// an installation writes.
void PurgeHoralService()
{
    {
        UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
        SERVICE_STATUS status{};
        ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        ::DeleteService(service.Get());
    }
    // A stop takes Wine about ten seconds when the handler waits.
    WaitForService(0, 60000);
    for (const std::wstring& key : {InstallRecordKeyPath(kServiceName), EventSourceKeyPath(kDisplayName),
                                    EventSourceKeyPath(kStoredDisplayName), ServiceKeyPath(kServiceName)}) {
        ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
}

void ExpectValue(const std::wstring& keyPath, const wchar_t* name, DWORD type, const std::wstring& text,
                 DWORD number = 0)
{
    UniqueHkey key;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put());
    DWORD actualType = REG_NONE, size = 0;
    ASSERT_EQ(::RegQueryValueExW(key.Get(), name, nullptr, &actualType, nullptr, &size), ERROR_SUCCESS) << name;
    std::vector<BYTE> data(size);
    ::RegQueryValueExW(key.Get(), name, nullptr, &actualType, data.data(), &size);
    EXPECT_EQ(actualType, type) << name;
    if (type == REG_DWORD) {
        EXPECT_EQ(size == 4 ? *reinterpret_cast<const DWORD*>(data.data()) : ~0u, number) << name;
        return;
    }
    EXPECT_EQ(TextFromRegistryData(data), text) << name;
    // Written with the terminating NUL and nothing after it.
    EXPECT_EQ(data.size(), (text.size() + 1) * sizeof(wchar_t)) << name;
}

// What the confirmation box showed.
struct BoxSeen {
    bool found = false, yesNoOnly = false;
    std::wstring text;
};

BOOL CALLBACK CollectText(HWND child, LPARAM context)
{
    wchar_t className[32] = {}, text[512] = {};
    ::GetClassNameW(child, className, 32);
    if (::lstrcmpiW(className, L"Static") == 0 && ::IsWindowVisible(child) && ::GetWindowTextW(child, text, 512) > 0) {
        reinterpret_cast<BoxSeen*>(context)->text = text;
    }
    return TRUE;
}

// Waits for the box of another thread's Uninstall, notes what it shows and
// presses `answer`.
BoxSeen AnswerBox(int answer)
{
    BoxSeen seen;
    HWND box = nullptr;
    for (int i = 0; i < 200 && (box = ::FindWindowW(L"#32770", kDisplayName)) == nullptr; ++i) {
        ::Sleep(100);
    }
    if (box != nullptr) {
        seen.found = true;
        ::EnumChildWindows(box, &CollectText, reinterpret_cast<LPARAM>(&seen));
        seen.yesNoOnly = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDOK) &&
                         !::GetDlgItem(box, IDCANCEL);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    }
    return seen;
}

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
        ASSERT_FALSE(ServiceExists());
    }
    void TearDown() override { PurgeHoralService(); }

    static UniqueLibrary product_;
    static HWND keeper_;
};

UniqueLibrary ServiceInstall::product_;
HWND ServiceInstall::keeper_ = nullptr;

// A copy of the helper in a folder whose name has a blank.
struct CopiedHelper {
    CopiedHelper()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"horal svc test";
        path = folder + L"\\Horal Helper.exe";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        copied = ::CopyFileW(kHelper.c_str(), path.c_str(), FALSE) != FALSE;
    }
    ~CopiedHelper()
    {
        ::DeleteFileW(path.c_str());
        ::RemoveDirectoryW(folder.c_str());
    }
    std::wstring folder, path;
    bool copied = false;
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
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        ASSERT_TRUE(::QueryServiceConfigW(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed));
        EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(std::wstring(config->lpBinaryPathName), L"\"" + helper.path + L"\" -s");
        EXPECT_EQ(std::wstring(config->lpDisplayName), kDisplayName);
    }

    const std::wstring eventSource = EventSourceKeyPath(kDisplayName);
    const std::wstring parameters = ServiceKeyPath(kServiceName) + L"\\Parameters";
    const std::wstring record = InstallRecordKeyPath(kServiceName);
    const std::wstring uninstall = L"\"" + helper.path + L"\" -u vmhoralsvc";
    ExpectValue(eventSource, L"EventMessageFile", REG_EXPAND_SZ, helper.path);
    ExpectValue(eventSource, L"TypesSupported", REG_DWORD, L"", 7);
    ExpectValue(ServiceKeyPath(kServiceName), L"Description", REG_SZ,
                kGerman ? L"L\u00e4dt Datum und Zeit von einem Unix Time Server."
                        : L"Gets date and time from a unix time server.");
    ExpectValue(parameters, L"ServerNames", REG_SZ, L"127.0.0.200 127.0.0.201");
    ExpectValue(parameters, L"TimeInterval", REG_DWORD, L"", 3600);
    ExpectValue(record, L"DisplayName", REG_SZ, kDisplayName);
    ExpectValue(record, L"Publisher", REG_SZ, L"Velmora - Trevanne");
    ExpectValue(record, L"InstallLocation", REG_SZ, helper.path);
    ExpectValue(record, L"DisplayVersion", REG_SZ, L"1.6.124.1400");
    ExpectValue(record, L"VersionMajor", REG_DWORD, L"", 1);
    ExpectValue(record, L"VersionMinor", REG_DWORD, L"", 6);
    ExpectValue(record, L"UninstallString", REG_SZ, uninstall);
    ExpectValue(record, L"UninstallPath", REG_SZ, uninstall);
    for (const wchar_t* name : {L"URLInfoAbout", L"URLUpdateInfo", L"HelpLink"}) {
        ExpectValue(record, name, REG_SZ, L"https://velmora.example/");
    }

    // The start request reached the manager and the service came up.
    EXPECT_TRUE(WaitForService(SERVICE_RUNNING, 30000));

    // A second installation stops at the registration: the stored parameters
    // and the (here altered) record stay as they are.
    ::SHSetValueW(HKEY_LOCAL_MACHINE, record.c_str(), L"DisplayVersion", REG_SZ, L"altered", 16);
    EXPECT_EQ(RunAndWait(CommandLine(helper.path, L"install 127.0.0.202 60")), 1);
    ExpectValue(parameters, L"ServerNames", REG_SZ, L"127.0.0.200 127.0.0.201");
    ExpectValue(parameters, L"TimeInterval", REG_DWORD, L"", 3600);
    ExpectValue(record, L"DisplayVersion", REG_SZ, L"altered");

    // Removal of the running service: the stop goes out and the deletion
    // follows without waiting for the service to end. A handle of our own
    // keeps the marked service visible long enough to look at it.
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle watched(::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS));
    TimeService remover(L"", L"", 0);
    EXPECT_TRUE(remover.ServiceBase::Uninstall());
    SERVICE_STATUS status{};
    ASSERT_TRUE(::QueryServiceStatus(watched.Get(), &status));
    EXPECT_TRUE(status.dwCurrentState == SERVICE_STOP_PENDING || status.dwCurrentState == SERVICE_STOPPED)
        << status.dwCurrentState;
    watched.Reset();
    EXPECT_TRUE(WaitForService(0, 60000));
    // The generic removal leaves the record and the event source to others.
    EXPECT_TRUE(KeyExists(record) && KeyExists(eventSource));
}

TEST_F(ServiceInstall, UninstallAsksWithTheStoredNameAndHonoursTheAnswer)
{
    // Registered by hand and not started, as a stopped installation.
    {
        UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(::CreateServiceW(manager.Get(), kServiceName, kStoredDisplayName, SERVICE_ALL_ACCESS,
                                                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                BuildImagePath(kHelper, L"-s").c_str(), nullptr, nullptr, nullptr,
                                                nullptr, nullptr));
        ASSERT_TRUE(service.IsValid()) << ::GetLastError();
    }
    WriteInstallRecord(kStoredDisplayName, kServiceName);
    const std::wstring record = InstallRecordKeyPath(kServiceName);
    TimeService service(L"", L"", 0);
    ASSERT_EQ(service.displayName, kStoredDisplayName);

    // No: the question names the stored service, and nothing is removed.
    auto answer = std::async(std::launch::async, AnswerBox, IDNO);
    EXPECT_FALSE(service.TimeService::Uninstall());
    const BoxSeen seen = answer.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kGerman ? L"Wollen Sie den Dienst \"Horal Stored Name\" wirklich deinstallieren?"
                                 : L"Do you really want to uninstall the service \"Horal Stored Name\"?");
    EXPECT_TRUE(seen.yesNoOnly);
    EXPECT_TRUE(ServiceExists() && KeyExists(record));

    // Yes: the stopped service is deleted at once, and so is the record.
    answer = std::async(std::launch::async, AnswerBox, IDYES);
    EXPECT_TRUE(service.TimeService::Uninstall());
    EXPECT_TRUE(answer.get().found);
    EXPECT_TRUE(WaitForService(0, 5000));
    EXPECT_FALSE(KeyExists(record));

    // Nothing installed any more: removal fails and a leftover record stays.
    WriteInstallRecord(kStoredDisplayName, kServiceName);
    answer = std::async(std::launch::async, AnswerBox, IDYES);
    EXPECT_FALSE(service.TimeService::Uninstall());
    EXPECT_TRUE(answer.get().found);
    EXPECT_TRUE(KeyExists(record));
}

TEST(ServiceInstallHelpers, UninstallQuestion)
{
    EXPECT_EQ(BuildUninstallQuestion(L"Do you really want to uninstall the service \"%s\"?", kDisplayName),
              L"Do you really want to uninstall the service \"Velmora Horal Service\"?");
    // A name that looks like a format is taken literally; only one name is
    // put in; "%%" is a percent sign; a lone trailing "%" stays.
    EXPECT_EQ(BuildUninstallQuestion(L"[%s] [%s] 100%% %d %", L"%s%d"), L"[%s%d] [%s] 100% %d %");
}
