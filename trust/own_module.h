#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Buffer sizes, in characters, for reading the own file's path: MAX_PATH
// first, growing to the longest path the platform has.
inline constexpr std::uint32_t kFirstPathBuffer = 260;
inline constexpr std::uint32_t kLongestPathBuffer = 32767;

// The running executable's own file.
class OwnModule {
public:
    virtual ~OwnModule() = default;
    // Full path of the executable, whole. nullopt when it could not be read
    // whole: a cut path would name another file, so it is never returned.
    virtual std::optional<std::wstring> GetOwnModulePath() const = 0;
};

// Reads a path that the platform copies into a caller's buffer the way
// GetModuleFileNameW does. read(buffer, size) copies at most size characters
// into buffer and returns how many it copied, the terminator not counted: 0
// when it failed, size when the path was cut (terminated or not, as XP leaves
// it). The buffer starts at kFirstPathBuffer and doubles up to
// kLongestPathBuffer. nullopt when a read failed or the path was still cut
// at the largest size.
template <typename ReadInto>
std::optional<std::wstring> ReadWholePath(ReadInto read)
{
    std::uint32_t size = kFirstPathBuffer;
    for (;;) {
        std::wstring buffer(size, L'\0');
        const std::uint32_t length = read(buffer.data(), size);
        if (length == 0)
            return std::nullopt;
        if (length < size) {
            buffer.erase(length);
            return buffer;
        }
        if (size == kLongestPathBuffer)
            return std::nullopt;
        size = size > kLongestPathBuffer / 2 ? kLongestPathBuffer : size * 2;
    }
}
