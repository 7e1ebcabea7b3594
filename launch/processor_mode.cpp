#include "launch/processor_mode.h"

#include "app/diagnostic_log.h"
#include "app/text.h"

bool Wow64::Bind(Wow64Api::Entry entry)
{
    bool& found = m_bFound[static_cast<int>(entry)];
    if (found)
        return true;
    if (!m_bKernel32)
        m_bKernel32 = m_api.LoadKernel32();
    if (m_bKernel32)
        found = m_api.LookUp(entry);
    return found;
}

bool Wow64::IsWow64()
{
    // Without the entry point this is a Windows from before WOW64: 32-bit.
    return Bind(Wow64Api::Entry::IsWow64Process) && m_api.CallIsWow64Process();
}

void Wow64::DisableFsRedirection()
{
    // A revert hands back the value the switch saved: without a successful
    // switch there is nothing to hand back, and without the revert entry
    // point the thread would stay switched.
    if (m_bRedirectionOff || !IsWow64() || !Bind(Wow64Api::Entry::DisableRedirection) ||
        !Bind(Wow64Api::Entry::RevertRedirection))
        return;
    m_bRedirectionOff = m_api.CallDisableRedirection();
}

void Wow64::RevertFsRedirection()
{
    // Not asked again whether this is WOW64: a query failing now would leave
    // redirection off.
    if (!m_bRedirectionOff)
        return;
    m_api.CallRevertRedirection();
    m_bRedirectionOff = false;
}

ProcessorMode GetProcessorMode(const StringTable& strings)
{
    const std::wstring programType = strings.Load(StringId::kProgramType);
    LogMessage("ProgramType '%s'\n", programType);
    if (EqualsNoCase(programType, L"x86")) {
        LogText("Swapping to x86\n");
        return ProcessorMode::x86;
    }
    if (EqualsNoCase(programType, L"x64")) {
        LogText("Swapping to x64\n");
        return ProcessorMode::x64;
    }
    if (EqualsNoCase(programType, L"x32Only")) {
        LogText("Swapping to 32Bit only\n");
        return ProcessorMode::x32Only;
    }
    LogText("Staying on Any\n");
    return ProcessorMode::Any;
}

bool ProcessorModeGuard::SetProcessorMode()
{
    const ProcessorMode mode = GetProcessorMode(m_strings);
    const bool wow = m_wow64.IsWow64();
    if ((mode == ProcessorMode::x64 && !wow) || (mode == ProcessorMode::x32Only && wow)) {
        LogText("Incorrect processor mode with installation type\n");
        return false;
    }
    if (wow && (mode == ProcessorMode::x64 || mode == ProcessorMode::Any)) {
        LogText("Enabling 64Bit spawned processes\n");
        m_wow64.DisableFsRedirection();
        m_bRedirectionOff = true;
    }
    return true;
}

bool ProcessorModeGuard::RestoreProcessorMode()
{
    if (m_bRedirectionOff) {
        LogText("Restoring 32Bit spawned processes\n");
        m_wow64.RevertFsRedirection();
        m_bRedirectionOff = false;
    }
    return true;
}
