#include "app/diagnostic_log.h"

#include <new>

DiagnosticLog g_log;

void DiagnosticLog::Attach(const CodePage* codePage, LogFiles* files)
{
    m_pCodePage = codePage;
    m_pFiles = files;
}

void DiagnosticLog::Write(std::wstring_view text)
{
    if (m_pFile)
        WriteToFile(text);
    else
        m_strPendingLog.append(text);
}

void DiagnosticLog::WriteToFile(std::wstring_view text)
{
    const std::string ansi = m_pCodePage->ToAnsi(text);
    // Text-mode semantics of the C runtime: every LF becomes CR LF, whatever
    // precedes it.
    std::string bytes;
    bytes.reserve(ansi.size() + 8);
    for (const char c : ansi) {
        if (c == '\n')
            bytes.push_back('\r');
        bytes.push_back(c);
    }
    m_pFile->Write(bytes.data(), bytes.size());
}

void DiagnosticLog::Open(const std::string& ansiPath)
{
    if (m_pFile && m_pCodePage->ToAnsi(m_strLogPath) == ansiPath)
        return;  // the second parse of the command line must not truncate again
    Close();
    if (!m_pCodePage || !m_pFiles)
        return;
    m_strLogPath = m_pCodePage->FromAnsi(ansiPath);
    m_pFile = m_pFiles->Open(ansiPath, false);
    if (!m_pFile)
        return;
    WriteToFile(m_strPendingLog);
    m_strPendingLog.clear();
}

void DiagnosticLog::Close()
{
    m_pFile.reset();
}

void DiagnosticLog::Reopen()
{
    if (m_pFile || !m_pCodePage || !m_pFiles || m_strLogPath.empty())
        return;
    m_pFile = m_pFiles->Open(m_pCodePage->ToAnsi(m_strLogPath), true);
}

void DiagnosticLog::Reset()
{
    Close();
    m_strLogPath.clear();
    m_strPendingLog.clear();
}

namespace {

// Logging cannot report its own failure: without memory for a line, the line
// is lost. (The Windows builds have no exceptions; there, running out of
// memory ends the process.)
template <typename Step>
void DroppingLineOnExhaustion(Step step)
{
#if defined(__cpp_exceptions)
    try {
        step();
    } catch (const std::bad_alloc&) {
    }
#else
    step();
#endif
}

}  // namespace

void LogText(std::wstring_view text)
{
    DroppingLineOnExhaustion([&] { g_log.Write(text); });
}

void LogFormatted(std::wstring_view format, std::span<const FormatArg> args)
{
    DroppingLineOnExhaustion([&] { g_log.Write(FormatArgs(format, args)); });
}

void LogText(AsciiLiteral text)
{
    DroppingLineOnExhaustion([&] { g_log.Write(text.Widen()); });
}

void LogFormatted(AsciiLiteral format, std::span<const FormatArg> args)
{
    DroppingLineOnExhaustion([&] { g_log.Write(FormatArgs(format.Widen(), args)); });
}

void OpenLog(const std::string& ansiPath)
{
    DroppingLineOnExhaustion([&] { g_log.Open(ansiPath); });
}

void CloseLog()
{
    g_log.Close();
}

void ReopenLog()
{
    DroppingLineOnExhaustion([] { g_log.Reopen(); });
}
