#include "payload_fixture.h"

#include "payload/embedded_information.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kOwnFile = L"C:\\Downloads\\setup.exe";
const std::wstring kOutput = L"C:\\T\\info.xml";

class EmbeddedInformationTest : public PayloadFixture {
protected:
    // A file of the given size filled with 'x', with "MRDC" placed at each
    // distance from the end.
    void MakeOwnFile(std::size_t size, std::initializer_list<std::size_t> markersFromEnd, std::string* bytesOut = nullptr)
    {
        std::string bytes(size, 'x');
        for (const std::size_t distance : markersFromEnd)
            bytes.replace(size - distance, 4, "MRDC");
        fileSystem.AddFile(kOwnFile, bytes);
        if (bytesOut)
            *bytesOut = bytes;
    }
    void Scan()
    {
        g_log.Reset();
        fileSystem.Remove(kOutput);
        fileSystem.AddFolder(L"C:\\T");
        const std::unique_ptr<HeldFolder> folder = fileSystem.HoldExisting(L"C:\\T");
        ASSERT_TRUE(folder);
        EXPECT_EQ(ScanForEmbeddedInformation(fileSystem, codePage, kOwnFile, *folder, L"C:\\T"), 0);
    }
    std::optional<std::string> Output() const
    {
        return fileSystem.Exists(kOutput) ? std::optional(fileSystem.Contents(kOutput)) : std::nullopt;
    }
};

