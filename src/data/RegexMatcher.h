// One compiled regular expression, matched against wide text.
#pragma once

#include <string>

#include <pcre.h>

class RegexMatcher {
public:
    // Compiles `pattern` for UTF-8 text, with "$" anchored at the very end and
    // "." matching line breaks. A pattern that does not compile never matches.
    explicit RegexMatcher(const std::wstring& pattern);
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher&) = delete;
    RegexMatcher& operator=(const RegexMatcher&) = delete;

    bool Matches(const std::wstring& text) const;
    bool IsCompiled() const { return compiled != nullptr; }

private:
    std::wstring pattern;
    pcre* compiled = nullptr;
    pcre_extra* studyData = nullptr;
};
