// Loading the system's own libraries (version, wintrust, crypt32) from the
// system folder only: the executable runs elevated from a download folder,
// where a planted copy must never load.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the platform's loader offers. Module handles are 0 on failure.
class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // Loads the named library with the search restricted to the system
    // folder (LOAD_LIBRARY_SEARCH_SYSTEM32); error receives the platform's
    // error when it fails.
    virtual std::uintptr_t LoadRestrictedToSystemFolder(const std::wstring& name, std::uint32_t& error) = 0;
    // The system folder (GetSystemDirectoryW); nullopt when it is unknown.
    virtual std::optional<std::wstring> GetSystemFolder() = 0;
    // Loads the library at a full path, its own dependencies looked for in
    // that library's folder first (LOAD_WITH_ALTERED_SEARCH_PATH).
    virtual std::uintptr_t LoadFullPath(const std::wstring& path) = 0;
};

// ERROR_INVALID_PARAMETER: the loader does not know the restricted search
// (Vista and 7 without the loader update, and XP).
inline constexpr std::uint32_t kLoaderFlagUnknown = 87;

// The full path of the named library in the system folder. nullopt unless
// the folder is a full path ("C:\..." or "\\server\share...") and the name a
// plain file name: anything else would leave a search to the loader.
std::optional<std::wstring> SystemLibraryPath(const std::optional<std::wstring>& systemFolder, std::wstring_view name);

// Loads the named library from the system folder only: restricted to it
// where the loader knows how, else by its full path there. Never by a bare
// name. 0 when it cannot be loaded.
std::uintptr_t LoadLibraryFromSystemFolder(LibraryLoader& loader, const std::wstring& name);
