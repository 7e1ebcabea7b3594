// The process entry point. The bootstrapper links without the C runtime's
// start-up objects: they carry TLS callbacks, pseudo-relocation, signal
// translation and frame registration that this program never uses, about
// 10 KB of the executable. What the program does need of them is done here,
// in the same order: the runtime's application type, the static
// constructors, the argument vector (parsed by the runtime DLL itself, so
// quoting rules stay exactly the same), and exit() so that the destructors
// registered with atexit run and open streams are flushed.
#include "app/command_tail.h"
#include "app/entry_win32.h"

#include <cstddef>
#include <stdlib.h>

extern "C" {
// Exported by msvcrt.dll; declared only in the runtime's private headers.
struct StartupInformation {
    int newMode;
};
int __cdecl __wgetmainargs(int* count, wchar_t*** arguments, wchar_t*** environment, int expandWildcards,
                           StartupInformation* startup);
void __cdecl __set_app_type(int type);

// The linker's list of static constructors: a count or -1, the functions,
// then a null. Each constructor registers its own destructor with atexit.
extern void (*__CTOR_LIST__[])();

namespace {
void RunStaticConstructors()
{
    std::size_t count = reinterpret_cast<std::size_t>(__CTOR_LIST__[0]);
    if (count == static_cast<std::size_t>(-1)) {
        count = 0;
        while (__CTOR_LIST__[count + 1])
            ++count;
    }
    // Last first, as the runtime's own start-up code does.
    for (std::size_t i = count; i >= 1; --i)
        __CTOR_LIST__[i]();
}
}  // namespace

// The start-up objects would define this over the DLL's exit list; exit()
// runs that list.
int __cdecl atexit(void(__cdecl* function)())
{
    return _onexit(reinterpret_cast<_onexit_t>(reinterpret_cast<void*>(function))) ? 0 : -1;
}

// Named by the linker's entry option. The loader calls it with no
// arguments and a stack that may be only 4-byte aligned.
__attribute__((force_align_arg_pointer, noreturn)) void __cdecl VelloxEntry()
{
    constexpr int kGuiApplication = 2;
    __set_app_type(kGuiApplication);
    RunStaticConstructors();

    int count = 0;
    wchar_t** arguments = nullptr;
    wchar_t** environment = nullptr;
    StartupInformation startup{};
    std::vector<std::wstring> forwarded;
    if (__wgetmainargs(&count, &arguments, &environment, 0, &startup) == 0 && arguments && count > 1)
        forwarded = std::vector<std::wstring>(arguments + 1, arguments + count);
    exit(RunBootstrapper(::GetModuleHandleW(nullptr), std::move(forwarded), CommandLineTail(::GetCommandLineW())));
}
}
