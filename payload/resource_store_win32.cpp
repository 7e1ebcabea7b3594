#include "payload/resource_store_win32.h"

#include <windows.h>

namespace {

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR parameter)
{
    auto& names = *reinterpret_cast<std::vector<ResourceName>*>(parameter);
    if (IS_INTRESOURCE(name))
        names.push_back(ResourceName{static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name)), {}});
    else
        names.push_back(ResourceName{std::nullopt, name});
    return TRUE;
}

HMODULE ToModule(std::uintptr_t module)
{
    return reinterpret_cast<HMODULE>(module);
}

}  // namespace

std::optional<std::vector<ResourceName>> Win32ResourceStore::EnumerateNames(std::uintptr_t module,
                                                                            const std::wstring& type)
{
    std::vector<ResourceName> names;
    if (!::EnumResourceNamesW(ToModule(module), type.c_str(), CollectName, reinterpret_cast<LONG_PTR>(&names)))
        return std::nullopt;
    return names;
}

ResourceBytes Win32ResourceStore::Lock(std::uintptr_t module, std::uint32_t id, const std::wstring& type)
{
    const HRSRC found = ::FindResourceW(ToModule(module), MAKEINTRESOURCEW(id), type.c_str());
    if (!found)
        return ResourceBytes{ResourceFailure::NotFound, {}};
    // The loaded resource is part of the module's mapped image: it needs no
    // release (FreeResource does nothing on 32- and 64-bit Windows) and the
    // bytes stay valid while the module is loaded.
    const HGLOBAL loaded = ::LoadResource(ToModule(module), found);
    if (!loaded)
        return ResourceBytes{ResourceFailure::NotLoaded, {}};
    const void* data = ::LockResource(loaded);
    if (!data)
        return ResourceBytes{ResourceFailure::NotLocked, {}};
    const DWORD size = ::SizeofResource(ToModule(module), found);
    return ResourceBytes{ResourceFailure::None, {static_cast<const std::uint8_t*>(data), size}};
}
