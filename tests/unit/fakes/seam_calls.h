// One counter shared by every fake: it records each platform call of a run
// in order and tells the fake whether this call is the one to fail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class SeamCalls {
public:
    struct Call {
        std::string seam;     // the interface, e.g. "FileSystem"
        std::string name;     // the operation, e.g. "WriteFile"
        std::wstring detail;  // the path, key or id it was made for
    };

    // Numbered from 1; 0 fails nothing.
    std::size_t failAt = 0;
    std::vector<Call> calls;

    // Records the call; true when it is the one chosen to fail.
    bool Fails(std::string_view seam, std::string_view name, std::wstring_view detail = {})
    {
        calls.push_back({std::string(seam), std::string(name), std::wstring(detail)});
        return calls.size() == failAt;
    }
};

// For fakes that may or may not be wired to a counter.
inline bool Injected(SeamCalls* calls, std::string_view seam, std::string_view name, std::wstring_view detail = {})
{
    return calls && calls->Fails(seam, name, detail);
}
