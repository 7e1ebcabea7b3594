#pragma once

#include "checks/machine_facts.h"
#include "fakes/seam_calls.h"

#include <map>
#include <string>
#include <vector>

// A Windows 7 machine whose user is an administrator, with 100 GB free on
// every drive, unless a test says otherwise. Any query can be made to fail
// by setting its answer to nullopt.
class FakeMachineFacts final : public MachineFacts {
public:
    std::optional<std::int32_t> membership = 1;
    std::optional<OsVersion> osVersion = OsVersion{2, 6, 1};
    std::map<std::wstring, FixedFileVersion> fileVersions;  // by path; absent: no version resource
    std::optional<std::uint64_t> freeBytes = std::uint64_t{100} << 30;
    bool failSplit = false;
    SeamCalls* seamCalls = nullptr;  // counts every query; fails the chosen one

    mutable int membershipQueries = 0;
    mutable int osVersionQueries = 0;
    mutable std::vector<std::wstring> fileVersionQueries;
    mutable std::vector<std::wstring> freeSpaceQueries;

    std::optional<std::int32_t> AdministratorsMembership() const override
    {
        ++membershipQueries;
        if (Injected(seamCalls, "MachineFacts", "AdministratorsMembership"))
            return std::nullopt;
        return membership;
    }
    std::optional<OsVersion> GetOsVersion() const override
    {
        ++osVersionQueries;
        if (Injected(seamCalls, "MachineFacts", "GetOsVersion"))
            return std::nullopt;
        return osVersion;
    }
    std::optional<FixedFileVersion> ReadFixedFileVersion(std::wstring_view path) const override
    {
        fileVersionQueries.emplace_back(path);
        if (Injected(seamCalls, "MachineFacts", "ReadFixedFileVersion", path))
            return std::nullopt;
        const auto found = fileVersions.find(std::wstring(path));
        return found == fileVersions.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<std::uint64_t> FreeBytesAvailable(std::wstring_view drive) const override
    {
        freeSpaceQueries.emplace_back(drive);
        if (Injected(seamCalls, "MachineFacts", "FreeBytesAvailable", drive))
            return std::nullopt;
        return freeBytes;
    }
    // The runtime splitter's rules for the parts the check uses: a drive is
    // a letter and a colon; a directory (up to the last separator), name or
    // extension of 256 characters or more does not fit its buffer.
    std::optional<std::wstring> SplitDrive(std::wstring_view path) const override
    {
        if (Injected(seamCalls, "MachineFacts", "SplitDrive", path) || failSplit)
            return std::nullopt;
        std::wstring_view rest = path;
        std::wstring drive;
        if (rest.size() >= 2 && rest[1] == L':') {
            drive = rest.substr(0, 2);
            rest.remove_prefix(2);
        }
        const std::size_t separator = rest.find_last_of(L"\\/");
        const std::size_t nameStart = separator == std::wstring_view::npos ? 0 : separator + 1;
        const std::wstring_view name = rest.substr(nameStart);
        const std::size_t dot = name.rfind(L'.');
        const std::size_t extension = dot == std::wstring_view::npos ? 0 : name.size() - dot;
        constexpr std::size_t kPartChars = 256;  // including the terminator
        if (nameStart >= kPartChars || name.size() - extension >= kPartChars || extension >= kPartChars)
            return std::nullopt;
        return drive;
    }
};
