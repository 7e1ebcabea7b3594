#include "launch/wow64_api_win32.h"

namespace {

template <typename Fn>
Fn Find(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

bool Win32Wow64Api::LoadKernel32()
{
    // Flags 0: exactly what LoadLibraryW does, through an import the
    // executable has already.
    m_hKernel32 = ::LoadLibraryExW(L"kernel32.dll", nullptr, 0);
    return m_hKernel32 != nullptr;
}

bool Win32Wow64Api::LookUp(Entry entry)
{
    switch (entry) {
    case Entry::IsWow64Process:
        m_pIsWow64Process = Find<IsWow64ProcessFn>(m_hKernel32, "IsWow64Process");
        return m_pIsWow64Process != nullptr;
    case Entry::DisableRedirection:
        m_pDisable = Find<DisableFn>(m_hKernel32, "Wow64DisableWow64FsRedirection");
        return m_pDisable != nullptr;
    case Entry::RevertRedirection:
        m_pRevert = Find<RevertFn>(m_hKernel32, "Wow64RevertWow64FsRedirection");
        return m_pRevert != nullptr;
    }
    return false;
}

bool Win32Wow64Api::CallIsWow64Process()
{
    BOOL wow = FALSE;
    m_pIsWow64Process(::GetCurrentProcess(), &wow);
    return wow != FALSE;
}

bool Win32Wow64Api::CallDisableRedirection()
{
    return m_pDisable(&m_pSavedRedirection) != FALSE;
}

void Win32Wow64Api::CallRevertRedirection()
{
    m_pRevert(m_pSavedRedirection);
}
