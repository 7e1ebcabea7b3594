#include "checks/registry_win32.h"

#include "app/unique_resource.h"

#include <windows.h>

namespace {

struct RegistryKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY key) { ::RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueResource<HKEY, RegistryKeyTraits>;

}  // namespace

std::optional<std::vector<std::uint8_t>> Win32Registry::ReadValue(std::wstring_view keyPath,
                                                                  std::wstring_view valueName,
                                                                  std::size_t bufferBytes) const
{
    // No KEY_WOW64_* flag: the process's own view (the 32-bit one for the
    // shipped 32-bit build on 64-bit Windows).
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, std::wstring(keyPath).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegistryKey key(opened);

    std::vector<std::uint8_t> data(bufferBytes);
    DWORD size = static_cast<DWORD>(bufferBytes);
    if (::RegQueryValueExW(key.Get(), std::wstring(valueName).c_str(), nullptr, nullptr, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}
