#include "payload_fixture.h"

#include "payload/payload_paths.h"
#include "payload/temp_folder_access.h"

#include <gtest/gtest.h>

namespace {

using TempFolderTest = PayloadFixture;

bool Called(const FakeFileSystem& files, const std::wstring& call)
{
    return std::find(files.journal.begin(), files.journal.end(), call) != files.journal.end();
}

TEST_F(TempFolderTest, WritableBaseIsProbedWithARandomNameThatDoesNotStay)
{
    fileSystem.journal.clear();
    ResetTempFolder();
    fileSystem.AddFolder(L"C:\\Base");
    EXPECT_EQ(SetTempFolder(fileSystem, L"C:\\Base\\"), 0);
    EXPECT_EQ(GetBaseFolder(), L"C:\\Base\\");
    EXPECT_TRUE(Called(fileSystem, L"CreateOneFolder C:\\Base\\"));
    EXPECT_TRUE(Called(fileSystem, L"ProbeNewFile C:\\Base\\{00000001-0000-0000-0000-0000000000AB}"));
    EXPECT_TRUE(fileSystem.PathsUnder(L"C:\\Base").empty());
    EXPECT_EQ(LoggedText(), L"");
}

TEST_F(TempFolderTest, BaseThatCannotBeWrittenFails)
{
    const struct {
        const char* what;
        std::wstring base;
        std::function<void(FakeFileSystem&)> arrange;
    } cases[] = {
        {"missing drive", L"Q:\\x", [](FakeFileSystem&) {}},
        {"read-only folder", L"D:\\ro", [](FakeFileSystem& files) { files.AddFolder(L"D:\\ro"); files.Fail("ProbeNewFile"); }},
        {"parent missing", L"C:\\no\\such", [](FakeFileSystem&) {}},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        ResetTempFolder();
        c.arrange(fileSystem);
        EXPECT_EQ(SetTempFolder(fileSystem, c.base), static_cast<std::int32_t>(0x80004005)) << c.what;
        EXPECT_EQ(GetBaseFolder(), c.base) << c.what;  // stored even on failure
        EXPECT_EQ(LoggedText(), L"SetTempFolder has failed\n") << c.what;
    }
}

TEST_F(TempFolderTest, BaseWhoseFolderWouldExceedThePathLimitIsRefused)
{
    // Base + "\" + 38-character GUID text must fit 259 characters.
    const std::wstring fits = L"C:\\" + std::wstring(217, L'a');
    const std::wstring tooLong = L"C:\\" + std::wstring(218, L'b');
    fileSystem.AddFolder(fits);
    fileSystem.AddFolder(tooLong);
    fileSystem.journal.clear();
    EXPECT_EQ(SetTempFolder(fileSystem, tooLong), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(LoggedText(), Format(L"SetTempFolder path too long '%s'\nSetTempFolder has failed\n", tooLong));
    EXPECT_TRUE(fileSystem.journal.empty());  // nothing created or probed under it
    const std::wstring huge = L"C:\\" + std::wstring(300, L'c');
    EXPECT_EQ(SetTempFolder(fileSystem, huge), static_cast<std::int32_t>(0x80004005));

    ResetTempFolder();
    ASSERT_EQ(SetTempFolder(fileSystem, fits), 0);
    EXPECT_EQ(GetTempFolder(fileSystem).size(), 259u);
}

TEST_F(TempFolderTest, FolderIsFormedOnceAsANewFolderWithItsOwnAccessList)
{
    fileSystem.journal.clear();
    const std::wstring first = GetTempFolder(fileSystem);
    EXPECT_EQ(first, kFolder);
    EXPECT_EQ(GetTempFolder(fileSystem), first);
    EXPECT_TRUE(fileSystem.IsFolder(first));
    EXPECT_EQ(std::count(fileSystem.journal.begin(), fileSystem.journal.end(), L"CreateNewFolder " + first), 1);
    EXPECT_TRUE(Called(fileSystem, L"CreateFolderTree " + std::wstring(kBase)));  // missing parents first
    ASSERT_EQ(fileSystem.descriptors.size(), 1u);
    EXPECT_EQ(fileSystem.descriptors[0].first, first);
    EXPECT_EQ(fileSystem.descriptors[0].second, TempFolderSecurityDescriptor(fileSystem.tokenOwner));
    EXPECT_EQ(fileSystem.heldNow, 1);  // held from its creation on
}

// A name that is taken (planted in advance, or another run's) is never
// reused: nothing there is opened, changed or deleted.
TEST_F(TempFolderTest, TakenNamesAreNeverReused)
{
    const std::wstring zero = std::wstring(kBase) + L"\\{00000000-0000-0000-0000-000000000000}";
    const struct {
        const char* what;
        std::function<void()> plant;
    } planted[] = {
        {"folder with a planted library", [&] { fileSystem.AddFile(zero + L"\\version.dll", "planted"); }},
        {"file", [&] { fileSystem.AddFile(zero, "planted"); }},
        {"link to another folder", [&] { fileSystem.AddLink(zero, L"C:\\Elsewhere"); }},
        {"host link to another folder", [&] { fileSystem.AddLink(zero, L"C:\\Elsewhere", true, true); }},
    };
    for (const auto& c : planted) {
        FreshWorld();
        fileSystem.AddFile(L"C:\\Elsewhere\\data.txt", "keep");
        c.plant();
        const auto before = fileSystem.nodes.size();
        UseZeroGuid();
        fileSystem.journal.clear();
        EXPECT_EQ(GetTempFolder(fileSystem), L"") << c.what;
        EXPECT_EQ(GetTempFolder(fileSystem), L"") << c.what;  // tried once
        EXPECT_EQ(LoggedText(), L"GetTempFolder '" + zero + L"' exists already, not reused\n") << c.what;
        EXPECT_EQ(fileSystem.nodes.size(), before) << c.what;
        EXPECT_EQ(fileSystem.heldNow, 0) << c.what;
        EXPECT_EQ(RemoveTempFolder(fileSystem, list), 0) << c.what;  // nothing of the run's to remove
        EXPECT_EQ(fileSystem.Contents(L"C:\\Elsewhere\\data.txt"), "keep") << c.what;
        for (const auto& call : fileSystem.journal)
            EXPECT_TRUE(call.starts_with(L"CreateFolderTree") || call.starts_with(L"CreateNewFolder")) << c.what;
    }

    // A random name that is taken: another is drawn, a few times at most.
    FreshWorld();
    fileSystem.AddFolder(kFolder);
    EXPECT_EQ(GetTempFolder(fileSystem), std::wstring(kBase) + L"\\{00000002-0000-0000-0000-0000000000AB}");
    EXPECT_EQ(LoggedText(), L"GetTempFolder '" + std::wstring(kFolder) + L"' exists already, not reused\n");

    FreshWorld();
    fileSystem.Fail("CreateGuid");  // the fixed fallback name every time
    fileSystem.AddFolder(std::wstring(kBase) + L"\\{66EC6C3A-0B4A-4CAB-A24A-53B2D4176CD1}");
    EXPECT_EQ(GetTempFolder(fileSystem), L"");
    EXPECT_EQ(Lines(LoggedText()).size(), static_cast<std::size_t>(kTempFolderAttempts));

    FreshWorld();
    fileSystem.Fail("CreateNewFolder");
    EXPECT_EQ(GetTempFolder(fileSystem), L"");
    EXPECT_EQ(LoggedText(), L"GetTempFolder cannot create '" + std::wstring(kFolder) + L"' 5\n");
}

TEST_F(TempFolderTest, FolderNames)
{
    // Zero GUID: a fixed name, while the probe still uses a random one.
    ResetTempFolder();
    ASSERT_EQ(SetTempFolder(fileSystem, L"C:\\T\\"), 0);
    UseZeroGuid();
    EXPECT_EQ(GetTempFolder(fileSystem), L"C:\\T\\{00000000-0000-0000-0000-000000000000}");

    // No GUID from the platform: the fixed fallback names folder and probe.
    ResetTempFolder();
    fileSystem.Fail("CreateGuid");
    fileSystem.journal.clear();
    ASSERT_EQ(SetTempFolder(fileSystem, L"C:\\T"), 0);
    EXPECT_TRUE(Called(fileSystem, L"ProbeNewFile C:\\T\\{00000001-0000-0000-0000-000000000001}"));
    EXPECT_EQ(GetTempFolder(fileSystem), L"C:\\T\\{66EC6C3A-0B4A-4CAB-A24A-53B2D4176CD1}");

    Guid guid{0x0F8FAD5B, 0xD9CB, 0x469F, {0xA1, 0x65, 0x70, 0x86, 0x77, 0x28, 0x95, 0x0E}};
    EXPECT_EQ(GuidText(guid), L"{0F8FAD5B-D9CB-469F-A165-70867728950E}");
}

TEST_F(TempFolderTest, NoFolderIsFormedWithoutABase)
{
    ResetTempFolder();
    EXPECT_EQ(GetTempFolder(fileSystem), L"");
    EXPECT_TRUE(fileSystem.descriptors.empty());
    CResource resource(102, L"TOOLKIT", kModule);
    resource.m_strName = L"a.exe";
    std::wstring path = L"stale";
    EXPECT_FALSE(GetFilePath(fileSystem, resource, path));
    EXPECT_EQ(path, L"");  // never a bare name that would land in the current directory
}

TEST_F(TempFolderTest, RemovalDeletesNamedFilesThenTheWholeTreeFromOutsideIt)
{
    AddPayload({{L"setup.exe", "p"}, {L"bin\\x.dll", "x"}});
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    // Things the installer left behind.
    fileSystem.AddFile(InFolder(L"logs\\deep\\run.log"), "log");
    fileSystem.AddFile(InFolder(L"info.xml"), "<i/>");
    fileSystem.journal.clear();
    g_log.Reset();

    EXPECT_EQ(RemoveTempFolder(fileSystem, list), 0);
    EXPECT_FALSE(fileSystem.Exists(kFolder));
    EXPECT_TRUE(fileSystem.IsFolder(kBase));
    EXPECT_EQ(fileSystem.currentFolders, std::vector<std::wstring>{L"\\"});

    const std::wstring text = LoggedText();
    const std::size_t manual = text.find(L"Manual Deletion of '" + InFolder(L"bin\\x.dll") + L"'\n");
    const std::size_t tree = text.find(L"Deletion Folder of '" + std::wstring(kFolder) + L"'\n");
    const std::size_t sub = text.find(L"Deletion subfolder Folder of '" + InFolder(L"logs") + L"'\n");
    const std::size_t deep = text.find(L"Remove Folder '" + InFolder(L"logs\\deep") + L"'\n");
    const std::size_t logs = text.find(L"Remove Folder '" + InFolder(L"logs") + L"'\n");
    const std::size_t root = text.find(L"Remove Folder '" + std::wstring(kFolder) + L"'\n");
    EXPECT_LT(manual, tree);
    EXPECT_LT(tree, sub);
    EXPECT_LT(sub, deep);  // children go before their parent
    EXPECT_LT(deep, logs);
    EXPECT_LT(logs, root);
    EXPECT_NE(root, std::wstring::npos);
    EXPECT_NE(text.find(L"Deletion file '" + InFolder(L"info.xml") + L"'\n"), std::wstring::npos);
}

TEST_F(TempFolderTest, UndeletableFileStaysWithItsFolders)
{
    GetTempFolder(fileSystem);
    fileSystem.AddFile(InFolder(L"a.txt"), "a");
    fileSystem.AddFile(InFolder(L"sub\\busy.dll"), "b", true);
    fileSystem.AddFile(InFolder(L"z.txt"), "z");
    DeleteFolderTree(GetHeldFolders(), kFolder);
    EXPECT_TRUE(fileSystem.Exists(InFolder(L"sub\\busy.dll")));
    EXPECT_TRUE(fileSystem.IsFolder(InFolder(L"sub")));
    EXPECT_TRUE(fileSystem.IsFolder(kFolder));
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"a.txt")));
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"z.txt")));  // the walk went on after the failure
    EXPECT_EQ(fileSystem.heldNow, 0);
}

