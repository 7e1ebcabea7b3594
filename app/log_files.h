// Opening the diagnostic log's file. The stream is byte-exact: the log itself
// turns line feeds into CR LF, so the result is the same on every platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class LogStream {
public:
    virtual ~LogStream() = default;  // closes (and so flushes) the file
    // A failed write is not reported: the log has nobody to tell.
    virtual void Write(const char* bytes, std::size_t count) = 0;
};

class LogFiles {
public:
    virtual ~LogFiles() = default;
    // path is in the thread's ANSI code page. Truncates unless append is set;
    // both create a missing file. Null when the file cannot be opened.
    virtual std::unique_ptr<LogStream> Open(const std::string& path, bool append) = 0;
};

// C runtime streams in binary mode; the same code serves Windows and Linux.
class StdioLogFiles final : public LogFiles {
public:
    std::unique_ptr<LogStream> Open(const std::string& path, bool append) override;
};
