// The memory baseline: a program holding a bootstrapper's payload that writes
// every payload resource from its mapped memory with one WriteFile per file,
// nothing else. Its peak memory, measured from outside, is what any program
// carrying these bytes needs; the bootstrapper's is compared against it.
//
//   raw_write <bootstrapper.exe> <folder>
#include "payload_writes_win32.h"

#include <windows.h>

#include <cstdio>

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
    const bool ok = WritePayloadResources(module, argv[2]);
    ::FreeLibrary(module);
    return ok ? 0 : 1;
}
