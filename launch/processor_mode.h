// The processor mode the build asks for its installer program, and switching
// WOW64 file-system redirection off around the installer's start where that
// mode needs it.
#pragma once

#include "app/string_table.h"

#include <cstdint>

enum class ProcessorMode { Any = 0, x86 = 1, x64 = 2, x32Only = 3 };

// The three WOW64 entry points of kernel32, found at run time because older
// systems lack them.
class Wow64Api {
public:
    enum class Entry { IsWow64Process, DisableRedirection, RevertRedirection };

    virtual ~Wow64Api() = default;
    // Loads "kernel32.dll" as LoadLibraryW does; false when it cannot.
    virtual bool LoadKernel32() = 0;
    // GetProcAddress by the entry's name; the adapter keeps what it found.
    virtual bool LookUp(Entry entry) = 0;
    // Calls on entries that were found.
    virtual bool CallIsWow64Process() = 0;     // the flag; the call's own result is not examined
    virtual bool CallDisableRedirection() = 0;  // saves the old value process-wide; false when it failed
    virtual void CallRevertRedirection() = 0;   // hands the saved value back
};

// The run-time binding: kernel32 loaded once, each entry point looked up
// once and kept, a missing one looked up again on the next call.
class Wow64 {
public:
    explicit Wow64(Wow64Api& api) : m_api(api) {}

    // True under WOW64, i.e. on 64-bit Windows; false without the entry point.
    bool IsWow64();
    // Switches redirection off under WOW64, only when the entry point that
    // switches it back exists too.
    void DisableFsRedirection();
    // Switches back what DisableFsRedirection switched off, and nothing else.
    void RevertFsRedirection();

private:
    bool Bind(Wow64Api::Entry entry);

    Wow64Api& m_api;
    bool m_bKernel32 = false;
    bool m_bFound[3] = {false, false, false};
    bool m_bRedirectionOff = false;
};

// Reads entry 0 afresh, logs it and the mode it means.
ProcessorMode GetProcessorMode(const StringTable& strings);

// One installer start's redirection state. Restores on destruction too, so
// that no path leaves the worker thread with redirection off.
class ProcessorModeGuard {
public:
    ProcessorModeGuard(const StringTable& strings, Wow64& wow64) : m_strings(strings), m_wow64(wow64) {}
    ~ProcessorModeGuard() { RestoreProcessorMode(); }
    ProcessorModeGuard(const ProcessorModeGuard&) = delete;
    ProcessorModeGuard& operator=(const ProcessorModeGuard&) = delete;

    // False when the mode does not fit this Windows.
    bool SetProcessorMode();
    // Puts redirection back if SetProcessorMode switched it off. Always true.
    bool RestoreProcessorMode();

private:
    const StringTable& m_strings;
    Wow64& m_wow64;
    bool m_bRedirectionOff = false;
};
