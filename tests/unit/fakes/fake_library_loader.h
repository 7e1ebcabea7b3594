// A fake of the platform's library loader: which loads it was asked for, and
// the answers it gives.
#pragma once

#include "app/system_library.h"

#include <string>
#include <vector>

class FakeLibraryLoader final : public LibraryLoader {
public:
    // The restricted load's answer: a module, or 0 with this error.
    std::uintptr_t restrictedModule = 0;
    std::uint32_t restrictedError = kLoaderFlagUnknown;
    std::optional<std::wstring> systemFolder = L"C:\\Windows\\system32";
    std::uintptr_t fullPathModule = 0x7FF10000;  // 0: the full-path load fails

    std::vector<std::wstring> calls;  // "restricted <name>", "system folder", "full path <path>"

    std::uintptr_t LoadRestrictedToSystemFolder(const std::wstring& name, std::uint32_t& error) override
    {
        calls.push_back(L"restricted " + name);
        error = restrictedModule ? 0 : restrictedError;
        return restrictedModule;
    }
    std::optional<std::wstring> GetSystemFolder() override
    {
        calls.push_back(L"system folder");
        return systemFolder;
    }
    std::uintptr_t LoadFullPath(const std::wstring& path) override
    {
        calls.push_back(L"full path " + path);
        return fullPathModule;
    }
};
