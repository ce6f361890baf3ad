// The resources of the built HoralSvc.exe, read back from the file.
#include "Handles.h"
#include "ProcessSupport.h"
#include "app/Probes.h"
#include "service/ServiceInstall.h"
#include "service/StringResource.h"
#include "settings/InstallRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::wstring kProduct = HostPathToWindows(HORAL_PRODUCT_EXE);
const std::wstring kHelper = HostPathToWindows(HORAL_SERVICE_HELPER);
constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

const wchar_t kQuestionEn[] = L"Do you really want to uninstall the service \"%s\"?";
const wchar_t kQuestionDe[] = L"Wollen Sie den Dienst \"%s\" wirklich deinstallieren?";
const wchar_t kDescriptionEn[] = L"Gets date and time from a unix time server.";
const wchar_t kDescriptionDe[] = L"L\u00e4dt Datum und Zeit von einem Unix Time Server.";

bool ExpectGerman()
{
    const char* lang = std::getenv("HORAL_EXPECT_LANG");
    return lang != nullptr && std::string(lang) == "de";
}

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_.Reset(::LoadLibraryExW(kProduct.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    static void TearDownTestSuite() { module_.Reset(); }
    void SetUp() override { ASSERT_TRUE(module_.IsValid()) << "cannot load " << HORAL_PRODUCT_EXE; }

    // The raw bytes of one resource in one language; empty when missing.
    static std::vector<BYTE> Raw(LPCWSTR type, LPCWSTR name, WORD language)
    {
        HRSRC found = ::FindResourceExW(module_.Get(), type, name, language);
        if (found == nullptr) {
            return {};
        }
        const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module_.Get(), found)));
        return std::vector<BYTE>(data, data + ::SizeofResource(module_.Get(), found));
    }

    static std::wstring Message(DWORD id, const wchar_t* insert)
    {
        wchar_t text[512] = {};
        DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(insert)};
        DWORD flags = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY;
        if (insert == nullptr) {
            flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
        }
        const DWORD length =
            ::FormatMessageW(flags, module_.Get(), id, kEnglish, text, 512, reinterpret_cast<va_list*>(arguments));
        return std::wstring(text, length);
    }

    static UniqueLibrary module_;
};

UniqueLibrary Resources::module_;

}  // namespace

TEST_F(Resources, StringTableInEnglishAndGerman)
{
    // Ids 110 and 111 are entries 14 and 15 of block 7.
    const std::vector<BYTE> english = Raw(RT_STRING, MAKEINTRESOURCEW(7), kEnglish);
    const std::vector<BYTE> german = Raw(RT_STRING, MAKEINTRESOURCEW(7), kGerman);
    ASSERT_FALSE(english.empty());
    ASSERT_FALSE(german.empty());
    EXPECT_EQ(StringTableEntry(english.data(), english.size(), 14), kQuestionEn);
    EXPECT_EQ(StringTableEntry(english.data(), english.size(), 15), kDescriptionEn);
    EXPECT_EQ(StringTableEntry(german.data(), german.size(), 14), kQuestionDe);
    EXPECT_EQ(StringTableEntry(german.data(), german.size(), 15), kDescriptionDe);
}

TEST_F(Resources, LoaderPicksTheLanguageOfTheLocale)
{
    const bool german = ExpectGerman();
    EXPECT_EQ(LoadStringResource(module_.Get(), 111), german ? kDescriptionDe : kDescriptionEn);
    EXPECT_EQ(BuildUninstallQuestion(LoadStringResource(module_.Get(), 110), L"Velmora Horal Service"),
              german ? L"Wollen Sie den Dienst \"Velmora Horal Service\" wirklich deinstallieren?"
                     : L"Do you really want to uninstall the service \"Velmora Horal Service\"?");
    // Missing entry in an existing block, and a missing block.
    EXPECT_EQ(LoadStringResource(module_.Get(), 100), L"");
    EXPECT_EQ(LoadStringResource(module_.Get(), 5000), L"");
}

