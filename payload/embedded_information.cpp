#include "payload/embedded_information.h"

#include "app/diagnostic_log.h"
#include "app/long_path.h"
#include "payload/payload_paths.h"
#include "payload/temp_folder.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::uint8_t kMarker[] = {'M', 'R', 'D', 'C'};
// Window index of file offset size - 6, where the trailer begins.
constexpr std::size_t kFirstCandidate = kInformationWindowOffset - kInformationTrailerBytes;

}  // namespace

InformationScan FindEmbeddedInformation(std::span<const std::uint8_t> window)
{
    InformationScan scan;
    if (window.size() != kInformationWindowBytes)
        return scan;
    // Index 0 is never examined; a candidate near the end may reach past the
    // payload's end into the trailer, which the window still holds.
    std::size_t counter = 0;
    for (std::size_t p = kFirstCandidate; p > 0; --p, ++counter) {
        // The first byte rules out nearly every candidate without a compare.
        if (window[p] != kMarker[0] ||
            !std::equal(std::begin(kMarker), std::end(kMarker), window.begin() + static_cast<std::ptrdiff_t>(p)))
            continue;
        scan.markerFound = true;
        if (counter > sizeof kMarker)
            scan.payload = window.subspan(p + sizeof kMarker, counter - sizeof kMarker);
        return scan;
    }
    return scan;
}

std::int32_t WriteEmbeddedInformation(FileSystem& files, const CodePage& codePage,
                                      const std::optional<std::wstring>& ownPath)
{
    const std::wstring& folder = GetTempFolder(files);
    HeldFolder* held = GetHeldFolders().Root();
    if (folder.empty() || !held)
        return 0;  // no folder to write into; GetTempFolder said why
    if (!ownPath)
        return 0;  // a cut path would scan the tail of another file
    return ScanForEmbeddedInformation(files, codePage, *ownPath, *held, folder);
}

std::int32_t ScanForEmbeddedInformation(FileSystem& files, const CodePage& codePage, const std::wstring& ownPath,
                                        HeldFolder& folder, const std::wstring& folderPath)
{
    const FileTail tail =
        files.ReadTail(MakeExtendedLengthPath(ownPath), kInformationWindowBytes, kInformationWindowOffset);
    LogText("Scanning for Signature\r\n");
    if (!tail.opened || !tail.size || *tail.size <= kInformationWindowBytes ||
        tail.bytes.size() != kInformationWindowBytes)
        return 0;

    const InformationScan scan = FindEmbeddedInformation(tail.bytes);
    if (scan.payload.empty())
        return 0;

    const std::string_view raw(reinterpret_cast<const char*>(scan.payload.data()), scan.payload.size());
    LogMessage("Found embedded information '%s'\r\n", codePage.FromAnsi(raw.substr(0, raw.find('\0'))));
    const std::wstring outputPath = AppendPath(folderPath, kInformationFileName);
    const FileWriteResult written = folder.WriteFile(std::wstring(kInformationFileName), scan.payload);
    const std::uint32_t length = static_cast<std::uint32_t>(scan.payload.size());
    if (!written.created)
        LogMessage("Failed to create temp file %s %ld\r\n", outputPath, written.createError);
    else if (written.writeSucceeded && written.bytesWritten == length)
        LogMessage("Written out embedded information %ld byts to file %s\r\n", length, outputPath);
    else
        LogMessage("Write fail for embedded information %ld byts to file %s\r\n", length, outputPath);
    return 0;
}
