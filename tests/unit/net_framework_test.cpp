#include "app_fixture.h"
#include "checks/net_framework.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

const std::wstring kNdp = L"Software\\Microsoft\\NET Framework Setup\\NDP\\";
const std::wstring kK20 = kNdp + L"v2.0.50727";
const std::wstring kK30S = kNdp + L"v3.0\\Setup";
const std::wstring kK30 = kNdp + L"v3.0";
const std::wstring kK35 = kNdp + L"v3.5";
const std::wstring kK4C = kNdp + L"v4\\Client";
const std::wstring kK4F = kNdp + L"v4\\Full";

// Entries 138..144; nullopt leaves the entry out of the string table.
using Entries = std::array<std::optional<std::wstring>, kNetVariantCount>;
const Entries kThisBuild = {L"0", L"0", L"0", L"0", L"0", std::nullopt, std::nullopt};

class NetFrameworkTest : public AppFixture {
protected:
    NetFrameworkTest() { registry = FakeRegistry(); }

    void SetEntries(const Entries& entries)
    {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const unsigned id = StringId::kFirstNetLevel + static_cast<unsigned>(i);
            if (entries[i])
                strings.entries[id] = *entries[i];
            else
                strings.entries.erase(id);
        }
    }

    // Runs the check on a fresh app; the log lines after the seven
    // configuration lines.
    std::vector<std::wstring> Check(bool& result)
    {
        g_log.Reset();
        auto& app = MakeApp({});
        result = CheckNetFramework(strings, registry, app.m_requiredNet);
        auto lines = Lines(LoggedText());
        EXPECT_GE(lines.size(), kNetVariantCount);
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(std::min(lines.size(), kNetVariantCount)));
        return lines;
    }

    void InstallNet20(std::optional<std::uint32_t> sp)
    {
        registry.SetInteger(kK20, L"Install", 1);
        if (sp)
            registry.SetInteger(kK20, L"SP", *sp);
    }
    void InstallNet30(const std::wstring& version, std::optional<std::uint32_t> sp)
    {
        registry.SetInteger(kK30S, L"InstallSuccess", 1);
        registry.SetText(kK30S, L"Version", version);
        if (sp)
            registry.SetInteger(kK30, L"SP", *sp);
    }
    void InstallNet35(const std::wstring& version, std::optional<std::uint32_t> sp)
    {
        registry.SetInteger(kK35, L"Install", 1);
        registry.SetText(kK35, L"Version", version);
        if (sp)
            registry.SetInteger(kK35, L"SP", *sp);
    }
    void InstallNet4(const std::wstring& key, std::optional<std::uint32_t> servicing)
    {
        registry.SetInteger(key, L"Install", 1);
        if (servicing)
            registry.SetInteger(key, L"Servicing", *servicing);
    }
};

TEST_F(NetFrameworkTest, ConfigurationIsLoggedOneLinePerVariant)
{
    SetEntries({L"0", L" 2abc", L"-1", L"", L"0", std::nullopt, L"x"});
    g_log.Reset();
    auto& app = MakeApp({});
    EXPECT_FALSE(CheckNetFramework(strings, registry, app.m_requiredNet));
    const auto lines = Lines(LoggedText());
    EXPECT_EQ(lines, (std::vector<std::wstring>{L".NET 2.0 0", L".NET 3.0  2abc", L".NET 3.5 -1", L".NET 4.0 Client ",
                                                L".NET 4.0 Full 0", L".NET 4.5 Client ", L".NET 4.5 Full x",
                                                L".NET Version Not OK .NET 2 0"}));
}

