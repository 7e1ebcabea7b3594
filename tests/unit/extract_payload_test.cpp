#include "payload_fixture.h"

#include "payload/payload_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>

namespace {

using ExtractPayloadTest = PayloadFixture;

// The example product's layout: ten files, the program at 104, its
// configuration (which also holds ".exe") at 105.
const std::vector<std::pair<std::wstring, std::string>> kExample = {
    {L"install.bin", std::string(1000, 'i')},  {L"empty.msi", "msi"},
    {L"Tarnwick.Wizard.exe", "MZ program"},    {L"Tarnwick.Wizard.exe.config", "<configuration/>"},
    {L"Tarnwick.Wizard.Core.dll", "core"},     {L"Tarnwick.Packing.dll", "packing"},
    {L"log4net.dll", "log"},                   {L"Tarnwick.PathSupport.dll", "path"},
    {L"product.project", "project"},           {L"ProjectItems.xml", "<items/>"},
};

std::vector<std::wstring> LinesStartingWith(const std::wstring& text, std::wstring_view prefix)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        const std::wstring line = text.substr(start, end - start);
        if (line.starts_with(prefix))
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

TEST_F(ExtractPayloadTest, ExampleLayoutIsWrittenLowerCasedFromTheHighestIdWithTheLowestProgramAsTarget)
{
    AddPayload(kExample);
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);

    EXPECT_EQ(runTarget, InFolder(L"tarnwick.wizard.exe"));
    std::vector<std::wstring> expected;
    for (const auto& [name, bytes] : kExample) {
        std::wstring lower = name;
        for (auto& c : lower)
            c = static_cast<wchar_t>(std::towlower(c));
        expected.push_back(InFolder(lower));
        EXPECT_EQ(fileSystem.Contents(InFolder(lower)), bytes);
    }
    std::sort(expected.begin(), expected.end());
    auto written = fileSystem.PathsUnder(kFolder);
    EXPECT_EQ(written.size(), expected.size());  // the manifest itself is not written

    const std::wstring text = LoggedText();
    EXPECT_EQ(LinesStartingWith(text, L"Extract File ").front(), L"Extract File projectitems.xml 0");
    EXPECT_EQ(LinesStartingWith(text, L"Extract File ").back(), L"Extract File install.bin 0");
    // The log keeps the manifest's letter case; the disk has lower case.
    EXPECT_EQ(LinesStartingWith(text, L"Work Out FileName ").front(), L"Work Out FileName ProjectItems.xml, Bytes 8");
    EXPECT_EQ(LinesStartingWith(text, L"Enumerate Resources ").front(), L"Enumerate Resources TOOLKIT 65");
    EXPECT_EQ(LinesStartingWith(text, L"Enumerate Resources ").back(), L"Enumerate Resources OK ");
    EXPECT_EQ(LinesStartingWith(text, L"WorkOutFileNames ").back(), L"WorkOutFileNames 0");
    EXPECT_EQ(LinesStartingWith(text, InFolder(L"install.bin written Ok")).size(), 1u);

    // The list runs from the highest id, as the removal expects.
    ASSERT_EQ(list.size(), 11u);
    EXPECT_EQ(list.front()->m_nId, 111u);
    EXPECT_EQ(list.back()->m_nId, 101u);
    EXPECT_TRUE(list.back()->m_strName.empty());
}

TEST_F(ExtractPayloadTest, EachFileIsWrittenStraightFromTheResourceMemory)
{
    AddPayload({{L"a.exe", "program"}, {L"b.dat", std::string(4096, 'b')}});
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    EXPECT_EQ(fileSystem.writeSources.at(InFolder(L"a.exe")), resources.DataOf(102));
    EXPECT_EQ(fileSystem.writeSources.at(InFolder(L"b.dat")), resources.DataOf(103));
}

TEST_F(ExtractPayloadTest, RunTargetChoice)
{
    const struct {
        std::vector<std::wstring> names;  // ids 102 upwards
        const wchar_t* target;            // lower-cased name, or empty
    } cases[] = {
        {{L"a.exe", L"a.exe.config"}, L"a.exe"},
        {{L"a.exe.config", L"a.exe"}, L"a.exe.config"},  // lowest id wins, whatever follows ".exe"
        {{L"readme.txt", L"SETUP.EXE"}, L"setup.exe"},
        {{L".exe", L"x.dll"}, L""},                     // ".exe" at the start does not count
        {{L".exe.exe", L"a.exe"}, L"a.exe"},            // only the first ".exe" is looked at
        {{L"data.bin"}, L""},
        {{L"bin\\Tool.Exe", L"z.exe"}, L"bin\\tool.exe"},
    };
    for (const auto& c : cases) {
        FreshWorld();
        std::vector<std::pair<std::wstring, std::string>> files;
        for (const auto& name : c.names)
            files.emplace_back(name, "x");
        AddPayload(files);
        std::wstring runTarget;
        ASSERT_EQ(Extract(runTarget), 0) << c.names.front();
        EXPECT_EQ(runTarget, *c.target ? InFolder(c.target) : L"") << c.names.front();
    }
}

