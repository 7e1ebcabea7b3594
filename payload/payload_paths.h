// Joining and measuring the paths of the temporary folder and its files.
#pragma once

#include "payload/file_system.h"

#include <cstddef>
#include <string>
#include <string_view>

// Longest path the platform's classic calls take, without the terminator.
inline constexpr std::size_t kMaxPathChars = 259;

// base and more joined by exactly one backslash (the platform's path-append
// rule without its canonicalisation: names are checked before they get here).
std::wstring AppendPath(std::wstring_view base, std::wstring_view more);
// The path without its last component (everything before the last
// separator, "\" or "/"); empty when there is no separator.
std::wstring RemoveLastComponent(std::wstring_view path);
// The last component (everything after the last separator; the whole path
// when there is none).
std::wstring LastComponent(std::wstring_view path);

// The registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper-case hex.
std::wstring GuidText(const Guid& guid);

// True for a manifest file name that stays inside the temporary folder: not
// empty, not absolute, no drive or other colon, and no component that is
// empty, "." or ".." (backslash and slash both separate components).
bool IsSafePayloadName(std::wstring_view name);
