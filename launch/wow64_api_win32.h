#pragma once

#include "launch/processor_mode.h"

#include <windows.h>

class Win32Wow64Api final : public Wow64Api {
public:
    bool LoadKernel32() override;
    bool LookUp(Entry entry) override;
    bool CallIsWow64Process() override;
    bool CallDisableRedirection() override;
    void CallRevertRedirection() override;

private:
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using RevertFn = BOOL(WINAPI*)(PVOID);

    // kernel32 is never freed: it lives as long as the process anyway.
    HMODULE m_hKernel32 = nullptr;
    IsWow64ProcessFn m_pIsWow64Process = nullptr;
    DisableFn m_pDisable = nullptr;
    RevertFn m_pRevert = nullptr;
    PVOID m_pSavedRedirection = nullptr;
};
