// The command line and the role it selects.
#pragma once

#include <cstdint>

enum class Role { Service, Uninstall, Configuration };

// The arguments after the program name: their count and the first of them.
// False when the command line cannot be split. The vector stays allocated.
bool SplitCommandLine(std::uint32_t& count, wchar_t**& first);

// "-s" selects the service role and "-u" the uninstall role, whole argument,
// ASCII letters without regard to case; anything else the configuration role.
Role ChooseRole(std::uint32_t count, const wchar_t* const* first);
