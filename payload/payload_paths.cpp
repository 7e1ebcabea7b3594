#include "payload/payload_paths.h"

#include "app/text.h"

std::wstring AppendPath(std::wstring_view base, std::wstring_view more)
{
    while (!more.empty() && more.front() == L'\\')
        more.remove_prefix(1);
    std::wstring path(base);
    if (!path.empty() && path.back() != L'\\' && !more.empty())
        path.push_back(L'\\');
    path.append(more);
    return path;
}

std::wstring RemoveLastComponent(std::wstring_view path)
{
    const std::size_t at = path.find_last_of(L"\\/");
    return at == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, at));
}

std::wstring LastComponent(std::wstring_view path)
{
    const std::size_t at = path.find_last_of(L"\\/");
    return std::wstring(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

std::wstring GuidText(const Guid& guid)
{
    std::wstring text = L"{";
    auto put = [&](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            text.push_back(UpperHexDigit(static_cast<unsigned>(value >> shift)));
    };
    put(guid.data1, 8);
    text.push_back(L'-');
    put(guid.data2, 4);
    text.push_back(L'-');
    put(guid.data3, 4);
    text.push_back(L'-');
    put(guid.data4[0], 2);
    put(guid.data4[1], 2);
    text.push_back(L'-');
    for (int i = 2; i < 8; ++i)
        put(guid.data4[i], 2);
    text.push_back(L'}');
    return text;
}

bool IsSafePayloadName(std::wstring_view name)
{
    if (name.empty() || name.find(L':') != std::wstring_view::npos)
        return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = name.find_first_of(L"\\/", start);
        const std::wstring_view part = name.substr(start, end == std::wstring_view::npos ? end : end - start);
        // An empty first component is a rooted or UNC path; any other is a
        // doubled or trailing separator.
        if (part.empty() || part == L"." || part == L"..")
            return false;
        if (end == std::wstring_view::npos)
            return true;
        start = end + 1;
    }
}
