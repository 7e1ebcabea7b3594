// The diagnostic log: a plain text file named on the command line, in the
// thread's ANSI code page with CR LF line ends. Until a file is open, text
// collects in memory and is written when the file is first opened.
//
// There is no lock: the start-up sequence guarantees that only one thread
// logs at a time (the main thread is silent while the worker runs).
#pragma once

#include "app/ascii_literal.h"
#include "app/code_page.h"
#include "app/format.h"
#include "app/log_files.h"

#include <memory>
#include <string>
#include <string_view>

class DiagnosticLog {
public:
    // The conversions and files the log uses; until attached, every text
    // stays pending and opening fails.
    void Attach(const CodePage* codePage, LogFiles* files);

    void Write(std::wstring_view text);
    // Truncates path and writes the pending text, unless the same path (byte
    // for byte) is open already.
    void Open(const std::string& ansiPath);
    void Close();
    // Appends to the recorded path again. Text logged while closed stays
    // pending in memory.
    void Reopen();

    bool IsOpen() const { return m_pFile != nullptr; }
    const std::wstring& GetPendingText() const { return m_strPendingLog; }
    const std::wstring& GetPath() const { return m_strLogPath; }

    // Closes the file and forgets all state (for tests and a fresh run).
    void Reset();

private:
    void WriteToFile(std::wstring_view text);

    const CodePage* m_pCodePage = nullptr;
    LogFiles* m_pFiles = nullptr;
    std::unique_ptr<LogStream> m_pFile;  // open exactly when non-null
    std::wstring m_strLogPath;
    std::wstring m_strPendingLog;
};

// The process's one log.
extern DiagnosticLog g_log;

void LogText(std::wstring_view text);
void LogFormatted(std::wstring_view format, std::span<const FormatArg> args);

template <typename... Args>
void LogMessage(std::wstring_view format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        LogFormatted(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        LogFormatted(format, list);
    }
}

// The same for the log's fixed texts written in the source: narrow ASCII
// literals take half the space of wide ones in the executable, and each
// character is widened as it is, so the log is the same.
void LogText(AsciiLiteral text);
void LogFormatted(AsciiLiteral format, std::span<const FormatArg> args);

template <typename... Args>
void LogMessage(AsciiLiteral format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        LogFormatted(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        LogFormatted(format, list);
    }
}

void OpenLog(const std::string& ansiPath);
void CloseLog();
void ReopenLog();
