#include "payload/temp_folder_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One access entry of a descriptor: "(type;flags;rights;;;trustee)".
struct Ace {
    std::wstring type, flags, rights, trustee;
    bool operator==(const Ace&) const = default;
};

// The access list of a "D:<control>(ace)(ace)..." descriptor.
std::vector<Ace> Entries(const std::wstring& descriptor, std::wstring& control)
{
    std::vector<Ace> aces;
    const std::size_t open = descriptor.find(L'(');
    control = descriptor.substr(0, open);
    for (std::size_t at = open; at != std::wstring::npos; at = descriptor.find(L'(', at + 1)) {
        const std::wstring body = descriptor.substr(at + 1, descriptor.find(L')', at) - at - 1);
        std::vector<std::wstring> fields;
        for (std::size_t start = 0;;) {
            const std::size_t semi = body.find(L';', start);
            fields.push_back(body.substr(start, semi == std::wstring::npos ? semi : semi - start));
            if (semi == std::wstring::npos)
                break;
            start = semi + 1;
        }
        EXPECT_EQ(fields.size(), 6u) << std::string(body.begin(), body.end());
        if (fields.size() == 6)
            aces.push_back({fields[0], fields[1], fields[2], fields[5]});
    }
    return aces;
}

TEST(TempFolderAccess, ProtectedListOfTheRunsOwnersAndReadAndExecuteForEveryone)
{
    const std::wstring user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    const Ace system{L"A", L"OICI", L"FA", L"SY"};
    const Ace administrators{L"A", L"OICI", L"FA", L"BA"};
    const Ace owner{L"A", L"OICI", L"FA", user};
    // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE: no write, delete or change of rights.
    const Ace everyone{L"A", L"OICI", L"0x1200a9", L"WD"};
    const struct {
        const char* what;
        std::wstring ownerSid;
        std::vector<Ace> expected;
    } cases[] = {
        {"a user owns new objects", user, {system, administrators, owner, everyone}},
        {"the Administrators group owns them (elevated)", L"S-1-5-32-544", {system, administrators, everyone}},
        {"SYSTEM owns them", L"S-1-5-18", {system, administrators, everyone}},
        {"owner unknown", L"", {system, administrators, everyone}},
        // Never copied into the descriptor unless it is SID text.
        {"not a SID", L"S-1-5-21)(A;OICI;FA;;;WD", {system, administrators, everyone}},
        {"no sub-authority", L"S-1-", {system, administrators, everyone}},
    };
    for (const auto& c : cases) {
        std::wstring control;
        EXPECT_EQ(Entries(TempFolderSecurityDescriptor(c.ownerSid), control), c.expected) << c.what;
        // "D:P": the list is protected, so nothing of the base's list is inherited.
        EXPECT_EQ(control, L"D:P") << c.what;
    }
}

TEST(TempFolderAccess, SidText)
{
    for (const wchar_t* good : {L"S-1-1-0", L"S-1-5-32-544", L"S-1-5-21-1-2-3-1001"})
        EXPECT_TRUE(IsSidText(good)) << std::wstring(good).size();
    for (const wchar_t* bad : {L"", L"S-1-", L"S-1-5-", L"S-1--5", L"S-2-5", L"s-1-5", L"S-1-5-x", L"BA"})
        EXPECT_FALSE(IsSidText(bad)) << std::wstring(bad).size();
}

}  // namespace
