// The memory baseline: a program holding a bootstrapper's payload that writes
// every payload resource from its mapped memory with one WriteFile per file,
// nothing else. Its peak memory, measured from outside, is what any program
// carrying these bytes needs; the bootstrapper's is compared against it.
//
//   raw_write <bootstrapper.exe> <folder>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring g_folder;
bool g_ok = true;

BOOL CALLBACK WriteOne(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR)
{
    if (!IS_INTRESOURCE(name) || reinterpret_cast<ULONG_PTR>(name) == 101)
        return TRUE;
    const HRSRC found = ::FindResourceW(module, name, type);
    const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = found ? ::SizeofResource(module, found) : 0;
    const std::wstring path = g_folder + L"\\" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) + L".bin";
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    g_ok = g_ok && data && file != INVALID_HANDLE_VALUE && ::WriteFile(file, data, size, &written, nullptr) &&
           written == size;
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    if (file != INVALID_HANDLE_VALUE)
        ::DeleteFileW(path.c_str());
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: raw_write <bootstrapper.exe> <folder>\n");
        return 2;
    }
    // Mapped as an image, as the loader maps the bootstrapper itself.
    const HMODULE module = ::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        std::fprintf(stderr, "cannot load %ls: %lu\n", argv[1], ::GetLastError());
        return 1;
    }
    g_folder = argv[2];
    ::CreateDirectoryW(g_folder.c_str(), nullptr);
    ::EnumResourceNamesW(module, L"TOOLKIT", WriteOne, 0);
    ::FreeLibrary(module);
    ::RemoveDirectoryW(g_folder.c_str());
    return g_ok ? 0 : 1;
}
