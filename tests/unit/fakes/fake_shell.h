// A shell that opens only the targets a test allows, and a link control
// that records what the link did to it.
#pragma once

#include "ui/shell.h"
#include "ui/static_link.h"

#include <set>
#include <string>
#include <vector>

class FakeShell final : public Shell {
public:
    std::set<std::wstring> openable;  // these give 42, everything else 2
    std::vector<std::wstring> attempts;

    std::intptr_t Open(const std::wstring& target) override
    {
        attempts.push_back(target);
        return openable.count(target) ? 42 : 2;  // 2: ERROR_FILE_NOT_FOUND
    }
};

class FakeLinkWindow final : public LinkWindow {
public:
    std::wstring text;
    unsigned id = 1001;
    int beeps = 0;
    int invalidations = 0;

    std::wstring GetText() const override { return text; }
    unsigned GetId() const override { return id; }
    void Invalidate() override { ++invalidations; }
    void Beep() override { ++beeps; }
};