TEST(StringTableBlock, EntriesAndDamagedBlocks)
{
    // Entry 0 "ab", entry 1 empty, entry 2 "c", the rest absent.
    const WORD block[] = {2, L'a', L'b', 0, 1, L'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(StringTableEntry(block, sizeof(block), 0), L"ab");
    EXPECT_EQ(StringTableEntry(block, sizeof(block), 1), L"");
    EXPECT_EQ(StringTableEntry(block, sizeof(block), 2), L"c");
    EXPECT_EQ(StringTableEntry(block, sizeof(block), 15), L"");
    EXPECT_EQ(StringTableEntry(block, sizeof(block), 16), L"");
    // A count that runs past the end of the block, and a block cut short.
    const WORD damaged[] = {40, L'x'};
    EXPECT_EQ(StringTableEntry(damaged, sizeof(damaged), 0), L"");
    EXPECT_EQ(StringTableEntry(block, 2 * sizeof(WORD), 0), L"");
    EXPECT_EQ(StringTableEntry(block, 6 * sizeof(WORD), 3), L"");
    EXPECT_EQ(StringTableEntry(nullptr, 0, 0), L"");
    // An odd start address: resource data need not be aligned.
    std::vector<BYTE> shifted(sizeof(block) + 1);
    std::memcpy(shifted.data() + 1, block, sizeof(block));
    EXPECT_EQ(StringTableEntry(shifted.data() + 1, sizeof(block), 2), L"c");
}

TEST_F(Resources, MessageTableTextsEndWithCrLf)
{
    const wchar_t* expected[] = {
        L"The %1 service was installed.\r\n",
        L"The %1 service was removed.\r\n",
        L"The %1 service could not be removed.\r\n",
        L"The control handler could not be installed.\r\n",
        L"The initialization process failed.\r\n",
        L"The service was started.\r\n",
        L"The service received an unsupported request.\r\n",
        L"Debug: %1\r\n",
        L"The service was stopped.\r\n",
    };
    for (DWORD id = 100; id <= 108; ++id) {
        EXPECT_EQ(Message(id, nullptr), expected[id - 100]) << id;
    }
    EXPECT_EQ(Message(100, L"Horal"), L"The Horal service was installed.\r\n");
    EXPECT_EQ(Message(107, L"x"), L"Debug: x\r\n");
    EXPECT_EQ(Message(99, nullptr), L"");
    EXPECT_EQ(Message(109, nullptr), L"");
    EXPECT_FALSE(Raw(RT_MESSAGETABLE, MAKEINTRESOURCEW(1), kEnglish).empty());
    EXPECT_TRUE(Raw(RT_MESSAGETABLE, MAKEINTRESOURCEW(1), kGerman).empty());
}

TEST_F(Resources, VersionBlock)
{
    const PackedVersion version = GetFileVersion(kProduct);
    EXPECT_EQ(version, PackVersion(1, 6, 124, 1400));
    EXPECT_EQ(FormatVersion(version), L"1.6.124.1400");

    const std::vector<BYTE> raw = Raw(RT_VERSION, MAKEINTRESOURCEW(1), kEnglish);
    ASSERT_FALSE(raw.empty());
    std::vector<BYTE> info(raw);
    void* data = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", &data, &size));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010006u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x007C0578u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"CompanyName", L"Velmora - Trevanne"}, {L"FileDescription", L"Velmora HoralSvc"},
        {L"ProductName", L"Velmora HoralSvc"},   {L"InternalName", L"HORALSVC"},
        {L"OriginalFilename", L"HoralSvc.exe"},  {L"FileVersion", L"1.6.124.1400"},
        {L"ProductVersion", L"1.6.124.1400"},
    };
    for (const auto& [name, value] : strings) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(::VerQueryValueW(info.data(), path.c_str(), &data, &size)) << name;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(data)), value);
    }

    // Files without a readable version resource.
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(GetFileVersion(self), 0u);
    EXPECT_EQ(GetFileVersion(L"C:\\no\\such\\file.exe"), 0u);
}

TEST_F(Resources, ManifestAsksForCommonControls6)
{
    const std::vector<BYTE> raw = Raw(RT_MANIFEST, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    const std::string manifest(raw.begin(), raw.end());
    for (const char* part : {
             "name=\"Velmora.HoralSvc\" version=\"1.6.124.1400\"",
             "<description>Velmora Horal Service</description>",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "processorArchitecture=\"" HORAL_MANIFEST_ARCH "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"",
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    // The helper carries the same manifest: the loader gives it the version 6
    // assembly from the side-by-side store. (Wine 8's copy of that assembly
    // still calls itself 5.81, so IsComCtl6OrLater is only reported.)
    std::wstring commandLine = L"\"" + kHelper + L"\" comctl6";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    UniqueKernelHandle processHandle(process.hProcess);
    UniqueKernelHandle threadHandle(process.hThread);
    ASSERT_EQ(::WaitForSingleObject(processHandle.Get(), 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(processHandle.Get(), &code);
    EXPECT_EQ(code & 2, 2u) << "ComCtl32 did not come from the side-by-side store";
    std::printf("helper: IsComCtl6OrLater %s\n", (code & 1) != 0 ? "true" : "false");
    // Without the manifest this test program gets the system's plain copy.
    UniqueLibrary plain(::LoadLibraryW(L"ComCtl32.dll"));
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(plain.Get(), path, MAX_PATH);
    ::CharLowerW(path);
    EXPECT_EQ(std::wcsstr(path, L"\\winsxs\\"), nullptr);
}