TEST_F(TempFolderTest, LinksAreRemovedAndNeverFollowed)
{
    // Precious data outside the folder, reached through a junction to a
    // folder and a link to a file inside it.
    fileSystem.AddFile(L"C:\\Precious\\data.txt", "keep");
    fileSystem.AddFile(L"C:\\Precious\\sub\\more.txt", "keep");
    fileSystem.AddFile(L"C:\\Single.txt", "keep");
    GetTempFolder(fileSystem);
    fileSystem.AddLink(InFolder(L"junction"), L"C:\\Precious");
    fileSystem.AddLink(InFolder(L"file.lnk"), L"C:\\Single.txt", false);
    fileSystem.AddFile(InFolder(L"plain.txt"), "p");

    DeleteFolderTree(GetHeldFolders(), kFolder);
    EXPECT_FALSE(fileSystem.Exists(kFolder));
    EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\data.txt"), "keep");
    EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\sub\\more.txt"), "keep");
    EXPECT_EQ(fileSystem.Contents(L"C:\\Single.txt"), "keep");
    const std::wstring text = LoggedText();
    EXPECT_NE(text.find(L"Deletion link '" + InFolder(L"junction") + L"'\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Deletion link '" + InFolder(L"file.lnk") + L"'\n"), std::wstring::npos);
    EXPECT_FALSE(Called(fileSystem, L"List " + InFolder(L"junction")));
}

