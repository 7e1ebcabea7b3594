// Runs the real Windows executables under Wine for the end-to-end tests.
//
// One prefix, wineserver and Xvfb display serve the whole run (prepared by
// prefix.sh as a CTest fixture). Each test gets its own folder; a test that
// changes the registry takes a private copy of the prefix.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// Where the builds and the shared run state are (set by CMake).
fs::path Win64Dir();
fs::path Win32Dir();
fs::path WorkDir();

// The Windows form of a host path (drive Z: maps the host's root).
std::string WinPath(const fs::path& path);

// The text in single quotes for the shell.
std::string Quote(const std::string& text);
// Runs a shell command; its standard output and error together.
std::string Capture(const std::string& command);

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);
// Splits text into lines, dropping the line end (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);

// Waits until the file exists, looking every 10 ms; false after timeoutMs.
bool WaitForFile(const fs::path& path, unsigned timeoutMs = 60000);

// A shell script run on the host, in the background, while a program runs
// under Wine. Once the file `when` exists (the fake installer's record, see
// VELLOX_FAKE_RECORD) it runs the script with FOLDER set to the host path of
// the record's current directory, then creates the file `then` (for
// VELLOX_FAKE_WAIT_FOR) whether or not the script succeeded. It waits at
// most two minutes for `when`.
class HostScript {
public:
    HostScript(const fs::path& dir, const fs::path& when, const std::string& script, const fs::path& then);
    ~HostScript();
    HostScript(const HostScript&) = delete;
    HostScript& operator=(const HostScript&) = delete;

    // Stops the wait, if it still waits, and waits for the script to end:
    // true when it ran and every command of it succeeded.
    bool Finish();
    // What the script printed.
    std::string Output() const;

private:
    fs::path m_base;
    bool m_bFinished = false;
};

struct RunOptions {
    unsigned timeoutMs = 60000;
    // Control ids to press, one per dialog, in the order the dialogs appear.
    std::vector<int> presses;
    // Extra environment for the program (Wine passes it on).
    std::map<std::string, std::string> environment;
    // A private prefix; empty for the shared one.
    fs::path prefix;
    // Start the program through the native process call, which takes a
    // program path of any length: Wine's CreateProcessW refuses one over
    // 259 characters (error 123).
    bool nativeStart = false;
};

struct RunResult {
    std::optional<std::uint32_t> exitCode;  // absent when it timed out or did not start
    bool timedOut = false;
    std::vector<std::string> dialogs;  // "title|control|control..." per dialog seen
    std::string raw;                   // the driver's whole report
};

// A test's own folder, emptied at the start of the test.
class WineTest : public ::testing::Test {
protected:
    WineTest();
    ~WineTest() override;

    const fs::path& Dir() const { return m_dir; }
    // Runs "<exe> <arguments>" (arguments exactly as the command line's
    // text) through the driver and waits for it.
    RunResult Run(const fs::path& exe, const std::string& arguments, const RunOptions& options = {});
    // Runs a plain Wine command (reg, cmd) in the given prefix; its exit status.
    int WineCommand(const std::string& arguments, const fs::path& prefix = {});
    // A full copy of the shared prefix for this test (registry changes stay
    // here); its wineserver is stopped when the test ends.
    fs::path PrivatePrefix();

private:
    fs::path m_dir;
    std::vector<fs::path> m_privatePrefixes;
};

}  // namespace e2e
