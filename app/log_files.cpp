#include "app/log_files.h"

#include <cstdio>

namespace {

class StdioLogStream final : public LogStream {
public:
    explicit StdioLogStream(std::FILE* file) : m_pFile(file) {}
    ~StdioLogStream() override { std::fclose(m_pFile); }
    StdioLogStream(const StdioLogStream&) = delete;
    StdioLogStream& operator=(const StdioLogStream&) = delete;

    // Each write reaches the file at once: a run that hangs and is ended from
    // outside (a deployment's time limit) still leaves everything it logged.
    void Write(const char* bytes, std::size_t count) override
    {
        std::fwrite(bytes, 1, count, m_pFile);
        std::fflush(m_pFile);
    }

private:
    std::FILE* m_pFile;
};

}  // namespace

std::unique_ptr<LogStream> StdioLogFiles::Open(const std::string& path, bool append)
{
    // Binary mode: the log does its own CR LF translation (see DiagnosticLog).
    std::FILE* file = std::fopen(path.c_str(), append ? "ab" : "wb");
    if (!file)
        return nullptr;
    return std::make_unique<StdioLogStream>(file);
}