TEST_F(ExtractPayloadTest, ResourcesWithoutUsableManifest)
{
    // No TOOLKIT resources at all.
    std::wstring runTarget;
    EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80004005));
    EXPECT_NE(LoggedText().find(L"Enumerate Resources has failed\n"), std::wstring::npos);
    EXPECT_EQ(resources.typesAsked, std::vector<std::wstring>{L"TOOLKIT"});

    // Resources, a string-named one among them, but no manifest: nothing
    // named, nothing written, success, no target.
    resources.Add(102, "x");
    resources.AddNamed(L"NOTES", "y");
    EXPECT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(runTarget.empty());
    EXPECT_EQ(list.size(), 1u);
    EXPECT_TRUE(fileSystem.PathsUnder(kBase).size() <= 1u);  // at most the empty temporary folder
    EXPECT_EQ(LinesStartingWith(LoggedText(), L"WorkOutFileNames ").back(), L"WorkOutFileNames 0");

    // A manifest id no resource has is ignored; a resource the manifest does
    // not name is not written.
    resources.Add(101, "999*ghost.exe*1");
    EXPECT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(runTarget.empty());
    EXPECT_EQ(fileSystem.journal.end(),
              std::find_if(fileSystem.journal.begin(), fileSystem.journal.end(),
                           [](const std::wstring& call) { return call.starts_with(L"WriteFile"); }));
}

TEST_F(ExtractPayloadTest, ManifestThatCannotBeReadFailsTheBuild)
{
    const struct {
        ResourceFailure failure;
        const wchar_t* line;
    } cases[] = {{ResourceFailure::NotFound, L"ExtractSelf FindResource has failed\n"},
                 {ResourceFailure::NotLoaded, L"ExtractSelf LoadResource has failed\n"},
                 {ResourceFailure::NotLocked, L"ExtractSelf LockResource has failed\n"}};
    for (const auto& c : cases) {
        FreshWorld();
        AddPayload({{L"a.exe", "x"}});
        resources.failures = {{101, c.failure}};
        std::wstring runTarget;
        EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80004005)) << c.line;
        EXPECT_NE(LoggedText().find(c.line), std::wstring::npos) << c.line;
        EXPECT_NE(LoggedText().find(L"WorkOutFileNames 80004005\n"), std::wstring::npos) << c.line;
        EXPECT_FALSE(fileSystem.Exists(InFolder(L"a.exe"))) << c.line;
    }
}

// Files 102..105; the one that fails is 104. Extraction runs from 105 down,
// so 105 exists, 104 is as the failure leaves it, 103 and 102 are never written.
TEST_F(ExtractPayloadTest, FirstFailureStopsTheExtractionWithItsStatus)
{
    const std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
    const struct {
        const char* what;
        std::function<void(FakeResourceStore&, FakeFileSystem&, const std::wstring&)> arrange;
        std::int32_t status;
        const wchar_t* line;  // logged for the failing file (empty: none of its own)
        bool failedFileExists;
    } cases[] = {
        {"not found", [](auto& store, auto&, auto&) { store.failures[104] = ResourceFailure::NotFound; }, kFail,
         L"FindResource has failed", false},
        {"not loaded", [](auto& store, auto&, auto&) { store.failures[104] = ResourceFailure::NotLoaded; }, kFail,
         L"ResourceLoaded has failed", false},
        {"not locked", [](auto& store, auto&, auto&) { store.failures[104] = ResourceFailure::NotLocked; }, kFail,
         L"LockResource has failed", false},
        {"not created", [](auto&, auto& files, auto& path) { files.Fail("WriteFile", path); }, kFail,
         L"C:\\T\\{00000001-0000-0000-0000-0000000000AB}\\c.dll Create file has failed", false},
        {"short write", [](auto&, auto& files, auto& path) { files.shortWrites.insert(FakeFileSystem::Key(path)); },
         kFail, L"", true},
        {"wrong size", [](auto& store, auto&, auto&) { store.Add(104, "longer than the manifest says"); },
         static_cast<std::int32_t>(0x80040167),
         L"C:\\T\\{00000001-0000-0000-0000-0000000000AB}\\c.dll Write file has failed", true},
    };
    for (const auto& c : cases) {
        FreshWorld();
        AddPayload({{L"a.exe", "a"}, {L"b.dll", "b"}, {L"c.dll", "c"}, {L"d.dll", "d"}});
        c.arrange(resources, fileSystem, InFolder(L"c.dll"));

        std::wstring runTarget;
        EXPECT_EQ(Extract(runTarget), c.status) << c.what;
        EXPECT_TRUE(fileSystem.Exists(InFolder(L"d.dll"))) << c.what;
        EXPECT_EQ(fileSystem.Exists(InFolder(L"c.dll")), c.failedFileExists) << c.what;
        EXPECT_FALSE(fileSystem.Exists(InFolder(L"b.dll"))) << c.what;
        EXPECT_FALSE(fileSystem.Exists(InFolder(L"a.exe"))) << c.what;
        const std::wstring text = LoggedText();
        if (*c.line) {
            EXPECT_NE(text.find(std::wstring(c.line) + L"\n"), std::wstring::npos) << c.what;
        }
        EXPECT_NE(text.find(Format(L"Extract File c.dll %x\n", c.status)), std::wstring::npos) << c.what;
        EXPECT_EQ(text.find(L"Extract File b.dll"), std::wstring::npos) << c.what;
    }
}

