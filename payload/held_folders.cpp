#include "payload/held_folders.h"

#include <algorithm>

std::vector<std::wstring> SplitRelativeName(std::wstring_view relative)
{
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = relative.size();
        if (end > start)
            parts.emplace_back(relative.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::wstring CHeldFolders::Key(std::wstring_view relative)
{
    std::wstring key;
    for (const std::wstring& part : SplitRelativeName(relative)) {
        if (!key.empty())
            key.push_back(L'\\');
        for (wchar_t c : part)
            key.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
    }
    return key;
}

std::vector<CHeldFolders::Held>::iterator CHeldFolders::Find(const std::wstring& key)
{
    const auto at = std::lower_bound(m_held.begin(), m_held.end(), key,
                                     [](const Held& held, const std::wstring& k) { return held.key < k; });
    return at != m_held.end() && at->key == key ? at : m_held.end();
}

HeldFolder* CHeldFolders::Insert(std::wstring key, std::unique_ptr<HeldFolder> folder)
{
    const auto at = std::lower_bound(m_held.begin(), m_held.end(), key,
                                     [](const Held& held, const std::wstring& k) { return held.key < k; });
    HeldFolder* raw = folder.get();
    m_held.insert(at, Held{std::move(key), std::move(folder)});
    return raw;
}

void CHeldFolders::HoldRoot(std::unique_ptr<HeldFolder> root)
{
    Clear();
    Insert(std::wstring(), std::move(root));
}

HeldFolder* CHeldFolders::Root() const
{
    return !m_held.empty() && m_held.front().key.empty() ? m_held.front().folder.get() : nullptr;
}

HeldFolder* CHeldFolders::CreateFolders(std::wstring_view relative, CreateOutcome& outcome, std::wstring& failedLevel)
{
    outcome = CreateOutcome::kCreated;
    HeldFolder* folder = Root();
    if (!folder) {
        outcome = CreateOutcome::kFailed;
        return nullptr;
    }
    std::wstring given;
    for (const std::wstring& part : SplitRelativeName(relative)) {
        given += (given.empty() ? L"" : L"\\") + part;
        std::wstring key = Key(given);
        if (const auto held = Find(key); held != m_held.end()) {
            folder = held->folder.get();
            continue;
        }
        std::unique_ptr<HeldFolder> created = folder->CreateFolder(part, outcome);
        if (!created) {
            if (outcome == CreateOutcome::kCreated)
                outcome = CreateOutcome::kFailed;
            failedLevel = given;
            return nullptr;
        }
        folder = Insert(std::move(key), std::move(created));
    }
    return folder;
}

HeldFolder* CHeldFolders::ReachLevel(HeldFolder& parent, const std::wstring& key, const std::wstring& name)
{
    if (const auto held = Find(key); held != m_held.end()) {
        const std::optional<FileIdentity> now = parent.IdentityOf(name);
        return now && *now == held->folder->Identity() ? held->folder.get() : nullptr;
    }
    std::uint32_t attributes = 0;
    std::unique_ptr<HeldFolder> opened = parent.OpenFolder(name, attributes);
    return opened ? Insert(key, std::move(opened)) : nullptr;
}

HeldFolder* CHeldFolders::Reach(std::wstring_view relative)
{
    HeldFolder* folder = Root();
    std::wstring given;
    for (const std::wstring& part : SplitRelativeName(relative)) {
        if (!folder)
            return nullptr;
        given += (given.empty() ? L"" : L"\\") + part;
        folder = ReachLevel(*folder, Key(given), part);
    }
    return folder;
}

std::unique_ptr<HeldFolder> CHeldFolders::Enter(HeldFolder& parent, std::wstring_view parentRelative,
                                                const std::wstring& name, std::uint32_t& attributes)
{
    attributes = 0;
    const std::wstring key = Key(std::wstring(parentRelative) + L"\\" + name);
    if (const auto held = Find(key); held != m_held.end()) {
        const std::optional<FileIdentity> now = parent.IdentityOf(name);
        if (!now || *now != held->folder->Identity()) {
            // The name no longer leads to the folder held. A link the
            // platform shows may go; whatever else is there now is not the
            // run's and is neither entered nor deleted.
            const std::unique_ptr<HeldFolder> other = parent.OpenFolder(name, attributes);
            if (other || (attributes & FileAttribute::kReparsePoint) == 0)
                attributes = FileAttribute::kRedirected;
            return nullptr;
        }
        std::unique_ptr<HeldFolder> taken = std::move(held->folder);
        m_held.erase(held);
        return taken;
    }
    return parent.OpenFolder(name, attributes);
}

void CHeldFolders::Clear()
{
    // Deepest first, the temporary folder last: a folder is released only
    // after everything held inside it.
    while (!m_held.empty())
        m_held.pop_back();
}
