#include "app/command_line_info.h"

#include "app/text.h"

#include <algorithm>

using namespace std::literals;

std::size_t OptionTable::BucketOf(std::wstring_view name)
{
    std::uint32_t hash = 0;
    for (const char16_t unit : ToUtf16(name))
        hash = hash * 33u + unit;
    return hash % kBuckets;
}

void OptionTable::Set(std::wstring_view name, std::wstring_view value)
{
    auto& chain = m_buckets[BucketOf(name)];
    for (auto& entry : chain) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    chain.emplace_back(std::wstring(name), std::wstring(value));
}

const std::wstring* OptionTable::Find(std::wstring_view name) const
{
    for (const auto& entry : m_buckets[BucketOf(name)]) {
        if (entry.first == name)
            return &entry.second;
    }
    return nullptr;
}

void OptionTable::Remove(std::wstring_view name)
{
    auto& chain = m_buckets[BucketOf(name)];
    std::erase_if(chain, [&](const Entry& entry) { return entry.first == name; });
}

std::vector<OptionTable::Entry> OptionTable::Entries() const
{
    std::vector<Entry> entries;
    for (const auto& chain : m_buckets) {
        for (auto entry = chain.rbegin(); entry != chain.rend(); ++entry)
            entries.push_back(*entry);
    }
    return entries;
}

void CCommandLineInfoEx::ParseCommandLine(const std::vector<std::wstring>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::wstring_view param = arguments[i];
        const bool isSwitch = !param.empty() && (param[0] == L'/' || param[0] == L'-');
        if (isSwitch)
            param.remove_prefix(1);
        ParseParam(param, isSwitch, i + 1 == arguments.size());
    }
}

void CCommandLineInfoEx::ParseParam(std::wstring_view param, bool isSwitch, bool isLast)
{
    if (isSwitch) {
        m_mapOptions.Set(param, L"TRUE"sv);
        if (std::find(m_mapSwitches.begin(), m_mapSwitches.end(), param) == m_mapSwitches.end())
            m_mapSwitches.emplace_back(param);
        m_strPendingName.clear();
        return;
    }
    const bool pathOption =
        EqualsNoCase(param, L"temp"sv) || EqualsNoCase(param, L"extract"sv) || EqualsNoCase(param, L"log"sv);
    if (pathOption && !isLast && !m_bInQuotedValue) {
        m_strPendingName = param;
        return;
    }
    if (StartsWithNoCase(param, L"CFU=\""sv)) {
        m_bInQuotedValue = true;
        m_strQuotedValue.clear();
    }
    if (m_bInQuotedValue) {
        if (!m_strQuotedValue.empty())
            m_strQuotedValue += L' ';
        m_strQuotedValue += param;
        if (!param.empty() && param.back() == L'"') {
            m_bInQuotedValue = false;
            m_mapOptions.Set(m_strQuotedValue, L""sv);
        }
        return;
    }
    if (!m_strPendingName.empty())
        m_mapOptions.Set(m_strPendingName, param);
    else
        m_mapOptions.Set(param, L""sv);
    m_strPendingName.clear();
}

bool CCommandLineInfoEx::GetOption(std::wstring_view name, std::wstring& value) const
{
    if (const std::wstring* found = m_mapOptions.Find(name)) {
        value = *found;
        return true;
    }
    value.clear();
    return false;
}

void CCommandLineInfoEx::SetOption(std::wstring_view name, std::wstring_view value)
{
    m_mapOptions.Set(name, value);
}

void CCommandLineInfoEx::RemoveOption(std::wstring_view name)
{
    m_mapOptions.Remove(name);
}

bool CCommandLineInfoEx::IsFlag(std::wstring_view name) const
{
    const std::wstring* value = m_mapOptions.Find(name);
    return value && EqualsNoCase(*value, L"TRUE"sv);
}

bool CCommandLineInfoEx::IsMissingValue(std::wstring_view name) const
{
    return std::find(m_mapSwitches.begin(), m_mapSwitches.end(), name) != m_mapSwitches.end() && IsFlag(name);
}

void CCommandLineInfoEx::BuildForwardedCommandLine(std::wstring_view programName, std::wstring& line) const
{
    line.clear();
    for (const auto& [name, value] : m_mapOptions.Entries()) {
        if (EqualsNoCase(value, L"TRUE"sv)) {
            line.append(L"/"sv).append(name).append(L" "sv);
        } else if (!value.empty()) {
            line.append(L"/"sv).append(name).append(L" \""sv).append(value);
            // A trailing backslash would escape the closing quote for the
            // receiving program's argument splitter.
            if (value.size() >= 2 && value.back() == L'\\')
                line.append(L"\\"sv);
            line.append(L"\" "sv);
        } else {
            line.append(name).append(L" "sv);
        }
    }
    line.append(L"TW_I=\""sv).append(programName).append(L"\" "sv);
}
