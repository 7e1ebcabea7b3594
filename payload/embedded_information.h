// The optional information block at the very end of the executable file:
// "MRDC", the payload (1 to 4,106 bytes), then 6 bytes that are not part of
// it. The payload is copied to "info.xml" in the temporary folder.
#pragma once

#include "app/code_page.h"
#include "payload/file_system.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::uint32_t kInformationWindowBytes = 4116;   // bytes of the tail that are read
inline constexpr std::uint32_t kInformationWindowOffset = 4117;  // their distance from the end
inline constexpr std::uint32_t kInformationTrailerBytes = 6;
inline constexpr std::wstring_view kInformationFileName = L"info.xml";

// What the backward scan of the tail window found: nothing, a marker with no
// room for a payload, or the payload.
struct InformationScan {
    bool markerFound = false;
    std::span<const std::uint8_t> payload;  // empty unless a payload follows the marker
};

// Scans the window (the file's bytes from size - 4117 up to, not including,
// the last byte) backwards for the marker nearest the end; only that one is
// considered.
InformationScan FindEmbeddedInformation(std::span<const std::uint8_t> window);

// Writes the block's payload, if any, to "info.xml" in the temporary folder
// (forming the folder). Without the own file's whole path (nullopt) the tail
// is not read. Always 0.
std::int32_t WriteEmbeddedInformation(FileSystem& files, const CodePage& codePage,
                                      const std::optional<std::wstring>& ownPath);
// Reads the tail of the own file (a long path in its extended-length form)
// and writes the payload to "info.xml" in the held folder, whose path is
// folderPath. Always 0; failures leave at most a log line.
std::int32_t ScanForEmbeddedInformation(FileSystem& files, const CodePage& codePage, const std::wstring& ownPath,
                                        HeldFolder& folder, const std::wstring& folderPath);
