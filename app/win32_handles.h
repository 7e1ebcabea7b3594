// Owners of the kernel objects and modules the Windows adapters use.
#pragma once

#include "app/unique_resource.h"

#include <windows.h>

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE module) { ::FreeLibrary(module); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

// Loads a library from the system folder only, never from beside the
// executable or the current directory. Null when it cannot be loaded.
inline UniqueModule LoadSystemLibrary(const wchar_t* name)
{
    return UniqueModule(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}
