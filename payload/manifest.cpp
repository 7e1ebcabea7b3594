#include "payload/manifest.h"

#include "app/text.h"

#include <algorithm>

namespace {

constexpr wchar_t kSeparator = L'*';

// Runs of separators count as one, so no field is ever empty unless the
// text is exhausted.
class FieldReader {
public:
    explicit FieldReader(std::wstring_view text) : m_text(text) {}

    std::wstring_view Next()
    {
        while (m_nPosition < m_text.size() && m_text[m_nPosition] == kSeparator)
            ++m_nPosition;
        if (m_nPosition >= m_text.size())
            return {};
        const std::size_t end = m_text.find(kSeparator, m_nPosition);
        const std::wstring_view field = m_text.substr(m_nPosition, end == std::wstring_view::npos ? end : end - m_nPosition);
        m_nPosition = end == std::wstring_view::npos ? m_text.size() : end + 1;
        return field;
    }

private:
    std::wstring_view m_text;
    std::size_t m_nPosition = 0;
};

template <class Map>
auto LowerBound(Map& map, std::uint32_t id)
{
    return std::lower_bound(map.begin(), map.end(), id,
                            [](const CResourceFile& entry, std::uint32_t wanted) { return entry.m_nId < wanted; });
}

}  // namespace

const CResourceFile* FindResourceFile(const CResourceFileMap& map, std::uint32_t id)
{
    const auto at = LowerBound(map, id);
    return at != map.end() && at->m_nId == id ? &*at : nullptr;
}

std::int32_t ParseManifest(std::wstring_view text, CResourceFileMap& map)
{
    FieldReader reader(text);
    std::wstring_view idText = reader.Next();
    while (!idText.empty()) {
        const std::wstring_view name = reader.Next();
        const std::int32_t id = ParseLong(idText);
        if (name.empty())
            break;
        CResourceFile entry;
        entry.m_nId = static_cast<std::uint32_t>(id);
        entry.m_strName = std::wstring(name);
        entry.m_nSize = ParseLong(reader.Next());  // a missing size reads as 0
        // Manifests list ids in order, so this is almost always an append.
        const auto at = LowerBound(map, entry.m_nId);
        if (at != map.end() && at->m_nId == entry.m_nId)
            *at = std::move(entry);
        else
            map.insert(at, std::move(entry));
        idText = reader.Next();
    }
    return 0;
}
