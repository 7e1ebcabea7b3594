#pragma once

#include "fakes/seam_calls.h"
#include "payload/file_system.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Files and folders in memory, with links. Paths compare without regard to
// A-Z case, as on Windows. Drives C: and D: exist; folders and files are
// made by the calls or by the helpers. Every node has an identity of its own
// that moves with it (Rename), so a held folder follows its node the way a
// handle follows its object. Any call can be made to fail, for every path or
// for one: Fail("WriteFile", L"C:\\T\\a.txt") (held-folder calls are keyed
// by the entry's full path). beforeCall runs at the start of every call, so
// a test can change the world at exactly that moment.
class FakeFileSystem final : public FileSystem {
public:
    struct Node {
        std::wstring path;  // as created, for listings
        std::uint64_t id = 0;
        bool folder = false;
        bool link = false;
        std::wstring target;  // of a link
        std::vector<std::uint8_t> bytes;
        bool undeletable = false;  // open elsewhere or read-only
        bool hostLink = false;     // a link the platform shows as a plain entry (kRedirected)
        bool otherName = false;    // a file with a second name elsewhere (a hard link)
    };

    std::set<std::wstring> drives = {L"c:", L"d:"};
    std::map<std::wstring, Node> nodes;  // by Key()
    std::deque<Guid> guids;              // handed out first; then a counter
    std::vector<std::wstring> journal;   // "call path" for every mutating call
    std::vector<std::pair<std::wstring, std::wstring>> descriptors;  // folder made new -> its descriptor
    std::wstring tokenOwner = L"S-1-5-21-1000-2000-3000-1001";
    std::vector<std::wstring> currentFolders;
    std::map<std::wstring, const std::uint8_t*> writeSources;  // path -> memory a write came from
    std::set<std::wstring> shortWrites;                        // paths whose write stops one byte short
    std::uint32_t createError = 5;                             // ERROR_ACCESS_DENIED
    SeamCalls* seamCalls = nullptr;                            // counts every call; fails the chosen one
    std::function<void(const std::string& call, const std::wstring& path)> beforeCall;
    int heldNow = 0;  // held folders not yet released

    void Fail(const std::string& call, const std::wstring& path = {}) { m_failures.insert({call, Key(path)}); }