TEST_F(NetFrameworkTest, DetectionOfEachVariant)
{
    const struct {
        const char* what;
        std::function<void()> machine;
        Entries entries;
        std::vector<std::wstring> lines;
        bool passes;
    } cases[] = {
        {"nothing installed", [] {}, kThisBuild, {L".NET Version Not OK .NET 2 0"}, false},
        {"2.0 with SP 2", [this] { InstallNet20(2); }, kThisBuild,
         {L".NET 2.0 Detected SP 2", L".NET Version OK"}, true},
        {"2.0 without SP is level -1 and fails even level 0", [this] { InstallNet20(std::nullopt); }, kThisBuild,
         {L".NET 2.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"2.0 SP 2 below a required 3", [this] { InstallNet20(2); },
         {L"3", L"-1", L"-1", L"-1", L"-1", L"-1", L"-1"},
         {L".NET 2.0 Detected SP 2", L".NET Version Not OK .NET 2 3"}, false},
        {"2.0 Install 0", [this] { registry.SetInteger(kK20, L"Install", 0); registry.SetInteger(kK20, L"SP", 2); },
         kThisBuild, {L".NET Version Not OK .NET 2 0"}, false},
        {"2.0 Install as text", [this] { registry.SetText(kK20, L"Install", L"1"); registry.SetInteger(kK20, L"SP", 2); },
         kThisBuild, {L".NET Version Not OK .NET 2 0"}, false},
        {"2.0 Install too large for four bytes",
         [this] { registry.SetBytes(kK20, L"Install", {1, 0, 0, 0, 0, 0, 0, 0}); registry.SetInteger(kK20, L"SP", 2); },
         kThisBuild, {L".NET Version Not OK .NET 2 0"}, false},
        {"2.0 key cannot be opened", [this] { InstallNet20(2); registry.unopenable.insert(kK20); }, kThisBuild,
         {L".NET Version Not OK .NET 2 0"}, false},
        {"3.0 at its minimum, SP from the v3.0 key",
         [this] { InstallNet20(std::nullopt); InstallNet30(L"3.0.4506.26", 1); registry.SetInteger(kK30S, L"SP", 7); },
         kThisBuild, {L".NET 2.0 Detected SP -1", L".NET 3.0 Detected SP 1", L".NET Version OK"}, true},
        {"3.0 one below its minimum", [this] { InstallNet20(std::nullopt); InstallNet30(L"3.0.4506.25", 1); },
         kThisBuild, {L".NET 2.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"3.0 without its SP in the v3.0 key",
         [this] { InstallNet20(std::nullopt); InstallNet30(L"3.0.4506.26", std::nullopt); registry.SetInteger(kK30S, L"SP", 1); },
         kThisBuild, {L".NET 2.0 Detected SP -1", L".NET 3.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"3.0 with Install instead of InstallSuccess",
         [this] { InstallNet20(std::nullopt); InstallNet30(L"3.0.4506.26", 1); registry.keys[kK30S].erase(L"InstallSuccess"); registry.SetInteger(kK30S, L"Install", 1); },
         kThisBuild, {L".NET 2.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"3.0 without 2.0", [this] { InstallNet30(L"3.0.4506.26", 1); }, kThisBuild,
         {L".NET Version Not OK .NET 2 0"}, false},
        {"3.5 at its minimum", [this] { InstallNet20(std::nullopt); InstallNet35(L"3.5.21022.8", 1); }, kThisBuild,
         {L".NET 2.0 Detected SP -1", L".NET 3.5 Detected SP 1", L".NET Version OK"}, true},
        {"3.5 one below its minimum", [this] { InstallNet20(std::nullopt); InstallNet35(L"3.5.21022.7", 1); },
         kThisBuild, {L".NET 2.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"3.5 with a Version too long to read",
         [this] { InstallNet20(std::nullopt); InstallNet35(std::wstring(126, L'0') + L"3.5.1", 1); }, kThisBuild,
         {L".NET 2.0 Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"3.5 without 2.0", [this] { InstallNet35(L"3.5.30729.1", 1); }, kThisBuild,
         {L".NET Version Not OK .NET 2 0"}, false},
        {"4.0 Client keeps its Servicing level with Version 4.0.x",
         [this] { InstallNet4(kK4C, 1); registry.SetText(kK4C, L"Version", L"4.0.30319"); }, kThisBuild,
         {L".NET 4.0 Client Detected SP 1", L".NET Version OK"}, true},
        {"4.0 Full takes the Client key's 4.5 minor as its level",
         [this] { InstallNet4(kK4F, std::nullopt); registry.SetText(kK4C, L"Version", L"4.5.50709"); }, kThisBuild,
         {L".NET 4.0 Full Detected SP 5", L".NET Version OK"}, true},
        {"4.0 Full ignores its own key's Version",
         [this] { InstallNet4(kK4F, std::nullopt); registry.SetText(kK4F, L"Version", L"4.5.50709"); }, kThisBuild,
         {L".NET 4.0 Full Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"4.x Servicing above the minor stays",
         [this] { InstallNet4(kK4C, 7); registry.SetText(kK4C, L"Version", L"4.5.50709"); }, kThisBuild,
         {L".NET 4.0 Client Detected SP 7", L".NET Version OK"}, true},
        {"4.x Version of another major does not count",
         [this] { InstallNet4(kK4C, std::nullopt); registry.SetText(kK4C, L"Version", L"5.8"); }, kThisBuild,
         {L".NET 4.0 Client Detected SP -1", L".NET Version Not OK .NET 2 0"}, false},
        {"4.5 Full only accepted: detected through the Client key's Version",
         [this] { InstallNet4(kK4F, std::nullopt); registry.SetText(kK4C, L"Version", L"4.5.50709"); },
         {L"-1", L"-1", L"-1", L"-1", L"-1", L"-1", std::nullopt},
         {L".NET 4.5 Full Detected SP 5", L".NET Version OK"}, true},
        {"4.5 Client only accepted: 4.0.x is not 4.5",
         [this] { InstallNet4(kK4C, 1); registry.SetText(kK4C, L"Version", L"4.0.30319"); },
         {L"-1", L"-1", L"-1", L"-1", L"-1", std::nullopt, L"-1"},
         {L".NET Version Not OK .NET (client) 4.5 0"}, false},
        {"4.5 Client only accepted at level 6: level 5 is detected but too low",
         [this] { InstallNet4(kK4C, std::nullopt); registry.SetText(kK4C, L"Version", L"4.5.1"); },
         {L"-1", L"-1", L"-1", L"-1", L"-1", L"6", L"-1"},
         {L".NET 4.5 Client Detected SP 5", L".NET Version Not OK .NET (client) 4.5 6"}, false},
        {"every variant excluded", [this] { InstallNet20(2); InstallNet4(kK4F, 5); },
         {L"-1", L"-1", L"-1", L"-1", L"-1", L"-1", L"-1"},
         {L".NET Version Not OK Unknown .NET Version 0"}, false},
    };
    for (const auto& c : cases) {
        registry = FakeRegistry();
        SetEntries(c.entries);
        c.machine();
        bool passes = false;
        EXPECT_EQ(Check(passes), c.lines) << c.what;
        EXPECT_EQ(passes, c.passes) << c.what;
    }
}

TEST_F(NetFrameworkTest, TheWalkStopsAtTheFirstPassingVariant)
{
    InstallNet20(2);
    InstallNet4(kK4C, 1);
    InstallNet4(kK4F, 1);
    registry.SetText(kK4C, L"Version", L"4.5.50709");
    bool passes = false;
    EXPECT_EQ(Check(passes), (std::vector<std::wstring>{L".NET 2.0 Detected SP 2", L".NET Version OK"}));
    EXPECT_TRUE(passes);
    for (const auto& read : registry.reads)
        EXPECT_EQ(read.find(L"\\v4\\"), std::wstring::npos) << read;

    // Without 2.0 the walk reaches 4.0 Client and stops there.
    registry.keys.erase(kK20);
    registry.reads.clear();
    EXPECT_EQ(Check(passes), (std::vector<std::wstring>{L".NET 4.0 Client Detected SP 5", L".NET Version OK"}));
    for (const auto& read : registry.reads)
        EXPECT_EQ(read.find(L"\\v4\\Full"), std::wstring::npos) << read;
}

TEST_F(NetFrameworkTest, RequirementIsTheFirstVariantNotExcluded)
{
    const struct {
        Entries entries;
        std::wstring name;
        std::int32_t major;
        std::int32_t servicePack;
    } cases[] = {
        {kThisBuild, L".NET 2", 2, 0},
        {{L"-1", L"0", L"0", L"0", L"0", std::nullopt, std::nullopt}, L".NET 3.0", 3, 0},
        {{L"-1", L"-1", L" 2abc", L"0", L"0", std::nullopt, std::nullopt}, L".NET 3.5", 3, 2},
        {{L"-1", L"-1", L"-1", L"+1", L"0", L"0", L"0"}, L".NET (client) 4.0", 4, 1},
        {{L"-1", L"-1", L"-1", L"-1", L"-0", L"0", L"0"}, L".NET (full) 4.0", 4, 0},
        {{L"-1", L"-1", L"-1", L"-1", L"-1", L"", L"0"}, L".NET (client) 4.5", 4, 0},
        {{L"-1", L"-1", L"-1", L"-1", L"-1", L"-3", std::nullopt}, L".NET (full) 4.5", 4, 0},
        {{L"-1", L"-1", L"-1", L"-1", L"-1", L"-3", L"-9"}, L"Unknown .NET Version", 2, 0},
    };
    for (const auto& c : cases) {
        std::array<std::wstring, kNetVariantCount> texts;
        for (std::size_t i = 0; i < texts.size(); ++i)
            texts[i] = c.entries[i].value_or(L"");
        auto& app = MakeApp({});
        SelectRequiredFramework(app.m_requiredNet, texts);
        EXPECT_EQ(app.m_requiredNet.name, c.name);
        EXPECT_EQ(app.m_requiredNet.major, c.major) << c.name;
        EXPECT_EQ(app.m_requiredNet.servicePack, c.servicePack) << c.name;
    }
}

}  // namespace
