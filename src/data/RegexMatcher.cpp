#include "data/RegexMatcher.h"

#include <climits>

#include "text/TextConvert.h"

namespace {

constexpr int kCompileOptions = PCRE_UTF8 | PCRE_DOLLAR_ENDONLY | PCRE_DOTALL;
static_assert(kCompileOptions == 0x824, "date patterns rely on these three options");

}  // namespace

RegexMatcher::RegexMatcher(const std::wstring& pattern) : pattern(pattern)
{
    // Errors are not kept: a pattern that fails simply never matches.
    const char* error = nullptr;
    int errorOffset = 0;
    compiled = pcre_compile(ToUtf8(pattern).c_str(), kCompileOptions, &error, &errorOffset, nullptr);
    if (compiled != nullptr) {
        studyData = pcre_study(compiled, 0, &error);
    }
}

RegexMatcher::~RegexMatcher()
{
    if (studyData != nullptr) {
        pcre_free(studyData);
    }
    if (compiled != nullptr) {
        pcre_free(compiled);
    }
}

bool RegexMatcher::Matches(const std::wstring& text) const
{
    if (compiled == nullptr) {
        return false;
    }
    const std::string bytes = ToUtf8(text);
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    // No output vector: only "does it match" is asked, which spares PCRE the
    // work of recording substrings.
    const int result = pcre_exec(compiled, studyData, bytes.data(), static_cast<int>(bytes.size()), 0, 0, nullptr, 0);
    return result >= 0;
}