TEST_F(TempFolderTest, LinksThePlatformCannotRemoveAloneAreLeftUntouched)
{
    // Shown as plain entries; deleting the file one would delete its target.
    fileSystem.AddFile(L"C:\\Precious\\data.txt", "keep");
    fileSystem.AddFile(L"C:\\Single.txt", "keep");
    GetTempFolder(fileSystem);
    fileSystem.AddLink(InFolder(L"hostdir"), L"C:\\Precious", true, true);
    fileSystem.AddLink(InFolder(L"hostfile"), L"C:\\Single.txt", false, true);
    fileSystem.AddFile(InFolder(L"plain.txt"), "p");

    DeleteFolderTree(GetHeldFolders(), kFolder);
    EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\data.txt"), "keep");
    EXPECT_EQ(fileSystem.Contents(L"C:\\Single.txt"), "keep");
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"plain.txt")));
    const std::wstring text = LoggedText();
    EXPECT_NE(text.find(L"Deletion skipped, link to elsewhere '" + InFolder(L"hostdir") + L"'\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Deletion skipped, link to elsewhere '" + InFolder(L"hostfile") + L"'\n"), std::wstring::npos);
}

// Another process swaps things in the folder while the installer runs; the
// removal deletes only the run's own entries.
TEST_F(TempFolderTest, PayloadFilesSwappedForLinksLoseOnlyTheLink)
{
    AddPayload({{L"setup.exe", "p"}, {L"bin\\x.dll", "x"}, {L"data.bin", "d"}});
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    fileSystem.AddFile(L"C:\\Precious\\x.dll", "keep");
    fileSystem.AddFile(L"C:\\Precious\\data.bin", "keep");
    fileSystem.Remove(InFolder(L"bin\\x.dll"));
    fileSystem.AddLink(InFolder(L"bin\\x.dll"), L"C:\\Precious\\x.dll", false);  // a link the platform shows
    fileSystem.Remove(InFolder(L"data.bin"));
    fileSystem.AddLink(InFolder(L"data.bin"), L"C:\\Precious\\data.bin", false, true);  // a host link
    g_log.Reset();

    EXPECT_EQ(RemoveTempFolder(fileSystem, list), 0);
    EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\x.dll"), "keep");
    EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\data.bin"), "keep");
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"bin\\x.dll")));  // the link itself went
    const std::wstring text = LoggedText();
    const std::wstring skipped = L"Deletion skipped, link to elsewhere '" + InFolder(L"data.bin") + L"'\n";
    EXPECT_LT(text.find(L"Manual Deletion of '" + InFolder(L"data.bin") + L"'\n" + skipped), text.find(L"Deletion Folder of"));
    EXPECT_EQ(fileSystem.heldNow, 0);
}