    // Helpers for setting up a world.
    void AddFolder(const std::wstring& path)
    {
        std::wstring built;
        for (const auto& part : Split(path)) {
            built += (built.empty() ? L"" : L"\\") + part;
            if (!drives.count(Key(built)) && !nodes.count(Key(built)))
                nodes[Key(built)] = MakeNode(built, true);
        }
    }
    void AddFile(const std::wstring& path, const std::string& bytes, bool undeletable = false)
    {
        AddFolder(Parent(path));
        Node node = MakeNode(path);
        node.bytes.assign(bytes.begin(), bytes.end());
        node.undeletable = undeletable;
        nodes[Key(path)] = node;
    }
    // A link to a folder or file; a host link is one the platform shows as a
    // plain entry, and deleting it as a file deletes its target.
    void AddLink(const std::wstring& path, const std::wstring& target, bool folder = true, bool hostLink = false)
    {
        Node node = MakeNode(path, folder);
        node.link = true;
        node.hostLink = hostLink;
        node.target = target;
        nodes[Key(path)] = node;
    }
    // Moves a node and everything under it, keeping their identities (what
    // another process can do to a folder under Wine even while it is held).
    void Rename(const std::wstring& from, const std::wstring& to)
    {
        const std::wstring fromKey = Key(from);
        std::vector<std::pair<std::wstring, Node>> moved;
        for (auto it = nodes.begin(); it != nodes.end();) {
            if (it->first == fromKey || it->first.starts_with(fromKey + L"\\")) {
                Node node = it->second;
                node.path = Trim(to) + node.path.substr(Trim(from).size());
                moved.emplace_back(Key(node.path), node);
                it = nodes.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& [key, node] : moved)
            nodes[key] = node;
    }
    void Remove(const std::wstring& path) { nodes.erase(Key(path)); }
    bool Exists(const std::wstring& path) const { return drives.count(Key(path)) || nodes.count(Key(path)); }
    bool IsFolder(const std::wstring& path) const
    {
        return drives.count(Key(path)) || (nodes.count(Key(path)) && nodes.at(Key(path)).folder);
    }
    std::string Contents(const std::wstring& path) const
    {
        const auto& bytes = nodes.at(Key(path)).bytes;
        return std::string(bytes.begin(), bytes.end());
    }
    // The paths of every node under the folder, in the tree's order.
    std::vector<std::wstring> PathsUnder(const std::wstring& folder) const
    {
        std::vector<std::wstring> out;
        const std::wstring prefix = Key(folder) + L"\\";
        for (const auto& [key, node] : nodes) {
            if (key.starts_with(prefix))
                out.push_back(node.path);
        }
        return out;
    }
    // A held folder on an existing plain folder, for tests of the steps that
    // write into one.
    std::unique_ptr<HeldFolder> HoldExisting(const std::wstring& path)
    {
        const auto found = nodes.find(Key(path));
        if (found == nodes.end() || !found->second.folder || found->second.link)
            return nullptr;
        return std::make_unique<Held>(*this, found->second.id);
    }

    void CreateOneFolder(const std::wstring& path) override
    {
        Record("CreateOneFolder", path);
        if (!Counted("CreateOneFolder", path) && !Fails("CreateOneFolder", path) && IsFolder(Parent(path)) &&
            !Exists(path))
            nodes[Key(path)] = MakeNode(Trim(path), true);
    }
    void CreateFolderTree(const std::wstring& path) override
    {
        Record("CreateFolderTree", path);
        if (!Counted("CreateFolderTree", path) && !Fails("CreateFolderTree", path) && !Split(path).empty() &&
            drives.count(Key(Split(path).front())))
            AddFolder(path);
    }
    std::optional<Guid> CreateGuid() override
    {
        if (Counted("CreateGuid", {}) || Fails("CreateGuid", {}))
            return std::nullopt;
        if (!guids.empty()) {
            const Guid guid = guids.front();
            guids.pop_front();
            return guid;
        }
        Guid guid;
        guid.data1 = ++m_nGuidCounter;
        guid.data4[7] = 0xAB;
        return guid;
    }
    bool ProbeNewFile(const std::wstring& path) override
    {
        Record("ProbeNewFile", path);
        return !Counted("ProbeNewFile", path) && !Fails("ProbeNewFile", path) && IsFolder(Parent(path)) &&
               !Exists(path);
    }
    std::unique_ptr<HeldFolder> CreateNewFolder(const std::wstring& path, const std::wstring& securityDescriptor,
                                                CreateOutcome& outcome, std::uint32_t& error) override
    {
        Before("CreateNewFolder", path);
        Record("CreateNewFolder", path);
        outcome = CreateOutcome::kFailed;
        error = 0;
        if (Counted("CreateNewFolder", path) || Fails("CreateNewFolder", path) || !IsFolder(Parent(path))) {
            error = createError;
            return nullptr;
        }
        if (Exists(path)) {
            outcome = CreateOutcome::kExists;
            error = 183;  // ERROR_ALREADY_EXISTS
            return nullptr;
        }
        Node node = MakeNode(Trim(path), true);
        const std::uint64_t id = node.id;
        nodes[Key(path)] = node;
        descriptors.emplace_back(Trim(path), securityDescriptor);
        outcome = CreateOutcome::kCreated;
        return std::make_unique<Held>(*this, id);
    }
    std::optional<FileIdentity> IdentityAt(const std::wstring& path) override
    {
        Before("IdentityAt", path);
        if (Counted("IdentityAt", path) || Fails("IdentityAt", path))
            return std::nullopt;
        return IdentityOfPath(path);
    }
    std::wstring TokenOwnerSid() override
    {
        if (Counted("TokenOwnerSid", {}) || Fails("TokenOwnerSid", {}))
            return {};
        return tokenOwner;
    }
    FileTail ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd) override
    {
        FileTail tail;
        const auto found = nodes.find(Key(path));
        if (Counted("ReadTail", path) || Fails("ReadTail.open", path) || found == nodes.end() || found->second.folder)
            return tail;
        tail.opened = true;
        if (Fails("ReadTail.size", path))
            return tail;
        const auto& bytes = found->second.bytes;
        tail.size = bytes.size();
        if (Fails("ReadTail.read", path) || distanceFromEnd > bytes.size())
            return tail;
        const std::size_t start = bytes.size() - distanceFromEnd;
        const std::size_t available = std::min<std::size_t>(count, bytes.size() - start);
        tail.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                          bytes.begin() + static_cast<std::ptrdiff_t>(start + available));
        return tail;
    }
    void SetCurrentFolder(const std::wstring& path) override
    {
        Record("SetCurrentFolder", path);
        if (!Counted("SetCurrentFolder", path))
            currentFolders.push_back(path);
    }

    static std::wstring Key(const std::wstring& path)
    {
        std::wstring key = Trim(path);
        for (auto& c : key) {
            if (c >= L'A' && c <= L'Z')
                c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        return key;
    }

private:
    // A folder held by the run: it follows its node wherever it moves and
    // names its entries relative to where the node is now.
    class Held final : public HeldFolder {
    public:
        Held(FakeFileSystem& files, std::uint64_t id) : m_files(files), m_id(id) { ++m_files.heldNow; }
        ~Held() override
        {
            --m_files.heldNow;
            if (m_bRemove)
                m_files.RemoveIfEmpty(m_id);
        }
        FileIdentity Identity() const override { return FileIdentity{1, 0, m_id}; }
        std::optional<FileIdentity> IdentityOf(const std::wstring& name) override
        {
            const std::wstring path = EntryPath(name);
            m_files.Before("IdentityOf", path);
            if (m_files.Counted("IdentityOf", path) || m_files.Fails("IdentityOf", path))
                return std::nullopt;
            return m_files.IdentityOfPath(path);
        }
        std::optional<std::vector<FolderEntry>> List() override
        {
            const std::wstring folder = m_files.PathOf(m_id);
            m_files.Before("List", folder);
            m_files.Record("List", folder);
            if (folder.empty() || m_files.Counted("List", folder) || m_files.Fails("List", folder))
                return std::nullopt;
            std::vector<FolderEntry> entries;
            const std::wstring prefix = Key(folder) + L"\\";
            for (const auto& [key, node] : m_files.nodes) {
                if (!key.starts_with(prefix) || key.find(L'\\', prefix.size()) != std::wstring::npos)
                    continue;
                entries.push_back({node.path.substr(node.path.find_last_of(L'\\') + 1), AttributesOf(node)});
            }
            return entries;
        }
        std::unique_ptr<HeldFolder> CreateFolder(const std::wstring& name, CreateOutcome& outcome) override
        {
            const std::wstring path = EntryPath(name);
            m_files.Before("CreateFolder", path);
            m_files.Record("CreateFolder", path);
            outcome = CreateOutcome::kFailed;
            if (m_files.PathOf(m_id).empty() || m_files.Counted("CreateFolder", path) ||
                m_files.Fails("CreateFolder", path))
                return nullptr;
            if (m_files.nodes.count(Key(path))) {
                outcome = CreateOutcome::kExists;
                return nullptr;
            }
            Node node = m_files.MakeNode(path, true);
            const std::uint64_t id = node.id;
            m_files.nodes[Key(path)] = node;
            outcome = CreateOutcome::kCreated;
            return std::make_unique<Held>(m_files, id);
        }
        std::unique_ptr<HeldFolder> OpenFolder(const std::wstring& name, std::uint32_t& attributes) override
        {
            const std::wstring path = EntryPath(name);
            m_files.Before("OpenFolder", path);
            m_files.Record("OpenFolder", path);
            attributes = 0;
            const auto found = m_files.nodes.find(Key(path));
            if (m_files.PathOf(m_id).empty() || m_files.Counted("OpenFolder", path) ||
                m_files.Fails("OpenFolder", path) || found == m_files.nodes.end())
                return nullptr;
            attributes = AttributesOf(found->second);
            if (attributes != FileAttribute::kDirectory)
                return nullptr;
            return std::make_unique<Held>(m_files, found->second.id);
        }
        FileWriteResult WriteFile(const std::wstring& name, std::span<const std::uint8_t> bytes) override
        {
            const std::wstring path = EntryPath(name);
            m_files.Before("WriteFile", path);
            m_files.Record("WriteFile", path);
            FileWriteResult result;
            if (m_files.PathOf(m_id).empty() || m_files.Counted("WriteFile", path) ||
                m_files.Fails("WriteFile", path)) {
                result.createError = m_files.createError;
                return result;
            }
            if (const auto found = m_files.nodes.find(Key(path)); found != m_files.nodes.end()) {
                const Node& existing = found->second;
                if (existing.folder || existing.link || existing.otherName) {
                    result.refused = true;
                    result.createError = 183;  // ERROR_ALREADY_EXISTS
                    return result;
                }
            }
            result.created = true;
            m_files.writeSources[path] = bytes.data();
            Node node = m_files.MakeNode(path);
            node.bytes.assign(bytes.begin(), bytes.end());
            if (m_files.shortWrites.count(Key(path)) && !node.bytes.empty())
                node.bytes.pop_back();
            m_files.nodes[Key(path)] = node;
            result.writeSucceeded = node.bytes.size() == bytes.size();
            result.bytesWritten = static_cast<std::uint32_t>(node.bytes.size());
            return result;
        }
        EntryRemoval RemoveEntry(const std::wstring& name) override
        {
            const std::wstring path = EntryPath(name);
            m_files.Before("RemoveEntry", path);
            m_files.Record("RemoveEntry", path);
            const auto found = m_files.nodes.find(Key(path));
            if (m_files.PathOf(m_id).empty() || m_files.Counted("RemoveEntry", path) ||
                m_files.Fails("RemoveEntry", path) || found == m_files.nodes.end() || found->second.undeletable)
                return EntryRemoval::kFailed;
            if (found->second.hostLink)
                return EntryRemoval::kRedirected;
            if (found->second.folder && !found->second.link && !m_files.PathsUnder(path).empty())
                return EntryRemoval::kFailed;
            m_files.nodes.erase(found);
            return EntryRemoval::kRemoved;
        }
        bool RemoveSelf() override
        {
            const std::wstring folder = m_files.PathOf(m_id);
            m_files.Before("RemoveSelf", folder);
            m_files.Record("RemoveSelf", folder);
            if (folder.empty() || m_files.Counted("RemoveSelf", folder) || m_files.Fails("RemoveSelf", folder) ||
                !m_files.PathsUnder(folder).empty())
                return false;
            m_bRemove = true;
            return true;
        }

    private:
        std::wstring EntryPath(const std::wstring& name) const { return m_files.PathOf(m_id) + L"\\" + name; }

        FakeFileSystem& m_files;
        std::uint64_t m_id;
        bool m_bRemove = false;
    };

    Node MakeNode(std::wstring path, bool folder = false)
    {
        Node node;
        node.path = std::move(path);
        node.folder = folder;
        node.id = ++m_nNextId;
        return node;
    }
    // Where the node is now; empty when it is gone.
    std::wstring PathOf(std::uint64_t id) const
    {
        for (const auto& [key, node] : nodes) {
            if (node.id == id)
                return node.path;
        }
        return {};
    }
    void RemoveIfEmpty(std::uint64_t id)
    {
        const std::wstring path = PathOf(id);
        if (!path.empty() && PathsUnder(path).empty())
            nodes.erase(Key(path));
    }
    static std::uint32_t AttributesOf(const Node& node)
    {
        return (node.folder ? FileAttribute::kDirectory : 0) |
               (node.link ? (node.hostLink ? FileAttribute::kRedirected : FileAttribute::kReparsePoint) : 0);
    }
    // A link the platform shows is itself; a host link is what it points to.
    std::optional<FileIdentity> IdentityOfPath(const std::wstring& path) const
    {
        auto found = nodes.find(Key(path));
        for (int hops = 0; hops < 8 && found != nodes.end() && found->second.hostLink; ++hops)
            found = nodes.find(Key(found->second.target));
        if (found == nodes.end())
            return std::nullopt;
        return FileIdentity{1, 0, found->second.id};
    }
    void Before(const std::string& call, const std::wstring& path)
    {
        if (beforeCall)
            beforeCall(call, path);
    }

    static std::wstring Trim(const std::wstring& path)
    {
        std::wstring trimmed = path;
        while (trimmed.size() > 1 && trimmed.back() == L'\\')
            trimmed.pop_back();
        return trimmed;
    }
    static std::wstring Parent(const std::wstring& path)
    {
        const std::wstring trimmed = Trim(path);
        const std::size_t at = trimmed.find_last_of(L'\\');
        return at == std::wstring::npos ? std::wstring() : trimmed.substr(0, at);
    }
    static std::vector<std::wstring> Split(const std::wstring& path)
    {
        std::vector<std::wstring> parts;
        std::size_t start = 0;
        while (start <= path.size()) {
            const std::size_t end = std::min(path.find(L'\\', start), path.size());
            if (end > start)
                parts.push_back(path.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    }
    bool Fails(const std::string& call, const std::wstring& path) const
    {
        return m_failures.count({call, std::wstring()}) || m_failures.count({call, Key(path)});
    }
    // Counts the call; true when it is the one chosen to fail.
    bool Counted(const char* call, const std::wstring& path) { return Injected(seamCalls, "FileSystem", call, path); }
    void Record(const char* call, const std::wstring& path)
    {
        journal.push_back(std::wstring(call, call + std::char_traits<char>::length(call)) + L" " + path);
    }

    std::set<std::pair<std::string, std::wstring>> m_failures;
    std::uint32_t m_nGuidCounter = 0;
    std::uint64_t m_nNextId = 0;
};
