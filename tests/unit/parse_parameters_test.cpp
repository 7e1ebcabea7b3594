#include "app_fixture.h"

#include <gtest/gtest.h>

namespace {

using ParseParametersTest = AppFixture;

int CountOf(const std::wstring& text, const std::wstring& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST_F(ParseParametersTest, DefaultBaseFolderRule)
{
    const std::wstring len100 = L"C:\\" + std::wstring(97, L'a');
    const std::wstring len101 = len100 + L"b";
    const std::wstring len89 = L"C:\\" + std::wstring(86, L'c');
    const std::wstring len90 = len89 + L"d";
    struct Case {
        const char* what;
        std::optional<std::wstring> temp, appData, common;
        std::wstring expected;
    } cases[] = {
        {"temp folder of 100 characters", len100, L"C:\\A", L"C:\\P", len100},
        {"temp too long: application data", len101, L"C:\\A", L"C:\\P", L"C:\\A"},
        {"temp call failed: application data", std::nullopt, L"C:\\A", L"C:\\P", L"C:\\A"},
        {"application data of 100 characters", len101, len100, L"C:\\P", len100},
        {"common folder below 90 gets our folder", len101, len101, len89, len89 + L"\\Tarnwick"},
        {"common folder from 90 to 100 unchanged", len101, std::nullopt, len90, len90},
        {"common folder of 100 unchanged", len101, len101, len100, len100},
        {"common folder too long: system drive", len101, len101, len101, L"C:"},
        {"common folder failed: system drive", len101, std::nullopt, std::nullopt, L"C:"},
    };
    for (const auto& c : cases) {
        paths.tempFolder = c.temp;
        paths.appData = c.appData;
        paths.commonAppData = c.common;
        auto& app = MakeApp({});
        EXPECT_EQ(app.ParseParameters(), 0) << c.what;
        EXPECT_EQ(app.m_strTempFolder, c.expected) << c.what;
    }
}

TEST_F(ParseParametersTest, OwnSwitchesSetFieldsAndAreNotForwarded)
{
    auto& app = MakeApp({L"/dontrun", L"-zeroguid", L"/keep", L"/IAgreeToTheEULA"});
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_FALSE(app.m_bRunInstaller);
    EXPECT_TRUE(app.m_bZeroGuid);
    EXPECT_FALSE(app.m_bRemoveTempFolder);
    EXPECT_TRUE(app.m_bSilent);
    EXPECT_EQ(app.m_strForwardedCommandLine, L"/IAgreeToTheEULA TW_I=\"\" ");
}

TEST_F(ParseParametersTest, DefaultsAndWrongFormsTakeNoEffect)
{
    // Capitals and the bare word do nothing and are forwarded.
    auto& app = MakeApp({L"/KEEP", L"keep", L"/DontRun"});
    app.m_strProgramName = L"Mini";
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_TRUE(app.m_bRunInstaller);
    EXPECT_FALSE(app.m_bZeroGuid);
    EXPECT_TRUE(app.m_bRemoveTempFolder);
    EXPECT_FALSE(app.m_bSilent);
    EXPECT_NE(app.m_strForwardedCommandLine.find(L"/KEEP "), std::wstring::npos);
    EXPECT_NE(app.m_strForwardedCommandLine.find(L"/DontRun "), std::wstring::npos);
    EXPECT_NE(app.m_strForwardedCommandLine.find(L"keep "), std::wstring::npos);
}

TEST_F(ParseParametersTest, PathOptionsAreResolvedAndTheLogOpened)
{
    auto& app = MakeApp({L"log", L"setup.log", L"temp", L"D:\\", L"extract", L"out"});
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_EQ(app.m_strTempFolder, L"D:\\");
    const std::wstring& line = app.m_strForwardedCommandLine;
    EXPECT_NE(line.find(L"/log \"C:\\work\\setup.log\" "), std::wstring::npos) << line;
    EXPECT_NE(line.find(L"/extract \"C:\\work\\out\" "), std::wstring::npos) << line;
    EXPECT_NE(line.find(L"/temp \"D:\\\\\" "), std::wstring::npos) << line;
    EXPECT_TRUE(g_log.IsOpen());
    EXPECT_EQ(g_log.GetPath(), L"C:\\work\\setup.log");
    EXPECT_NE(LoggedText().find(L"Temp folder 'D:\\'\n"), std::wstring::npos);
}

TEST_F(ParseParametersTest, LogPathTheCodePageCannotHoldIsNotOpened)
{
    // Converted, each would name another file: best fit makes lookalikes of
    // the fullwidth forms, and the default character '?' after two
    // backslashes makes \\?\C:\target.txt, which opens C:\target.txt.
    const wchar_t* const paths[] = {
        L"C:\\logs\\\uFF58.log",                      // fullwidth x
        L"C:\\u2\\sub\\..\uFF3C..\uFF3Ctarget.txt",   // fullwidth reverse solidus
        L"C:\\logs\\a\uFF0Fb.log",                    // fullwidth solidus
        L"\\\\\u4E00\\C:\\target.txt",                 // no mapping at all
    };
    for (const wchar_t* path : paths) {
        g_log.Reset();
        logFiles.opens = 0;
        auto& app = MakeApp({L"log", path, L"/IAgreeToTheEULA"});
        EXPECT_EQ(app.ParseParameters(), 0);
        g_log.Reopen();  // as after the installer: nothing recorded to reopen
        EXPECT_EQ(logFiles.opens, 0) << codePage.ToAnsi(path);
        EXPECT_TRUE(g_log.GetPath().empty());
        EXPECT_NE(g_log.GetPendingText().find(L"Command line params"), std::wstring::npos);
        // The installer still gets the path itself.
        EXPECT_NE(app.m_strForwardedCommandLine.find(L"/log \"" + std::wstring(path) + L"\" "), std::wstring::npos)
            << codePage.ToAnsi(app.m_strForwardedCommandLine);
    }

    // Characters of the code page are no obstacle.
    auto& app = MakeApp({L"log", L"C:\\logs\\caf\u00e9\u00ad\u20ac.log"});
    app.ParseParameters();
    EXPECT_TRUE(g_log.IsOpen());
    EXPECT_EQ(logFiles.files.count("C:\\logs\\caf\xE9\xAD\x80.log"), 1u);
}

TEST_F(ParseParametersTest, TempValueIsForwardedAsTyped)
{
    auto& app = MakeApp({L"temp", L"sub"});
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_EQ(app.m_strTempFolder, L"C:\\work\\sub");
    EXPECT_NE(app.m_strForwardedCommandLine.find(L"/temp \"sub\" "), std::wstring::npos);
}

TEST_F(ParseParametersTest, LogAsLastArgumentResolvesToTheCurrentDirectory)
{
    logFiles.unopenable.insert("C:\\work");
    auto& app = MakeApp({L"log"});
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_FALSE(g_log.IsOpen());
    EXPECT_EQ(g_log.GetPath(), L"C:\\work");
    EXPECT_EQ(app.m_strForwardedCommandLine, L"/log \"C:\\work\" TW_I=\"\" ");
}

TEST_F(ParseParametersTest, PathOptionAsSwitchFailsButParsingRunsToTheEnd)
{
    for (const wchar_t* option : {L"/extract", L"-log", L"/temp"}) {
        g_log.Reset();
        auto& app = MakeApp({option, L"/IAgreeToTheEULA"});
        EXPECT_EQ(app.ParseParameters(), static_cast<std::int32_t>(0x80030057)) << option;
        EXPECT_TRUE(app.m_bSilent) << option;
        EXPECT_NE(app.m_strForwardedCommandLine.find(L"/IAgreeToTheEULA"), std::wstring::npos);
        EXPECT_NE(LoggedText().find(L"Command line params "), std::wstring::npos);
    }
}

TEST_F(ParseParametersTest, HelpRequestLogsOnceBareAndTwiceAsSwitch)
{
    struct Case {
        std::vector<std::wstring> arguments;
        int lines;
    } cases[] = {{{L"?"}, 1}, {{L"/?"}, 2}, {{L"-?", L"x"}, 2}};
    for (const auto& c : cases) {
        g_log.Reset();
        auto& app = MakeApp(c.arguments);
        EXPECT_EQ(app.ParseParameters(), static_cast<std::int32_t>(0x80030057));
        EXPECT_EQ(CountOf(LoggedText(), L"Ask for help\n"), c.lines) << c.arguments.front();
    }
}

TEST_F(ParseParametersTest, PathThatDoesNotFitIsRejectedNamingTheOption)
{
    const std::wstring longPath = L"C:\\" + std::wstring(258, L'x');  // 261 characters
    for (const wchar_t* option : {L"extract", L"log", L"temp"}) {
        g_log.Reset();
        auto& app = MakeApp({option, longPath});
        EXPECT_EQ(app.ParseParameters(), static_cast<std::int32_t>(0x80030057)) << option;
        EXPECT_NE(LoggedText().find(std::wstring(L"Path of option '") + option + L"' is too long"), std::wstring::npos)
            << option;
        EXPECT_FALSE(g_log.IsOpen());
    }
    // 260 characters still fit.
    auto& app = MakeApp({L"temp", longPath.substr(0, 260)});
    EXPECT_EQ(app.ParseParameters(), 0);
}

TEST_F(ParseParametersTest, SecondParseGivesTheSameFieldsWithTheProgramNameAndKeepsTheLog)
{
    auto& app = MakeApp({L"log", L"c:\\log.txt", L"/IAgreeToTheEULA", L"/keep"});
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_EQ(app.m_strForwardedCommandLine, L"/IAgreeToTheEULA /log \"c:\\log.txt\" TW_I=\"\" ");
    app.m_strProgramName = L"Mini";
    EXPECT_EQ(app.ParseParameters(), 0);
    EXPECT_EQ(app.m_strForwardedCommandLine, L"/IAgreeToTheEULA /log \"c:\\log.txt\" TW_I=\"Mini\" ");
    EXPECT_FALSE(app.m_bRemoveTempFolder);
    EXPECT_EQ(logFiles.opens, 1);
    EXPECT_EQ(LoggedText(), L"Command line params /IAgreeToTheEULA /log \"c:\\log.txt\" TW_I=\"\" \n"
                            L"Temp folder 'C:\\Users\\me\\AppData\\Local\\Temp\\'\n"
                            L"Command line params /IAgreeToTheEULA /log \"c:\\log.txt\" TW_I=\"Mini\" \n"
                            L"Temp folder 'C:\\Users\\me\\AppData\\Local\\Temp\\'\n");
}

}  // namespace
