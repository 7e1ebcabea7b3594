#pragma once

#include "checks/registry.h"
#include "fakes/seam_calls.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// Values in memory, keyed by the exact key path and value name. A read
// behaves as the query into a buffer of the given size: data larger than the
// buffer fails. Keys listed in unopenable cannot be opened.
class FakeRegistry final : public Registry {
public:
    std::map<std::wstring, std::map<std::wstring, std::vector<std::uint8_t>>> keys;
    std::set<std::wstring> unopenable;
    mutable std::vector<std::wstring> reads;  // "key path|value name", in order
    SeamCalls* seamCalls = nullptr;           // counts every read; fails the chosen one

    void SetBytes(const std::wstring& key, const std::wstring& name, std::vector<std::uint8_t> data)
    {
        keys[key][name] = std::move(data);
    }
    void SetInteger(const std::wstring& key, const std::wstring& name, std::uint32_t value)
    {
        SetBytes(key, name,
                 {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                  static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
    }
    // UTF-16LE with its terminator, as a REG_SZ value is stored.
    void SetText(const std::wstring& key, const std::wstring& name, const std::wstring& text)
    {
        std::vector<std::uint8_t> data;
        for (const wchar_t c : text + L'\0') {
            data.push_back(static_cast<std::uint8_t>(c));
            data.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(c) >> 8));
        }
        SetBytes(key, name, std::move(data));
    }

    std::optional<std::vector<std::uint8_t>> ReadValue(std::wstring_view keyPath, std::wstring_view valueName,
                                                       std::size_t bufferBytes) const override
    {
        reads.push_back(std::wstring(keyPath) + L"|" + std::wstring(valueName));
        if (Injected(seamCalls, "Registry", "ReadValue", reads.back()))
            return std::nullopt;
        const auto key = keys.find(std::wstring(keyPath));
        if (key == keys.end() || unopenable.count(key->first))
            return std::nullopt;
        const auto value = key->second.find(std::wstring(valueName));
        if (value == key->second.end() || value->second.size() > bufferBytes)
            return std::nullopt;
        return value->second;
    }
};
