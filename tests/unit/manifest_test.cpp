#include "payload/manifest.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const CResourceFileMap& map)
{
    std::string out;
    for (const auto& entry : map)
        out += std::to_string(entry.m_nId) + "=" + std::string(entry.m_strName.begin(), entry.m_strName.end()) + ":" +
               std::to_string(entry.m_nSize) + " ";
    return out;
}

TEST(ParseManifest, Cases)
{
    const struct {
        const wchar_t* text;
        const char* parsed;
    } cases[] = {
        {L"102*install.bin*16659475*103*empty.msi*9728", "102=install.bin:16659475 103=empty.msi:9728 "},
        // Runs of separators count as one, also at the start and the end.
        {L"102**install.bin***9728", "102=install.bin:9728 "},
        {L"***102*a*1***", "102=a:1 "},
        // The later triple with the same id wins.
        {L"104*a.exe*1*104*b.exe*2", "104=b.exe:2 "},
        // Entries come out in id order whatever order the triples have.
        {L"105*c*3*102*a*1*104*b*2*102*d*4", "102=d:4 104=b:2 105=c:3 "},
        // A missing last size keeps the entry with size 0 (it then fails the
        // size check rather than being skipped).
        {L"102*a.txt*3*103*b.txt", "102=a.txt:3 103=b.txt:0 "},
        // An id without a name ends the parse.
        {L"102*a.txt*3*103", "102=a.txt:3 "},
        {L"", ""},
        {L"***", ""},
        // Numbers as the runtime reads them: white space, sign, stop at the
        // first non-digit, no digits give 0.
        {L" 102x*a*  12abc", "102=a:12 "},
        {L"abc*a*size", "0=a:0 "},
        {L"-1*a*-5", "4294967295=a:-5 "},
        {L"102*a*99999999999", "102=a:2147483647 "},
        // Names keep every character but the separator, blanks included.
        {L"102* bin\\My File.DLL *7", "102= bin\\My File.DLL :7 "},
    };
    for (const auto& c : cases) {
        CResourceFileMap map;
        EXPECT_EQ(ParseManifest(c.text, map), 0);
        EXPECT_EQ(Describe(map), c.parsed) << c.text;
    }
}

}  // namespace
