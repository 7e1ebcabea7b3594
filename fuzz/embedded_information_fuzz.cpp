// The backward scan of the executable's tail for the information block, on a
// window of exactly the size read (on the heap, so that the address
// sanitizer sees any read beyond it), and the whole step on a fake file.
// Input: the file's last bytes.
#include "app/diagnostic_log.h"
#include "fakes/fake_code_page.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_log_files.h"
#include "fuzz_input.h"
#include "payload/embedded_information.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

// Window index of the file's sixth byte from the end, where every payload ends.
constexpr std::size_t kPayloadEnd = kInformationWindowOffset - kInformationTrailerBytes;
constexpr std::size_t kMaxPayload = kPayloadEnd - 1 - 4;

// The marker nearest the window's end, found byte by byte rather than by
// the code under test; 0 when there is none (index 0 is never examined).
std::size_t LastMarker(const std::uint8_t* window)
{
    for (std::size_t at = kPayloadEnd; at > 0; --at) {
        if (window[at] == 'M' && window[at + 1] == 'R' && window[at + 2] == 'D' && window[at + 3] == 'C')
            return at;
    }
    return 0;
}

std::span<const std::uint8_t> ExpectedPayload(const std::uint8_t* window)
{
    const std::size_t marker = LastMarker(window);
    if (!marker || marker + 4 >= kPayloadEnd)
        return {};
    return {window + marker + 4, kPayloadEnd - marker - 4};
}

void CheckScan(const std::uint8_t* data, std::size_t size)
{
    // The input's last bytes at the window's end, zeros before them.
    const auto window = std::make_unique<std::uint8_t[]>(kInformationWindowBytes);
    const std::size_t copied = std::min<std::size_t>(size, kInformationWindowBytes);
    std::memset(window.get(), 0, kInformationWindowBytes);
    std::memcpy(window.get() + kInformationWindowBytes - copied, data + size - copied, copied);

    const InformationScan scan = FindEmbeddedInformation({window.get(), kInformationWindowBytes});
    const std::size_t marker = LastMarker(window.get());
    FUZZ_CHECK(scan.markerFound == (marker != 0));
    if (scan.payload.empty()) {
        FUZZ_CHECK(!marker || marker + 4 >= kPayloadEnd);
        return;
    }
    const std::uint8_t* begin = scan.payload.data();
    FUZZ_CHECK(begin == window.get() + marker + 4);
    FUZZ_CHECK(begin + scan.payload.size() == window.get() + kPayloadEnd);
    FUZZ_CHECK(scan.payload.size() <= kMaxPayload);
}

void CheckOtherWindowSizes(const std::uint8_t* data, std::size_t size)
{
    if (size == kInformationWindowBytes)
        return;
    const auto copy = std::make_unique<std::uint8_t[]>(size + 1);
    std::memcpy(copy.get(), data, size);
    const InformationScan scan = FindEmbeddedInformation({copy.get(), size});
    FUZZ_CHECK(!scan.markerFound && scan.payload.empty());
}

// The input as a whole file: what lands in info.xml is what the scan of
// its tail finds, and only that.
void CheckFile(const std::uint8_t* data, std::size_t size)
{
    FakeCodePage codePage;
    FakeLogFiles logFiles;
    FakeFileSystem files;
    g_log.Reset();
    g_log.Attach(&codePage, &logFiles);
    const std::wstring own = L"C:\\Downloads\\setup.exe";
    const std::wstring output = L"C:\\T\\info.xml";
    files.AddFile(own, std::string(reinterpret_cast<const char*>(data), size));
    files.AddFolder(L"C:\\T");
    const std::unique_ptr<HeldFolder> folder = files.HoldExisting(L"C:\\T");
    FUZZ_CHECK(ScanForEmbeddedInformation(files, codePage, own, *folder, L"C:\\T") == 0);

    std::span<const std::uint8_t> expected;
    if (size > kInformationWindowBytes)
        expected = ExpectedPayload(data + size - kInformationWindowOffset);
    if (expected.empty()) {
        FUZZ_CHECK(!files.Exists(output));
    } else {
        FUZZ_CHECK(files.Contents(output) == std::string(reinterpret_cast<const char*>(expected.data()), expected.size()));
    }
    g_log.Reset();
    g_log.Attach(nullptr, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 3 * kInformationWindowBytes)
        return 0;
    CheckScan(data, size);
    CheckOtherWindowSizes(data, size);
    CheckFile(data, size);
    return 0;
}