TEST_F(ExtractPayloadTest, WrongSizeLeavesTheWholeFile)
{
    AddPayload({{L"a.exe", "abc"}});
    resources.Add(101, "102*a.exe*2");
    std::wstring runTarget;
    EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80040167));
    EXPECT_EQ(fileSystem.Contents(InFolder(L"a.exe")), "abc");
}

TEST_F(ExtractPayloadTest, ManifestWithoutItsLastSizeFailsTheSizeCheck)
{
    resources.Add(102, "data");
    resources.Add(103, "more");
    resources.Add(101, "102*a.bin*4*103*b.bin");
    std::wstring runTarget;
    EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80040167));
    EXPECT_NE(LoggedText().find(L"Work Out FileName b.bin, Bytes 0\n"), std::wstring::npos);
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"a.bin")));  // lower id, after the failure
}

TEST_F(ExtractPayloadTest, SubFolderNamesCreateTheirFolders)
{
    AddPayload({{L"setup.exe", "p"}, {L"bin\\sub\\x.dll", "x"}});
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(fileSystem.IsFolder(InFolder(L"bin\\sub")));
    EXPECT_EQ(fileSystem.Contents(InFolder(L"bin\\sub\\x.dll")), "x");
}

TEST_F(ExtractPayloadTest, EachFolderIsCreatedOnceBeforeItsFirstFile)
{
    AddPayload({{L"setup.exe", "p"}, {L"a.dll", "a"}, {L"bin\\x.dll", "x"}, {L"bin\\y.dll", "y"}});
    GetTempFolder(fileSystem);  // formed before the extraction, as in a run
    fileSystem.journal.clear();
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    std::vector<std::wstring> calls;
    for (const auto& call : fileSystem.journal) {
        if (call.starts_with(L"Create") || call.starts_with(L"WriteFile"))
            calls.push_back(call);
    }
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"CreateFolder " + InFolder(L"bin"), L"WriteFile " + InFolder(L"bin\\y.dll"),
                                                 L"WriteFile " + InFolder(L"bin\\x.dll"), L"WriteFile " + InFolder(L"a.dll"),
                                                 L"WriteFile " + InFolder(L"setup.exe")}));
}

