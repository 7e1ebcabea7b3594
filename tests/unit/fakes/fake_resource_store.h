#pragma once

#include "fakes/seam_calls.h"
#include "payload/resource_store.h"

#include <map>
#include <string>
#include <vector>

// TOOLKIT resources in memory. Any id can be made to fail at a chosen step;
// the enumeration fails when asked to or when the store is empty, as the
// platform's does for a module without resources of the type.
class FakeResourceStore final : public ResourceStore {
public:
    std::map<std::uint32_t, std::vector<std::uint8_t>> byId;
    std::map<std::wstring, std::vector<std::uint8_t>> byName;
    std::map<std::uint32_t, ResourceFailure> failures;
    bool failEnumeration = false;
    std::vector<std::wstring> typesAsked;
    int locks = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    void Add(std::uint32_t id, const std::string& bytes) { byId[id].assign(bytes.begin(), bytes.end()); }
    void AddNamed(const std::wstring& name, const std::string& bytes) { byName[name].assign(bytes.begin(), bytes.end()); }
    const std::uint8_t* DataOf(std::uint32_t id) const { return byId.at(id).data(); }

    std::optional<std::vector<ResourceName>> EnumerateNames(std::uintptr_t, const std::wstring& type) override
    {
        typesAsked.push_back(type);
        if (Injected(seamCalls, "ResourceStore", "EnumerateNames", type) || failEnumeration ||
            (byId.empty() && byName.empty()))
            return std::nullopt;
        std::vector<ResourceName> names;
        for (const auto& [name, bytes] : byName)
            names.push_back(ResourceName{std::nullopt, name});
        for (const auto& [id, bytes] : byId)
            names.push_back(ResourceName{id, {}});
        return names;
    }

    ResourceBytes Lock(std::uintptr_t, std::uint32_t id, const std::wstring&) override
    {
        ++locks;
        // Injected as LoadResource failing; every step ends the same way.
        if (Injected(seamCalls, "ResourceStore", "Lock", std::to_wstring(id)))
            return ResourceBytes{ResourceFailure::NotLoaded, {}};
        if (const auto failure = failures.find(id); failure != failures.end())
            return ResourceBytes{failure->second, {}};
        const auto found = byId.find(id);
        if (found == byId.end())
            return ResourceBytes{ResourceFailure::NotFound, {}};
        return ResourceBytes{ResourceFailure::None, found->second};
    }
};
