// The service's parameters in the real registry: what is written, and what
// any stored value reads as.
#include "platform/Handles.h"
#include "settings/Parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kService = L"horaltestparams";
const std::wstring kKey = ServiceKeyPath(kService) + L"\\Parameters";

struct Stored {
    DWORD type;  // REG_NONE: the value is missing
    std::vector<BYTE> data;
};

// The text's characters, followed by its NUL unless `terminated` is false.
Stored Text(const std::wstring& text, bool terminated = true)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + terminated) * sizeof(wchar_t))};
}

Stored Number(DWORD value, DWORD type = REG_DWORD, std::size_t size = 4)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {type, std::vector<BYTE>(bytes, bytes + size)};
}

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ServiceKeyPath(kService).c_str()); }
    void TearDown() override { SetUp(); }

    ServiceParameters Read(const Stored& servers, const Stored& interval)
    {
        UniqueHkey key;
        EXPECT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, kKey.c_str(), key.Put()), ERROR_SUCCESS);
        for (const auto& [name, value] : {std::make_pair(L"ServerNames", servers), {L"TimeInterval", interval}}) {
            ::RegDeleteValueW(key.Get(), name);
            if (value.type != REG_NONE) {
                ::RegSetValueExW(key.Get(), name, 0, value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size()));
            }
        }
        ServiceParameters read{L"stale", 7};
        EXPECT_TRUE(ReadServiceParameters(kService, read));
        return read;
    }
};

}  // namespace

TEST_F(Parameters, WrittenAsTypedWithTheirNul)
{
    for (const std::wstring& servers : {std::wstring(L"  a.example  b.example "), std::wstring()}) {
        ASSERT_TRUE(WriteServiceParameters(kService, {servers, 0}));
        DWORD type = 0, size = 0;
        ::RegGetValueW(HKEY_LOCAL_MACHINE, kKey.c_str(), L"ServerNames", RRF_RT_ANY, &type, nullptr, &size);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, (servers.size() + 1) * sizeof(wchar_t));
        ServiceParameters read;
        ASSERT_TRUE(ReadServiceParameters(kService, read));
        EXPECT_EQ(read.serverNames, servers);
        EXPECT_EQ(read.interval, 0u);
    }
}

TEST_F(Parameters, AnyStoredValueReadsSafely)
{
    const std::wstring fits(4095, L'x'), over(4096, L'y'), longer(20000, L'z');
    const struct {
        Stored servers, interval;
        std::wstring readServers;
        DWORD readInterval;
    } cases[] = {
        {Text(fits), Number(3600), fits, 3600},  // lists of any length are read whole
        {Text(over), Number(0), over, 0},
        {Text(longer), Number(1), longer, 1},
        {Text(L"abc", false), Number(42), L"abc", 42},            // no terminating NUL
        {Text(std::wstring(L"a\0b", 3)), Number(5), L"a", 5},     // ends at the first NUL
        {{REG_NONE, {}}, {REG_NONE, {}}, L"", kDefaultInterval},  // missing
        {Number(5), Text(L"3600"), L"", kDefaultInterval},        // wrong types
        {Text(L"x"), Number(0x0201, REG_BINARY, 2), L"x", kDefaultInterval},
        {Text(L"x"), Number(9, REG_DWORD, 2), L"x", kDefaultInterval},  // a REG_DWORD of 2 bytes
    };
    for (const auto& c : cases) {
        const ServiceParameters read = Read(c.servers, c.interval);
        EXPECT_TRUE(read.serverNames == c.readServers) << read.serverNames.size() << " " << c.readServers.size();
        EXPECT_EQ(read.interval, c.readInterval) << c.readServers.size();
    }
}

TEST_F(Parameters, MissingKeyFailsWithItsRegistryError)
{
    ServiceParameters read;
    ::SetLastError(0);
    EXPECT_FALSE(ReadServiceParameters(kService, read));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
