#pragma once

#include "fakes/seam_calls.h"
#include "payload/file_system.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Files and folders in memory, with links. Paths compare without regard to
// A-Z case, as on Windows. Drives C: and D: exist; folders and files are
// made by the calls or by the helpers. Any call can be made to fail, for
// every path or for one: Fail("WriteNewFile", L"C:\\T\\a.txt").
class FakeFileSystem final : public FileSystem {
public:
    struct Node {
        std::wstring path;  // as created, for listings
        bool folder = false;
        bool link = false;
        std::wstring target;  // of a link
        std::vector<std::uint8_t> bytes;
        bool undeletable = false;  // open elsewhere or read-only
        bool hostLink = false;     // a link the platform shows as a plain entry (kRedirected)

        static Node Make(std::wstring path, bool folder = false)
        {
            Node node;
            node.path = std::move(path);
            node.folder = folder;
            return node;
        }
    };

    std::set<std::wstring> drives = {L"c:", L"d:"};
    std::map<std::wstring, Node> nodes;  // by Key()
    std::deque<Guid> guids;              // handed out first; then a counter
    std::vector<std::wstring> journal;   // "call path" for every mutating call
    std::vector<std::pair<std::wstring, std::uint32_t>> grants;
    std::vector<std::wstring> currentFolders;
    std::map<std::wstring, const std::uint8_t*> writeSources;  // path -> memory a write came from
    std::set<std::wstring> shortWrites;                        // paths whose write stops one byte short
    std::uint32_t createError = 5;                             // ERROR_ACCESS_DENIED
    SeamCalls* seamCalls = nullptr;                            // counts every call; fails the chosen one

    void Fail(const std::string& call, const std::wstring& path = {}) { m_failures.insert({call, Key(path)}); }

    // Helpers for setting up a world.
    void AddFolder(const std::wstring& path)
    {
        std::wstring built;
        for (const auto& part : Split(path)) {
            built += (built.empty() ? L"" : L"\\") + part;
            if (!drives.count(Key(built)) && !nodes.count(Key(built)))
                nodes[Key(built)] = Node::Make(built, true);
        }
    }
    void AddFile(const std::wstring& path, const std::string& bytes, bool undeletable = false)
    {
        AddFolder(Parent(path));
        Node node = Node::Make(path);
        node.bytes.assign(bytes.begin(), bytes.end());
        node.undeletable = undeletable;
        nodes[Key(path)] = node;
    }
    // A link to a folder or file; a host link is one the platform shows as a
    // plain entry, and deleting it as a file deletes its target.
    void AddLink(const std::wstring& path, const std::wstring& target, bool folder = true, bool hostLink = false)
    {
        Node node = Node::Make(path, folder);
        node.link = true;
        node.hostLink = hostLink;
        node.target = target;
        nodes[Key(path)] = node;
    }
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

    void CreateOneFolder(const std::wstring& path) override
    {
        Record("CreateOneFolder", path);
        if (!Counted("CreateOneFolder", path) && !Fails("CreateOneFolder", path) && IsFolder(Parent(path)) &&
            !Exists(path))
            nodes[Key(path)] = Node::Make(Trim(path), true);
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
    void GrantEveryoneAccess(const std::wstring& path, std::uint32_t mask) override
    {
        Record("GrantEveryoneAccess", path);
        if (!Counted("GrantEveryoneAccess", path))
            grants.emplace_back(path, mask);
    }
    FileWriteResult WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) override
    {
        Record("WriteNewFile", path);
        FileWriteResult result;
        if (Counted("WriteNewFile", path) || Fails("WriteNewFile", path) || !IsFolder(Parent(path)) ||
            IsFolder(path)) {
            result.createError = createError;
            return result;
        }
        result.created = true;
        writeSources[path] = bytes.data();
        Node node = Node::Make(Trim(path));
        node.bytes.assign(bytes.begin(), bytes.end());
        if (shortWrites.count(Key(path)) && !node.bytes.empty())
            node.bytes.pop_back();
        nodes[Key(path)] = node;
        result.writeSucceeded = node.bytes.size() == bytes.size();
        result.bytesWritten = static_cast<std::uint32_t>(node.bytes.size());
        return result;
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
    std::optional<std::vector<FolderEntry>> ListFolder(const std::wstring& pattern) override
    {
        Record("ListFolder", pattern);
        std::wstring folder = pattern.substr(0, pattern.size() - std::wstring(L"\\*.*").size());
        if (Counted("ListFolder", folder) || Fails("ListFolder", folder) || !IsFolder(folder))
            return std::nullopt;
        // Listing through a link shows the target's entries, as the platform does.
        for (int hops = 0; hops < 8 && nodes.count(Key(folder)) && nodes.at(Key(folder)).link; ++hops)
            folder = nodes.at(Key(folder)).target;
        std::vector<FolderEntry> entries = {{L".", FileAttribute::kDirectory}, {L"..", FileAttribute::kDirectory}};
        const std::wstring prefix = Key(folder) + L"\\";
        for (const auto& [key, node] : nodes) {
            if (!key.starts_with(prefix) || key.find(L'\\', prefix.size()) != std::wstring::npos)
                continue;
            std::uint32_t attributes = node.folder ? FileAttribute::kDirectory : 0;
            if (node.link)
                attributes |= node.hostLink ? FileAttribute::kRedirected : FileAttribute::kReparsePoint;
            entries.push_back({node.path.substr(node.path.find_last_of(L'\\') + 1), attributes});
        }
        return entries;
    }
    std::optional<std::uint32_t> GetAttributes(const std::wstring& path) override
    {
        if (Counted("GetAttributes", path))
            return std::nullopt;
        const auto found = nodes.find(Key(path));
        if (found == nodes.end())
            return IsFolder(path) ? std::optional<std::uint32_t>(FileAttribute::kDirectory) : std::nullopt;
        const Node& node = found->second;
        return (node.folder ? FileAttribute::kDirectory : 0) |
               (node.link ? (node.hostLink ? FileAttribute::kRedirected : FileAttribute::kReparsePoint) : 0);
    }
    void DeleteOneFile(const std::wstring& path) override
    {
        Record("DeleteOneFile", path);
        const auto found = nodes.find(Key(path));
        if (Counted("DeleteOneFile", path) || Fails("DeleteOneFile", path) || found == nodes.end() ||
            found->second.folder || found->second.undeletable)
            return;
        if (found->second.hostLink) {  // the target goes, the link stays
            nodes.erase(Key(found->second.target));
            return;
        }
        nodes.erase(found);
    }
    void RemoveEmptyFolder(const std::wstring& path) override
    {
        Record("RemoveEmptyFolder", path);
        const auto found = nodes.find(Key(path));
        if (Counted("RemoveEmptyFolder", path) || Fails("RemoveEmptyFolder", path) || found == nodes.end() ||
            !found->second.folder)
            return;
        if (found->second.hostLink || (!found->second.link && !PathsUnder(path).empty()))
            return;
        nodes.erase(found);
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
};
