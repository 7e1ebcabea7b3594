#pragma once

#include "checks/machine_facts.h"

class Win32MachineFacts final : public MachineFacts {
public:
    std::optional<std::int32_t> AdministratorsMembership() const override;
    std::optional<OsVersion> GetOsVersion() const override;
    std::optional<FixedFileVersion> ReadFixedFileVersion(std::wstring_view path) const override;
    std::optional<std::uint64_t> FreeBytesAvailable(std::wstring_view drive) const override;
    std::optional<std::wstring> SplitDrive(std::wstring_view path) const override;
};
