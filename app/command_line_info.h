// The bootstrapper's argument parser: every argument lands in an option
// table whose iteration order is the order in which the options are handed
// on to the installer program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// String-to-string table with 17 hash chains. The hash runs over UTF-16 code
// units (h = h * 33 + unit, 32 bits); a new name goes to the head of its
// chain, an existing one keeps its place. Iteration: chain 0 to 16, each
// from its head. Names compare exactly.
class OptionTable {
public:
    using Entry = std::pair<std::wstring, std::wstring>;
    static constexpr std::size_t kBuckets = 17;

    static std::size_t BucketOf(std::wstring_view name);

    void Set(std::wstring_view name, std::wstring_view value);
    const std::wstring* Find(std::wstring_view name) const;
    void Remove(std::wstring_view name);
    // All entries in iteration order.
    std::vector<Entry> Entries() const;

private:
    // Each chain is stored tail first, so that the head is back().
    std::array<std::vector<Entry>, kBuckets> m_buckets;
};

class CCommandLineInfoEx {
public:
    // Splits one argument into switch flag and name ('/' or '-' prefix) and
    // hands it to ParseParam; the base class's loop over the arguments.
    void ParseCommandLine(const std::vector<std::wstring>& arguments);

    void ParseParam(std::wstring_view param, bool isSwitch, bool isLast);

    bool GetOption(std::wstring_view name, std::wstring& value) const;
    void SetOption(std::wstring_view name, std::wstring_view value);
    void RemoveOption(std::wstring_view name);
    bool IsFlag(std::wstring_view name) const;
    bool IsMissingValue(std::wstring_view name) const;
    void BuildForwardedCommandLine(std::wstring_view programName, std::wstring& line) const;

private:
    // Whether name was given as a switch.
    bool IsSwitch(std::wstring_view name) const;

    OptionTable m_mapOptions;
    std::vector<std::wstring> m_mapSwitches;  // names given as switches, once each
    std::wstring m_strPendingName;
    bool m_bInQuotedValue = false;
    std::wstring m_strQuotedValue;
};
