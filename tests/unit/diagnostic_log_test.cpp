#include "app/diagnostic_log.h"
#include "fakes/fake_code_page.h"
#include "fakes/fake_log_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

class DiagnosticLogTest : public ::testing::Test {
protected:
    DiagnosticLogTest() { log.Attach(&codePage, &files); }

    FakeCodePage codePage;
    FakeLogFiles files;
    DiagnosticLog log;
};

TEST_F(DiagnosticLogTest, TextCollectsInMemoryUntilOpened)
{
    log.Write(L"first\n");
    log.Write(L"second\n");
    EXPECT_TRUE(files.files.empty());
    log.Open("c:\\x.log");
    EXPECT_EQ(files.files["c:\\x.log"], "first\r\nsecond\r\n");
    EXPECT_TRUE(log.GetPendingText().empty());
    log.Write(L"third\n");
    EXPECT_EQ(files.files["c:\\x.log"], "first\r\nsecond\r\nthird\r\n");
}

TEST_F(DiagnosticLogTest, EveryLineFeedBecomesCrLfLikeTextMode)
{
    log.Open("a");
    log.Write(L"a\nb\r\nc");
    EXPECT_EQ(files.files["a"], "a\r\nb\r\r\nc");
}

TEST_F(DiagnosticLogTest, SamePathIsNotTruncatedAgainButAnotherIs)
{
    files.files["a"] = "old contents";
    log.Open("a");
    log.Write(L"one\n");
    log.Open("a");
    log.Write(L"two\n");
    EXPECT_EQ(files.files["a"], "one\r\ntwo\r\n");
    EXPECT_EQ(files.opens, 1);
    log.Open("b");
    EXPECT_EQ(files.openStreams, 1);
    EXPECT_EQ(log.GetPath(), L"b");
}

TEST_F(DiagnosticLogTest, CloseAndReopenAppendsAndKeepsTextLoggedInBetweenInMemory)
{
    log.Open("a");
    log.Write(L"before\n");
    log.Close();
    EXPECT_EQ(files.openStreams, 0);
    log.Write(L"while closed\n");
    files.files["a"] += "installer line\r\n";  // another program appends meanwhile
    log.Reopen();
    log.Write(L"after\n");
    EXPECT_EQ(files.files["a"], "before\r\ninstaller line\r\nafter\r\n");
    EXPECT_EQ(log.GetPendingText(), L"while closed\n");
    log.Reopen();  // already open: nothing happens
    EXPECT_EQ(files.openStreams, 1);
}

TEST_F(DiagnosticLogTest, UnopenablePathKeepsTextInMemoryAndIsTriedAgainOnReopen)
{
    files.unopenable.insert("c:\\dir");
    log.Write(L"early\n");
    log.Open("c:\\dir");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.GetPath(), L"c:\\dir");
    log.Write(L"later\n");
    EXPECT_EQ(log.GetPendingText(), L"early\nlater\n");
    files.unopenable.clear();
    log.Reopen();
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(files.files["c:\\dir"], "");  // pending text is not written on reopen
}

TEST_F(DiagnosticLogTest, ReopenWithoutARecordedPathDoesNothing)
{
    log.Reopen();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(files.opens, 0);
}

TEST_F(DiagnosticLogTest, TextIsWrittenInTheCodePageWithoutLookalikes)
{
    // Code page 1252 converted without best fit (the fake's table is the one
    // measured under Wine): a character with a byte of its own keeps it, any
    // other becomes '?' and the rest of the line is complete.
    const struct {
        const wchar_t* text;
        const char* bytes;
    } cases[] = {
        {L"\uFF3C", "?"},                // fullwidth reverse solidus, not a backslash
        {L"\uFF0F", "?"},                // fullwidth solidus, not "/"
        {L"\uFF58\uFF21", "??"},         // fullwidth x and A, not "xA"
        {L"\u2215\u0131", "??"},         // division slash, dotless i
        {L"\u00AD", "\xAD"},             // soft hyphen: the code page's 0xAD, kept
        {L"\u20AC\u0152", "\x80\x8C"},   // euro sign and OE ligature
        {L"\u0080", "?"},                // 0x80 is the euro sign, not U+0080
        {L"\u4E00\u6587", "??"},         // no mapping at all
        {L"caf\u00e9", "caf\xE9"},
    };
    log.Open("a");
    std::string expected;
    for (const auto& c : cases) {
        log.Write(std::wstring(c.text) + L" end\n");
        expected += std::string(c.bytes) + " end\r\n";
    }
    EXPECT_EQ(files.files["a"], expected);
}

TEST(CodePage, ExactConversionOnlyWhenNoCharacterBecameTheDefault)
{
    FakeCodePage codePage;
    EXPECT_EQ(codePage.ToAnsiExactly(L"C:\\caf\u00e9\u00ad\u20ac.log"), "C:\\caf\xE9\xAD\x80.log");
    // A '?' that was there already is the caller's own.
    EXPECT_EQ(codePage.ToAnsiExactly(L"\\\\?\\C:\\x.log"), "\\\\?\\C:\\x.log");
    EXPECT_EQ(codePage.ToAnsiExactly(L""), "");
    for (const wchar_t* text : {L"C:\\\uFF58.log", L"\\\\\u4E00\\C:\\x.log", L"a\u0080", L"\xD800"})
        EXPECT_EQ(codePage.ToAnsiExactly(text), std::nullopt) << codePage.ToAnsi(text);
}

TEST(StdioLogFiles, TruncatesThenAppendsOnRealFilesAndWritesEachLineThrough)
{
    const auto path = std::filesystem::temp_directory_path() / ("vellox_log_test_" + std::to_string(::getpid()));
    {
        std::ofstream(path) << "stale";
    }
    StdioLogFiles files;
    FakeCodePage codePage;
    DiagnosticLog log;
    log.Attach(&codePage, &files);
    log.Open(path.string());
    log.Write(L"one\n");
    // On disk while the log is still open: a process ended from outside
    // loses nothing it has logged.
    const auto onDisk = [&] {
        std::stringstream now;
        now << std::ifstream(path, std::ios::binary).rdbuf();
        return now.str();
    };
    EXPECT_EQ(onDisk(), "one\r\n");
    log.Close();
    log.Reopen();
    log.Write(L"two\n");
    log.Close();
    std::stringstream contents;
    contents << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(contents.str(), "one\r\ntwo\r\n");
    std::filesystem::remove(path);
    EXPECT_EQ(files.Open("/nonexistent-dir/x.log", false), nullptr);
}

TEST(LogMessage, FormatsIntoTheProcessLog)
{
    g_log.Reset();
    LogMessage(L"Started %ld\n", 42);
    LogText(L"Ask for help\n");
    EXPECT_EQ(g_log.GetPendingText(), L"Started 42\nAsk for help\n");
    g_log.Reset();
}

}  // namespace