TEST_F(EmbeddedInformationTest, MarkerPositionsAndFileSizes)
{
    const struct {
        std::size_t size;
        std::initializer_list<std::size_t> markers;  // distances of "MRDC" from the end
        std::optional<std::size_t> payload;          // bytes written to info.xml
    } cases[] = {
        {4116, {4116}, std::nullopt},  // too small: nothing is read
        {4117, {4116}, 4106},          // smallest file that is scanned
        {9000, {4116}, 4106},          // farthest marker found
        {9000, {4117}, std::nullopt},  // the window's first byte is never examined
        {9000, {11}, 1},               // nearest marker with a payload
        {9000, {10}, std::nullopt},    // no room for a payload
        {9000, {2000, 10}, std::nullopt},  // ... and the earlier marker is not used
        {9000, {3000, 500}, 490},      // the later of two markers
        {9000, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        std::string bytes;
        MakeOwnFile(c.size, c.markers, &bytes);
        Scan();
        const std::wstring text = LoggedText();
        EXPECT_TRUE(text.starts_with(L"Scanning for Signature\r\n")) << c.size;
        if (!c.payload) {
            EXPECT_EQ(Output(), std::nullopt) << c.size;
            EXPECT_EQ(text, L"Scanning for Signature\r\n") << c.size;
            continue;
        }
        ASSERT_TRUE(Output()) << c.size;
        EXPECT_EQ(Output()->size(), *c.payload) << c.size;
        // The payload runs from after the marker up to the sixth-last byte.
        EXPECT_EQ(*Output(), bytes.substr(c.size - *c.payload - 6, *c.payload)) << c.size;
        EXPECT_EQ(Output()->find("MRDC"), std::string::npos) << c.size;
        EXPECT_NE(text.find(Format(L"Written out embedded information %ld byts to file %s\r\n", *c.payload, kOutput)),
                  std::wstring::npos)
            << c.size;
    }
}

TEST_F(EmbeddedInformationTest, OnlyTheWholeMarkerCounts)
{
    // Near misses between the marker and the end, and a run of 'M' before it.
    const std::string payload = "MRDxMMRDMRD" + std::string(20, 'p');
    fileSystem.AddFile(kOwnFile, std::string(5000, 'M') + "MRDC" + payload + "TTTTTT");
    Scan();
    EXPECT_EQ(Output(), payload);

    fileSystem.AddFile(kOwnFile, std::string(5000, 'M') + "MRDxMRCDMMRD" + std::string(20, 'p') + "TTTTTT");
    Scan();
    EXPECT_EQ(Output(), std::nullopt);
}

TEST_F(EmbeddedInformationTest, PayloadIsCopiedWholeAndLoggedUpToItsFirstZero)
{
    std::string tail = std::string("MRDC") + "<info>" + std::string(1, '\0') + "rest" + "123456";
    std::string bytes = std::string(5000, 'p') + tail;
    fileSystem.AddFile(kOwnFile, bytes);
    Scan();
    EXPECT_EQ(Output(), std::string("<info>") + std::string(1, '\0') + "rest");
    EXPECT_NE(LoggedText().find(L"Found embedded information '<info>'\r\n"), std::wstring::npos);

    // "MRDC", 100 bytes, 6 more: exactly the 100 bytes.
    fileSystem.AddFile(kOwnFile, std::string(5000, 'p') + "MRDC" + std::string(100, 'i') + "TTTTTT");
    Scan();
    EXPECT_EQ(Output(), std::string(100, 'i'));
}

TEST_F(EmbeddedInformationTest, FailuresLeaveALogLineAtMost)
{
    MakeOwnFile(9000, {50});
    fileSystem.Fail("ReadTail.open");
    Scan();
    EXPECT_EQ(LoggedText(), L"Scanning for Signature\r\n");

    for (const char* step : {"ReadTail.size", "ReadTail.read"}) {
        fileSystem = FakeFileSystem();
        fileSystem.AddFolder(L"C:\\T");
        MakeOwnFile(9000, {50});
        fileSystem.Fail(step);
        Scan();
        EXPECT_EQ(LoggedText(), L"Scanning for Signature\r\n") << step;
        EXPECT_EQ(Output(), std::nullopt) << step;
    }

    fileSystem = FakeFileSystem();
    MakeOwnFile(9000, {50});
    fileSystem.Fail("WriteFile", kOutput);
    Scan();
    EXPECT_NE(LoggedText().find(L"Failed to create temp file C:\\T\\info.xml 5\r\n"), std::wstring::npos);

    fileSystem = FakeFileSystem();
    fileSystem.AddFolder(L"C:\\T");
    MakeOwnFile(9000, {50});
    fileSystem.shortWrites.insert(FakeFileSystem::Key(kOutput));
    Scan();
    EXPECT_NE(LoggedText().find(L"Write fail for embedded information 40 byts to file C:\\T\\info.xml\r\n"),
              std::wstring::npos);
}

TEST_F(EmbeddedInformationTest, WritingFormsTheTemporaryFolderAndPutsInfoXmlInIt)
{
    MakeOwnFile(9000, {50});
    fileSystem.journal.clear();
    EXPECT_EQ(WriteEmbeddedInformation(fileSystem, codePage, kOwnFile), 0);
    EXPECT_EQ(fileSystem.Contents(InFolder(L"info.xml")).size(), 40u);
    EXPECT_EQ(fileSystem.descriptors.size(), 1u);

    // A link planted where info.xml goes is neither followed nor replaced.
    FreshWorld();
    MakeOwnFile(9000, {50});
    fileSystem.AddFile(L"C:\\Elsewhere\\victim.txt", "keep");
    fileSystem.beforeCall = [&](const std::string& call, const std::wstring& path) {
        if (call == "WriteFile" && path == InFolder(L"info.xml") && !fileSystem.Exists(path))
            fileSystem.AddLink(path, L"C:\\Elsewhere\\victim.txt", false);
    };
    EXPECT_EQ(WriteEmbeddedInformation(fileSystem, codePage, kOwnFile), 0);
    EXPECT_EQ(fileSystem.Contents(L"C:\\Elsewhere\\victim.txt"), "keep");
    EXPECT_NE(LoggedText().find(L"Failed to create temp file " + InFolder(L"info.xml") + L" 183\r\n"),
              std::wstring::npos);
}

}  // namespace
