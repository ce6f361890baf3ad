// The resources of the built HoralSvc.exe, read back from the file.
#include "platform/Handles.h"
#include "ProcessSupport.h"
#include "platform/StringResource.h"
#include "settings/InstallRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const std::wstring kProduct = HostPathToWindows(HORAL_PRODUCT_EXE);

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_.Reset(::LoadLibraryExW(kProduct.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    static void TearDownTestSuite() { module_.Reset(); }
    void SetUp() override { ASSERT_TRUE(module_.IsValid()) << "cannot load " << HORAL_PRODUCT_EXE; }
    static UniqueLibrary module_;
};

UniqueLibrary Resources::module_;

}  // namespace

TEST_F(Resources, LoaderPicksTheLanguageOfTheLocale)
{
    const char* lang = std::getenv("HORAL_EXPECT_LANG");
    const bool german = lang != nullptr && std::string(lang) == "de";
    EXPECT_EQ(LoadStringResource(module_.Get(), 110), german ? L"Wollen Sie den Dienst \"%s\" wirklich deinstallieren?"
                                                             : L"Do you really want to uninstall the service \"%s\"?");
    EXPECT_EQ(LoadStringResource(module_.Get(), 111), german ? L"L\u00e4dt Datum und Zeit von einem Unix Time Server."
                                                             : L"Gets date and time from a unix time server.");
    // Missing entry in an existing block, and a missing block.
    EXPECT_EQ(LoadStringResource(module_.Get(), 100), L"");
    EXPECT_EQ(LoadStringResource(module_.Get(), 5000), L"");
}

TEST(StringTableBlock, EntriesAndDamagedBlocks)
{
    // Entry 0 "ab", entry 1 empty, entry 2 "c", the rest absent.
    const WORD block[] = {2, L'a', L'b', 0, 1, L'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const WORD overrun[] = {40, L'x'};
    // An odd start address: resource data need not be aligned.
    std::vector<BYTE> shifted(sizeof(block) + 1);
    std::memcpy(shifted.data() + 1, block, sizeof(block));
    const struct {
        const void* data;
        std::size_t size;
        UINT index;
        const wchar_t* entry;
    } cases[] = {
        {block, sizeof(block), 0, L"ab"},
        {block, sizeof(block), 1, L""},
        {block, sizeof(block), 2, L"c"},
        {block, sizeof(block), 15, L""},
        {block, sizeof(block), 16, L""},
        {overrun, sizeof(overrun), 0, L""},
        {block, 2 * sizeof(WORD), 0, L""},
        {block, 6 * sizeof(WORD), 3, L""},
        {nullptr, 0, 0, L""},
        {shifted.data() + 1, sizeof(block), 2, L"c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StringTableEntry(c.data, c.size, c.index), c.entry) << c.size << " " << c.index;
    }
}

TEST_F(Resources, MessageTableTexts)
{
    const wchar_t* expected[] = {
        L"The Horal service was installed.\r\n",
        L"The Horal service was removed.\r\n",
        L"The Horal service could not be removed.\r\n",
        L"The control handler could not be installed.\r\n",
        L"The initialization process failed.\r\n",
        L"The service was started.\r\n",
        L"The service received an unsupported request.\r\n",
        L"Debug: Horal\r\n",
        L"The service was stopped.\r\n",
    };
    for (DWORD id = 99; id <= 109; ++id) {
        wchar_t text[512] = {};
        DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(L"Horal")};
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                              module_.Get(), id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text,
                                              512, reinterpret_cast<va_list*>(arguments));
        EXPECT_EQ(std::wstring(text, length), id < 100 || id > 108 ? L"" : expected[id - 100]) << id;
    }
}

TEST_F(Resources, VersionBlock)
{
    EXPECT_EQ(GetFileVersion(kProduct), PackVersion(1, 6, 124, 1400));
    // Files without a readable version resource.
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(GetFileVersion(self), 0u);
    EXPECT_EQ(GetFileVersion(L"C:\\no\\such\\file.exe"), 0u);
}

// The helper carries the product's manifest: the loader gives it the version 6
// assembly from the side-by-side store. Without the manifest this test program
// gets the system's plain copy.
TEST(Manifest, LoaderTakesComCtl32FromTheSideBySideStore)
{
    EXPECT_EQ(RunAndWait(CommandLine(HostPathToWindows(HORAL_SERVICE_HELPER), L"comctl6"), 30000), 2);
    UniqueLibrary plain(::LoadLibraryW(L"ComCtl32.dll"));
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(plain.Get(), path, MAX_PATH);
    ::CharLowerW(path);
    EXPECT_EQ(std::wcsstr(path, L"\\winsxs\\"), nullptr);
}
