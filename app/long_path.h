// Paths of 260 characters or more for the platform's file calls.
#pragma once

#include <cstddef>
#include <string>

// From this length on, a plain path is refused by file calls (MAX_PATH, its
// terminator included) unless it is given in the extended-length form.
inline constexpr std::size_t kExtendedLengthFrom = 260;

// The path as a file call accepts it at any length: shorter than
// kExtendedLengthFrom, unchanged; a full drive path "C:\..." as "\\?\C:\...";
// a full UNC path "\\server\share\..." as "\\?\UNC\server\share\...". The
// extended form takes every character literally, so a path it would change
// the meaning of (one with "/", "." or ".." in it), one already in a raw or
// device form, and one that is not full stay as they are: a file call then
// refuses it rather than open something else.
std::wstring MakeExtendedLengthPath(const std::wstring& path);
