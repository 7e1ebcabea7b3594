#pragma once

#include "app/log_files.h"
#include "fakes/seam_calls.h"

#include <map>
#include <memory>
#include <set>
#include <string>

// Files in memory. Paths listed in unopenable cannot be opened.
class FakeLogFiles final : public LogFiles {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> unopenable;
    int openStreams = 0;
    int opens = 0;
    SeamCalls* seamCalls = nullptr;  // counts every open; fails the chosen one

    std::unique_ptr<LogStream> Open(const std::string& path, bool append) override
    {
        ++opens;
        if (Injected(seamCalls, "LogFiles", "Open", std::wstring(path.begin(), path.end())) ||
            unopenable.count(path))
            return nullptr;
        if (!append)
            files[path].clear();
        else
            files[path];
        return std::make_unique<Stream>(*this, path);
    }

private:
    class Stream final : public LogStream {
    public:
        Stream(FakeLogFiles& owner, std::string path) : m_owner(owner), m_path(std::move(path)) { ++m_owner.openStreams; }
        ~Stream() override { --m_owner.openStreams; }
        void Write(const char* bytes, std::size_t count) override { m_owner.files[m_path].append(bytes, count); }

    private:
        FakeLogFiles& m_owner;
        std::string m_path;
    };
};
