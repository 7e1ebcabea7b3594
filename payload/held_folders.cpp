#include "payload/held_folders.h"

#include <algorithm>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// The next part of a relative name from at on, empty parts skipped; empty
// once the name is used up. Walked in place rather than split into a vector
// of strings: that vector's code is a good part of this file's size.
std::wstring_view NextPart(std::wstring_view relative, std::size_t& at)
{
    while (at < relative.size() && IsSeparator(relative[at]))
        ++at;
    const std::size_t start = at;
    while (at < relative.size() && !IsSeparator(relative[at]))
        ++at;
    return relative.substr(start, at - start);
}

// given + "\" + part, or part alone when given is empty.
void AppendLevel(std::wstring& given, std::wstring_view part)
{
    if (!given.empty())
        given.push_back(L'\\');
    given.append(part);
}

}  // namespace

std::wstring CHeldFolders::Key(std::wstring_view relative)
{
    std::wstring key;
    std::size_t at = 0;
    for (std::wstring_view part = NextPart(relative, at); !part.empty(); part = NextPart(relative, at))
        AppendLevel(key, part);
    for (wchar_t& c : key)
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
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
    std::size_t at = 0;
    for (std::wstring_view level = NextPart(relative, at); !level.empty(); level = NextPart(relative, at)) {
        const std::wstring part(level);
        AppendLevel(given, part);
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
    std::size_t at = 0;
    for (std::wstring_view level = NextPart(relative, at); !level.empty(); level = NextPart(relative, at)) {
        if (!folder)
            return nullptr;
        const std::wstring part(level);
        AppendLevel(given, part);
        folder = ReachLevel(*folder, Key(given), part);
    }
    return folder;
}

std::unique_ptr<HeldFolder> CHeldFolders::Enter(HeldFolder& parent, std::wstring_view parentRelative,
                                                const std::wstring& name, std::uint32_t& attributes)
{
    attributes = 0;
    std::wstring joined(parentRelative);
    AppendLevel(joined, name);
    const std::wstring key = Key(joined);
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
