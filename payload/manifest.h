// The manifest (TOOLKIT resource 101): triples id*name*size separated by "*".
#pragma once

#include "app/text.h"
#include "payload/resource.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The manifest's entries in id order, one per id.
using CResourceFileMap = std::vector<CResourceFile>;

// Fills the map from the manifest text; a later triple with the same id
// replaces the earlier one. The parse ends at the first empty name; a triple
// whose size is missing keeps size 0. Always 0.
std::int32_t ParseManifest(std::wstring_view text, CResourceFileMap& map);

// The entry with the id, or null.
const CResourceFile* FindResourceFile(const CResourceFileMap& map, std::uint32_t id);
