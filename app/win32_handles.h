// Owners of the kernel objects and modules the Windows adapters use.
#pragma once

#include "app/unique_resource.h"

#include <windows.h>

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

// File handles, whose "none" is INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;

struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::FindClose(handle); }
};
using UniqueFind = UniqueResource<HANDLE, FindHandleTraits>;

// Blocks from LocalAlloc, and those the system hands back to be freed so.
struct LocalMemoryTraits {
    static HLOCAL Invalid() { return nullptr; }
    static void Close(HLOCAL memory) { ::LocalFree(memory); }
};
using UniqueLocalMemory = UniqueResource<HLOCAL, LocalMemoryTraits>;

// SIDs from AllocateAndInitializeSid.
struct SidTraits {
    static PSID Invalid() { return nullptr; }
    static void Close(PSID sid) { ::FreeSid(sid); }
};
using UniqueSid = UniqueResource<PSID, SidTraits>;

struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE module) { ::FreeLibrary(module); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

// Loads a library from the system folder only, never from beside the
// executable or the current directory, also where the loader lacks the
// restricted search (app/system_library.h). Null when it cannot be loaded.
UniqueModule LoadSystemLibrary(const wchar_t* name);
