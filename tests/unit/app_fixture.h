// A whole application object on fakes, with the process-wide log attached to
// an in-memory file system and cleared before and after each test.
#pragma once

#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "fakes/fake_services.h"
#include "payload/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The text's lines without their line feeds; text after the last one is not a line.
inline std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

class AppFixture : public ::testing::Test, protected FakeServices {
protected:
    AppFixture()
    {
        g_log.Reset();
        g_log.Attach(&codePage, &logFiles);
        // A machine that passes the .NET Framework check with this build's
        // entries: .NET 2.0 with service pack 2.
        registry.SetInteger(L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727", L"Install", 1);
        registry.SetInteger(L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727", L"SP", 2);
        ResetTempFolder();
        // A small valid payload under the default base folder.
        resources.Add(101, "102*setup.exe*5");
        resources.Add(102, "hello");
        fileSystem.AddFolder(L"C:\\Users\\me\\AppData\\Local\\Temp");
    }
    ~AppFixture() override
    {
        g_log.Reset();
        g_log.Attach(nullptr, nullptr);
        ResetTempFolder();
    }

    // A fresh application object for the given arguments.
    CVelloxInstallerApp& MakeApp(std::vector<std::wstring> arguments, std::uintptr_t module = 0x400000)
    {
        std::wstring raw;
        for (const auto& argument : arguments)
            raw += (raw.empty() ? L"" : L" ") + argument;
        app = std::make_unique<CVelloxInstallerApp>(Services(), module, std::move(arguments), raw);
        return *app;
    }

    // Everything logged so far: the pending text, or the file's bytes with
    // CR LF turned back into LF once a log file is open.
    std::wstring LoggedText() const
    {
        if (g_log.GetPath().empty())
            return g_log.GetPendingText();
        std::wstring text;
        for (const char c : logFiles.files.at(codePage.ToAnsi(g_log.GetPath()))) {
            if (c != '\r')
                text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
        return text + g_log.GetPendingText();
    }

    std::unique_ptr<CVelloxInstallerApp> app;
};
