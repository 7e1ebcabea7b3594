// The executable's string table: build configuration and message texts.
#pragma once

#include <string>

class StringTable {
public:
    virtual ~StringTable() = default;
    // The entry's text; empty when the entry is absent or empty.
    virtual std::wstring Load(unsigned id) const = 0;
};

// Entries of the string table the program reads.
namespace StringId {
inline constexpr unsigned kProgramType = 0;
inline constexpr unsigned kProductName = 1;
inline constexpr unsigned kAboutMenu = 101;
inline constexpr unsigned kRequiredMb = 103;
inline constexpr unsigned kVerifyQuestion = 137;
// Minimum .NET Framework levels, one entry per variant from 2.0 to 4.5 Full.
inline constexpr unsigned kFirstNetLevel = 138;
inline constexpr unsigned kAdminCheck = 145;
inline constexpr unsigned kDefaultProgramName = 201;
}  // namespace StringId
