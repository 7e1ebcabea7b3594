#include "wine_harness.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {

namespace {

const char* const kWine = "/usr/lib/wine/wine64";
const char* const kWineServer = "/usr/lib/wine/wineserver";

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string WineEnvironment(const fs::path& prefix)
{
    const std::string display = Trim(ReadFile(WorkDir() / "display"));
    return "WINEPREFIX=" + Quote(prefix.string()) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=" +
           Quote(display);
}

fs::path SharedPrefix()
{
    return WorkDir() / "prefix";
}

}  // namespace

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string Capture(const std::string& command)
{
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe)
        return "could not run: " + command;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;)
        output.append(buffer.data(), n);
    return output;
}

fs::path Win64Dir() { return VELLOX_WIN64_DIR; }
fs::path Win32Dir() { return VELLOX_WIN32_DIR; }
fs::path WorkDir()
{
    // The i686 suite shares this harness with a prefix and display of its own.
    if (const char* dir = std::getenv("VELLOX_E2E_WORK"); dir != nullptr && *dir != '\0')
        return dir;
    return VELLOX_E2E_WORK_DIR;
}

std::string WinPath(const fs::path& path)
{
    std::string text = "Z:" + fs::absolute(path).lexically_normal().string();
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    return text;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool WaitForFile(const fs::path& path, unsigned timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

HostScript::HostScript(const fs::path& dir, const fs::path& when, const std::string& script, const fs::path& then)
{
    static int counter = 0;
    m_base = dir / ("host-script" + std::to_string(++counter));
    const std::string base = m_base.string();
    const std::string text =
        "for _ in $(seq 12000); do\n"
        "  [ -e " + Quote(when.string()) + " ] && break\n"
        "  [ -e " + Quote(base + ".stop") + " ] && break\n"
        "  sleep 0.01\n"
        "done\n"
        "if [ -e " + Quote(when.string()) + " ]; then\n"
        "  FOLDER=$(sed -n 's/^cwd=Z://p' " + Quote(when.string()) + " | tr '\\\\' / | tr -d '\\r')\n"
        "  (set -ex\n" + script + "\n) && touch " + Quote(base + ".ran") + "\n"
        "fi\n"
        "touch " + Quote(then.string()) + " " + Quote(base + ".done") + "\n";
    WriteFile(base + ".sh", text);
    const std::string command = "bash " + Quote(base + ".sh") + " >" + Quote(base + ".out") + " 2>&1 </dev/null &";
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "could not start " << base << ".sh";
}

HostScript::~HostScript()
{
    if (!m_bFinished)
        Finish();
}

bool HostScript::Finish()
{
    m_bFinished = true;
    WriteFile(m_base.string() + ".stop", "");
    if (!WaitForFile(m_base.string() + ".done", 150000))
        ADD_FAILURE() << m_base << ".sh did not end";
    return fs::exists(m_base.string() + ".ran");
}

std::string HostScript::Output() const
{
    return ReadFile(m_base.string() + ".out");
}

WineTest::WineTest()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = WorkDir() / "tests" / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    if (!fs::exists(WorkDir() / "display") || !fs::exists(SharedPrefix()))
        ADD_FAILURE() << "the shared Wine prefix is not prepared: run the tests through ctest (fixture e2e_prefix)";
}

WineTest::~WineTest()
{
    // Waited for, so that nothing of the test still runs in its prefix when
    // the next test starts.
    for (const auto& prefix : m_privatePrefixes) {
        const std::string server = "WINEPREFIX=" + Quote(prefix.string()) + " " + kWineServer;
        const std::string command = server + " -k >/dev/null 2>&1; " + server + " -w >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
    }
}

RunResult WineTest::Run(const fs::path& exe, const std::string& arguments, const RunOptions& options)
{
    // Atomic: a test may run several programs at once from threads.
    static std::atomic<int> counter = 0;
    const std::string id = std::to_string(++counter);
    const fs::path commandFile = m_dir / ("command" + id + ".txt");
    const fs::path resultFile = m_dir / ("result" + id + ".txt");
    const fs::path outputFile = m_dir / ("driver" + id + ".out");
    std::string commandLine = "\"" + WinPath(exe) + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    WriteFile(commandFile, commandLine + "\n");
    fs::remove(resultFile);

    std::string command = "cd " + Quote(m_dir.string()) + " && " + WineEnvironment(options.prefix.empty() ? SharedPrefix() : options.prefix);
    for (const auto& [name, value] : options.environment)
        command += " " + name + "=" + Quote(value);
    // The outer time-out only guards against a hung Wine; the driver itself
    // ends the program after timeoutMs.
    command += " timeout " + std::to_string(options.timeoutMs / 1000 + 60) + " " + kWine + " " +
               Quote((Win64Dir() / "tests" / "fixtures" / "run_driver.exe").string()) + " " +
               Quote(WinPath(commandFile)) + " " + Quote(WinPath(resultFile)) + " " +
               std::to_string(options.timeoutMs);
    if (options.nativeStart)
        command += " native";
    for (const int id : options.presses)
        command += " press:" + std::to_string(id);
    command += " >" + Quote(outputFile.string()) + " 2>&1 </dev/null";
    [[maybe_unused]] const int status = std::system(command.c_str());

    RunResult result;
    result.raw = ReadFile(resultFile);
    for (const auto& line : Lines(result.raw)) {
        if (line.rfind("exit=", 0) == 0)
            result.exitCode = static_cast<std::uint32_t>(std::stoul(line.substr(5)));
        else if (line.rfind("dialog=", 0) == 0)
            result.dialogs.push_back(line.substr(7));
        else if (line == "timeout")
            result.timedOut = true;
    }
    if (result.raw.empty())
        ADD_FAILURE() << "the driver wrote no result; its output: " << ReadFile(outputFile);
    return result;
}

int WineTest::WineCommand(const std::string& arguments, const fs::path& prefix)
{
    const std::string command = WineEnvironment(prefix.empty() ? SharedPrefix() : prefix) + " " + kWine + " " +
                                arguments + " >>" + Quote((m_dir / "wine-commands.out").string()) + " 2>&1 </dev/null";
    return std::system(command.c_str());
}

fs::path WineTest::PrivatePrefix()
{
    const fs::path copy = m_dir / ("prefix" + std::to_string(m_privatePrefixes.size() + 1));
    fs::remove_all(copy);
    // From the set-up's template, which no wineserver uses: the shared
    // prefix's own server may be rewriting its registry files right now.
    const std::string command = "cp -a " + Quote((WorkDir() / "prefix-template").string()) + " " + Quote(copy.string());
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "could not copy the prefix";
    m_privatePrefixes.push_back(copy);
    // One warm server for the test's every command: without it each Wine
    // command starts a session of its own (server, wineboot, services) while
    // the previous one may still be shutting down.
    const std::string server = "WINEPREFIX=" + Quote(copy.string()) + " " + kWineServer + " -p >/dev/null 2>&1 </dev/null";
    if (std::system(server.c_str()) != 0)
        ADD_FAILURE() << "could not start the wineserver of " << copy;
    return copy;
}

}  // namespace e2e