// Each sub-folder is checked as the walk enters it, not when its parent was
// listed: one swapped for a link in between is never followed.
TEST_F(TempFolderTest, SubFolderSwappedBetweenListingAndEnteringIsNotFollowed)
{
    const struct {
        const char* what;
        bool madeByExtraction;  // held since, or opened by the walk
        bool hostLink;
    } cases[] = {{"held since extraction, link", true, false},
                 {"held since extraction, host link", true, true},
                 {"opened by the walk, link", false, false},
                 {"opened by the walk, host link", false, true}};
    for (const auto& c : cases) {
        FreshWorld();
        fileSystem.AddFile(L"C:\\Precious\\data.txt", "keep");
        if (c.madeByExtraction) {
            AddPayload({{L"setup.exe", "p"}, {L"sub\\x.dll", "x"}});
            std::wstring runTarget;
            ASSERT_EQ(Extract(runTarget), 0) << c.what;
        } else {
            GetTempFolder(fileSystem);
            fileSystem.AddFile(InFolder(L"sub\\x.dll"), "x");
        }
        bool swapped = false;
        fileSystem.beforeCall = [&](const std::string& call, const std::wstring& path) {
            const bool entering = call == "IdentityOf" || call == "OpenFolder";
            if (!swapped && entering && path == InFolder(L"sub") && Called(fileSystem, L"List " + std::wstring(kFolder))) {
                swapped = true;
                fileSystem.Rename(InFolder(L"sub"), L"C:\\Moved");
                fileSystem.AddLink(InFolder(L"sub"), L"C:\\Precious", true, c.hostLink);
            }
        };
        DeleteFolderTree(GetHeldFolders(), kFolder);
        fileSystem.beforeCall = nullptr;
        EXPECT_TRUE(swapped) << c.what;
        EXPECT_EQ(fileSystem.Contents(L"C:\\Precious\\data.txt"), "keep") << c.what;
        EXPECT_FALSE(Called(fileSystem, L"List " + InFolder(L"sub"))) << c.what;
        EXPECT_EQ(fileSystem.Exists(InFolder(L"sub")), c.hostLink) << c.what;  // a link the platform shows goes
        EXPECT_EQ(fileSystem.heldNow, 0) << c.what;
    }
}

