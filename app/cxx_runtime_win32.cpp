// Lean replacements for the C++ runtime's error paths, linked into the
// executable itself so that the library's own versions are never pulled in.
//
// The library's versions build exception objects that carry std::string
// messages, which drags in a second (copy-on-write) string implementation,
// std::random_device and the C++ name demangler: about 150 KB of a static
// build. Nothing in the program catches these errors (they mean a broken
// invariant, such as an impossible string length), and a GUI bootstrapper has
// nowhere to print them, so each ends the process at once, as an uncaught
// exception would.
#include <windows.h>

#include <bits/functexcept.h>

#include <cstddef>

#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std

// The Windows builds have no exceptions, so allocation cannot throw either:
// running out of memory ends the process, as an uncaught std::bad_alloc
// would. Keeps the unwinder out of the executable.
void* operator new(std::size_t size)
{
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    std::abort();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

// Thread-safe initialisation of function-local statics. The library's
// version is written for exceptions and brings the unwinder along; one
// process-wide lock serves the few statics the program has. The first byte
// of a guard says "initialised", as the compiler's inline check expects.
namespace {
SRWLOCK g_staticInitLock = SRWLOCK_INIT;
}

extern "C" int __cxa_guard_acquire(long long* guard)
{
    ::AcquireSRWLockExclusive(&g_staticInitLock);
    if (*reinterpret_cast<volatile char*>(guard) != 0) {
        ::ReleaseSRWLockExclusive(&g_staticInitLock);
        return 0;
    }
    return 1;  // the caller initialises, then calls release (lock held)
}

extern "C" void __cxa_guard_release(long long* guard)
{
    *reinterpret_cast<volatile char*>(guard) = 1;
    ::ReleaseSRWLockExclusive(&g_staticInitLock);
}

extern "C" void __cxa_guard_abort(long long*)
{
    ::ReleaseSRWLockExclusive(&g_staticInitLock);
}
