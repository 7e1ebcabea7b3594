// What vellox-pack changes in a stub's resources: the payload, the build
// configuration entries of the string table and the icon.
#pragma once

#include "pe_resources.h"

#include <map>
#include <optional>
#include <string>

namespace payload_tool {

// The type name of the payload resources.
inline const std::u16string kPayloadType = u"TOOLKIT";
inline constexpr std::uint16_t kManifestId = 101;

// Refuses a tree that is not a stub's: the messages, the dialogs and the
// application manifest must be there, and neither a payload nor any build
// configuration entry.
void CheckStubResources(const ResourceTree& tree);

// The entries of the string table, id -> UTF-16 text. Absent entries are
// not listed; an empty string is not told apart from an absent one, as the
// platform's string loading does not either.
std::map<std::uint16_t, std::u16string> ReadStringTable(const ResourceTree& tree);
// Sets the given entries, in the language the stub's string table uses,
// keeping every other entry of the blocks they fall into.
void SetStrings(ResourceTree& tree, const std::map<std::uint16_t, std::u16string>& strings);

// Replaces the stub's icon (its first icon group and the images it names)
// by the images of an .ico file. Throws ToolError when icoFile is not an
// icon file.
void ReplaceIcon(ResourceTree& tree, const std::string& icoFile);

// The UTF-16 form of UTF-8 text; throws ToolError for malformed UTF-8.
std::u16string Utf16FromUtf8(const std::string& text, const std::string& what);

}  // namespace payload_tool