// The temporary folder renamed away and replaced by a link while the
// installer runs: nothing is used through the path any more.
TEST_F(TempFolderTest, FolderReplacedDuringTheRunIsNeitherRunNorRemoved)
{
    AddPayload({{L"setup.exe", "p"}});
    fileSystem.AddFile(L"C:\\Victim\\setup.exe", "victim");
    const auto swap = [&] {
        fileSystem.Rename(kFolder, L"C:\\T\\moved");
        fileSystem.AddLink(kFolder, L"C:\\Victim", true, true);
    };
    std::wstring runTarget;
    ASSERT_EQ(Extract(runTarget), 0);
    EXPECT_TRUE(IsTempFolderIntact(fileSystem));
    swap();
    EXPECT_FALSE(IsTempFolderIntact(fileSystem));
    g_log.Reset();
    EXPECT_EQ(RemoveTempFolder(fileSystem, list), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(LoggedText(), L"Temp folder '" + std::wstring(kFolder) + L"' is no longer the folder created\n");
    EXPECT_EQ(fileSystem.Contents(L"C:\\Victim\\setup.exe"), "victim");
    EXPECT_EQ(fileSystem.Contents(L"C:\\T\\moved\\setup.exe"), "p");
    EXPECT_EQ(fileSystem.heldNow, 0);

    // In a whole run: swapped before the installer's start, it is not started.
    FreshWorld();
    ResetTempFolder();
    AddPayload({{L"setup.exe", "hello"}});
    fileSystem.AddFolder(L"C:\\Users\\me\\AppData\\Local\\Temp");
    fileSystem.AddFolder(L"C:\\Victim");
    bool swapped = false;
    fileSystem.beforeCall = [&](const std::string& call, const std::wstring& path) {
        if (!swapped && call == "IdentityAt" && path.find(L"}") != std::wstring::npos) {
            swapped = true;
            fileSystem.Rename(path, L"C:\\Users\\me\\AppData\\Local\\Temp\\moved");
            fileSystem.AddLink(path, L"C:\\Victim", true, true);
        }
    };
    auto& app = MakeApp({L"/IAgreeToTheEULA"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0x80004005u);
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(launcher.startedCommandLine.empty());
    EXPECT_TRUE(fileSystem.PathsUnder(L"C:\\Victim").empty());
    EXPECT_NE(LoggedText().find(L"is no longer the folder created\n"), std::wstring::npos);
}

TEST_F(TempFolderTest, EntriesOverTheWalksBufferAreSkippedAndTheRestIsDeleted)
{
    // Folder path 43 characters + "\" = 44; the walk's buffer holds 264.
    const std::wstring longFile = InFolder(std::wstring(221, L'f'));   // 265 characters
    const std::wstring okFile = InFolder(std::wstring(220, L'o'));     // 264 characters
    const std::wstring longFolder = InFolder(std::wstring(217, L'd'));  // 261: no room for "\*.*"
    GetTempFolder(fileSystem);
    fileSystem.AddFile(longFile, "x");
    fileSystem.AddFile(okFile, "x");
    fileSystem.AddFile(longFolder + L"\\x", "x");
    fileSystem.AddFile(InFolder(L"a.txt"), "a");

    DeleteFolderTree(GetHeldFolders(), kFolder);
    EXPECT_TRUE(fileSystem.Exists(longFile));
    EXPECT_FALSE(fileSystem.Exists(okFile));
    EXPECT_TRUE(fileSystem.Exists(longFolder + L"\\x"));
    EXPECT_FALSE(fileSystem.Exists(InFolder(L"a.txt")));
    const std::wstring text = LoggedText();
    EXPECT_NE(text.find(L"Deletion skipped, path too long '" + longFile + L"'\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Deletion skipped, path too long '" + longFolder + L"'\n"), std::wstring::npos);
    for (const auto& call : fileSystem.journal)
        EXPECT_LE(call.size() - call.find(L' ') - 1, 264u) << std::string(call.begin(), call.end());
}

TEST_F(TempFolderTest, SilentRunWithAnUnwritableBaseEndsWithoutExtracting)
{
    auto& app = MakeApp({L"/IAgreeToTheEULA", L"temp", L"Q:\\x"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0x80004005u);
    const std::wstring text = LoggedText();
    EXPECT_NE(text.find(L"SetTempFolder has failed\nNot Prompting the user as silent installation\n"),
              std::wstring::npos);
    EXPECT_EQ(text.find(L"Scanning for Signature"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Remove folder"), std::wstring::npos);
}

TEST_F(TempFolderTest, PromptedBaseIsProbedOnceMore)
{
    AddPayload({{L"setup.exe", "hello"}});
    dialogs.tempFolderAnswer = L"D:\\";
    auto& app = MakeApp({L"temp", L"Q:\\x", L"/keep", L"/dontrun"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_EQ(GetBaseFolder(), L"D:\\");
    EXPECT_TRUE(GetTempFolder(fileSystem).starts_with(L"D:\\{"));
    EXPECT_TRUE(fileSystem.Exists(GetTempFolder(fileSystem) + L"\\setup.exe"));  // kept
}

TEST_F(TempFolderTest, RelativePromptAnswerIsProbedUsedAndRemovedAsAFullPath)
{
    AddPayload({{L"setup.exe", "hello"}});
    fileSystem.AddFolder(L"C:\\work");  // the current directory
    dialogs.tempFolderAnswer = L"rel";
    auto& app = MakeApp({L"temp", L"Q:\\x", L"/dontrun"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_EQ(GetBaseFolder(), L"C:\\work\\rel");
    const std::wstring folder = GetTempFolder(fileSystem);
    EXPECT_TRUE(folder.starts_with(L"C:\\work\\rel\\{")) << std::string(folder.begin(), folder.end());
    EXPECT_TRUE(Called(fileSystem, L"WriteFile " + folder + L"\\setup.exe"));
    EXPECT_FALSE(fileSystem.Exists(folder));  // removed again
    EXPECT_TRUE(fileSystem.IsFolder(L"C:\\work\\rel"));
}

TEST_F(TempFolderTest, BlankPromptAnswerEndsTheRunWithoutASecondProbe)
{
    for (const std::wstring answer : {L"", L"  "}) {
        g_log.Reset();
        ResetTempFolder();
        fileSystem.journal.clear();
        dialogs.tempFolderAnswer = answer;
        auto& app = MakeApp({L"temp", L"Q:\\x"});
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), 0x80004005u);
        EXPECT_EQ(std::count_if(fileSystem.journal.begin(), fileSystem.journal.end(),
                                [](const std::wstring& call) { return call.starts_with(L"ProbeNewFile"); }),
                  1);
        const std::wstring text = LoggedText();
        EXPECT_NE(text.find(L"SetTempFolder has failed\nAskTempFolder answer is empty\n"), std::wstring::npos);
        EXPECT_EQ(text.find(L"Scanning for Signature"), std::wstring::npos);
        EXPECT_EQ(GetBaseFolder(), L"Q:\\x");
    }
}

}  // namespace