// Whatever another process put in the folder's place is never followed,
// written through or reused.
TEST_F(ExtractPayloadTest, NothingInTheWayIsFollowedOrReused)
{
    const std::wstring kVictim = L"C:\\Elsewhere\\victim.dll";
    const std::int32_t kFailed = static_cast<std::int32_t>(0x80004005);
    const struct {
        const char* what;
        const wchar_t* name;  // payload name of id 103
        std::function<void()> plant;  // just before the extraction
        std::int32_t status;
        std::wstring line;
    } cases[] = {
        {"link at the file's path", L"x.dll",
         [&]() { fileSystem.AddLink(InFolder(L"x.dll"), kVictim, false); }, kFailed,
         InFolder(L"x.dll") + L" exists and is not a plain file"},
        {"host link at the file's path", L"x.dll",
         [&]() { fileSystem.AddLink(InFolder(L"x.dll"), kVictim, false, true); }, kFailed,
         InFolder(L"x.dll") + L" exists and is not a plain file"},
        {"folder at the file's path", L"x.dll", [&]() { fileSystem.AddFolder(InFolder(L"x.dll")); },
         kFailed, InFolder(L"x.dll") + L" exists and is not a plain file"},
        {"file with a second name elsewhere", L"x.dll",
         [&]() {
             fileSystem.AddFile(InFolder(L"x.dll"), "linked");
             fileSystem.nodes[FakeFileSystem::Key(InFolder(L"x.dll"))].otherName = true;
         },
         kFailed, InFolder(L"x.dll") + L" exists and is not a plain file"},
        {"planted sub-folder", L"bin\\x.dll", [&]() { fileSystem.AddFolder(InFolder(L"bin")); },
         kFailed, InFolder(L"bin") + L" exists already, not reused"},
        {"link as the sub-folder", L"bin\\x.dll",
         [&]() { fileSystem.AddLink(InFolder(L"bin"), L"C:\\Elsewhere"); }, kFailed,
         InFolder(L"bin") + L" exists already, not reused"},
        // info.xml of the information block is the run's own plain file.
        {"plain file of the run's", L"info.xml",
         [&]() { fileSystem.AddFile(InFolder(L"info.xml"), "<block/>"); }, 0,
         InFolder(L"info.xml") + L" written Ok"},
    };
    for (const auto& c : cases) {
        FreshWorld();
        fileSystem.AddFile(kVictim, "keep");
        AddPayload({{L"setup.exe", "p"}, {c.name, "payload"}});
        GetTempFolder(fileSystem);
        c.plant();
        std::wstring runTarget;
        EXPECT_EQ(Extract(runTarget), c.status) << c.what;
        EXPECT_EQ(fileSystem.Contents(kVictim), "keep") << c.what;
        EXPECT_TRUE(fileSystem.PathsUnder(L"C:\\Elsewhere") == std::vector<std::wstring>{kVictim}) << c.what;
        EXPECT_NE(LoggedText().find(c.line + L"\n"), std::wstring::npos) << c.what << "\n" << LoggedText();
        if (c.status == 0) {
            EXPECT_EQ(fileSystem.Contents(InFolder(c.name)), "payload") << c.what;
        }
    }
}

TEST_F(ExtractPayloadTest, NamesThatLeaveTheFolderAreAnIncorrectBuild)
{
    const wchar_t* unsafe[] = {L"..\\evil.dll",   L"bin\\..\\..\\evil.dll", L"C:\\Windows\\evil.dll",
                               L"\\evil.dll",     L"\\\\server\\share\\x", L"c:evil.dll",
                               L"x.txt:stream",   L"bin\\\\x.dll",         L"bin\\",
                               L".\\x.dll",       L"../evil.dll",          L"bin/../../evil.dll"};
    for (const wchar_t* name : unsafe) {
        FreshWorld();
        AddPayload({{L"setup.exe", "p"}, {name, "evil"}});

        std::wstring runTarget;
        EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80004005)) << name;
        EXPECT_NE(LoggedText().find(Format(L"Work Out FileName refused unsafe name '%s'\n", name)), std::wstring::npos)
            << name;
        // Never attached: not written, and not deleted by name later.
        for (const auto& resource : list)
            EXPECT_TRUE(resource->m_nId != 103 || resource->m_strName.empty()) << name;
        EXPECT_EQ(std::count_if(fileSystem.journal.begin(), fileSystem.journal.end(),
                                [](const std::wstring& call) { return call.starts_with(L"WriteFile"); }),
                  0)
            << name;
    }
    for (const wchar_t* name : {L"bin\\x.dll", L"a..b.txt", L"...txt", L"dir.d\\x"})
        EXPECT_TRUE(IsSafePayloadName(name)) << name;
}

TEST_F(ExtractPayloadTest, PayloadPathOverThePlatformLimitIsRefusedNotCut)
{
    // Folder path is 43 characters; 43 + 1 + 215 = 259 fits, 216 does not.
    const std::wstring fits = std::wstring(211, L'f') + L".dll";
    const std::wstring tooLong = std::wstring(212, L'g') + L".dll";
    ASSERT_EQ(InFolder(fits).size(), 259u);
    AddPayload({{L"setup.exe", "p"}, {fits, "f"}, {tooLong, "g"}});
    std::wstring runTarget;
    EXPECT_EQ(Extract(runTarget), static_cast<std::int32_t>(0x80004005));
    EXPECT_NE(LoggedText().find(InFolder(tooLong) + L" path too long\n"), std::wstring::npos);
    EXPECT_EQ(std::count_if(fileSystem.journal.begin(), fileSystem.journal.end(),
                            [](const std::wstring& call) { return call.starts_with(L"WriteFile"); }),
              0);

    resources = FakeResourceStore();
    AddPayload({{L"setup.exe", "p"}, {fits, "f"}});
    EXPECT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(fileSystem.Exists(InFolder(fits)));
}

TEST_F(ExtractPayloadTest, ManifestIsReadInTheThreadsCodePage)
{
    // 0xE9 is "é" in the fake single-byte code page.
    resources.Add(102, "x");
    resources.Add(101, "102*caf\xE9.txt*1");
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(fileSystem.Exists(InFolder(L"caf\u00e9.txt")));
}

}  // namespace
