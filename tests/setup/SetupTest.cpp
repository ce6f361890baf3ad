// What the package installs from its properties and the settings already stored.
#include "setup/PackageSettings.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(PackageSettings, GivenPropertiesPassTheDialogsRulesAndOnesNotGivenKeepWhatIsStored)
{
    const std::optional<ServiceParameters> none, stored = ServiceParameters{L"old.example", 60};
    // Servers, interval, stored settings: "servers|interval|" written, or "||" and the start of the refusal.
    const std::tuple<const wchar_t*, const wchar_t*, std::optional<ServiceParameters>, std::wstring> cases[] = {
        {L"a b", L"", none, L"a b|86400|"},
        {L" a ", L"3 600", none, L" a |3600|"},
        {L"", L"", stored, L"old.example|60|"},
        {L"new", L"", stored, L"new|60|"},
        {L"", L"4294967295", stored, L"old.example|4294967295|"},
        {L"", L"", none, L"||Velmora Horal Service: SERVERNAMES is missing."},
        {L"   ", L"", stored, L"||Velmora Horal Service: SERVERNAMES names no time server."},
        {L"a", L"3", stored, L"||Velmora Horal Service: TIMEINTERVAL=\"3\" is not a whole number"},
        {L"a", L"90 s", none, L"||Velmora Horal Service: TIMEINTERVAL=\"90 s\" is not"}};
    for (const auto& [servers, interval, settings, expected] : cases) {
        const PackageSettings decided = DecidePackageSettings(servers, interval, settings);
        const std::wstring found = decided.serverNames + L"|" + decided.interval + L"|" + decided.refusal;
        EXPECT_EQ(found.substr(0, expected.back() == L'|' ? std::wstring::npos : expected.size()), expected);
    }
}
