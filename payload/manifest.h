// The manifest (TOOLKIT resource 101): triples id*name*size separated by "*".
#pragma once

#include "app/text.h"
#include "payload/resource.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

using CResourceFileMap = std::map<std::uint32_t, CResourceFile>;

// Fills the map from the manifest text; a later triple with the same id
// replaces the earlier one. The parse ends at the first empty name; a triple
// whose size is missing keeps size 0. Always 0.
std::int32_t ParseManifest(std::wstring_view text, CResourceFileMap& map);
