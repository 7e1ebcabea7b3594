// Times the payload extraction of bootstrappers against a plain program that
// writes the same resource bytes from memory with one WriteFile per file, in
// the same process, on the same disk and into the same kind of folder. The
// extraction's time includes enumerating the resources and reading the
// manifest; the baseline knows its files. Prints figures; asserts nothing.
//
//   extraction_bench <work folder> <repetitions> <bootstrapper.exe>...
#include "app/code_page_win32.h"
#include "app/diagnostic_log.h"
#include "app/win32_handles.h"
#include "payload/extract_payload.h"
#include "payload/file_system_win32.h"
#include "payload/resource_store_win32.h"
#include "payload/temp_folder.h"
#include "table_row.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct ModuleTraitsAsData {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE module) { ::FreeLibrary(module); }
};

// The baseline: every payload resource written from its mapped memory with
// one CreateFileW, one WriteFile and one CloseHandle.
bool WritePlain(HMODULE module, const std::vector<std::uint32_t>& ids, const std::wstring& folder)
{
    for (const std::uint32_t id : ids) {
        const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"TOOLKIT");
        const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (!data)
            return false;
        const DWORD size = ::SizeofResource(module, found);
        const std::wstring path = folder + L"\\" + std::to_wstring(id) + L".bin";
        const HANDLE file =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        const BOOL ok = ::WriteFile(file, data, size, &written, nullptr);
        ::CloseHandle(file);
        if (!ok || written != size)
            return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: extraction_bench <work folder> <repetitions> <bootstrapper.exe>...\n");
        return 2;
    }
    const std::wstring work = argv[1];
    const int repetitions = std::max(1, _wtoi(argv[2]));
    ::CreateDirectoryW(work.c_str(), nullptr);

    ThreadCodePage codePage;
    Win32ResourceStore store;
    Win32FileSystem files;
    int status = 0;
    for (int arg = 3; arg < argc; ++arg) {
        const UniqueResource<HMODULE, ModuleTraitsAsData> module(
            ::LoadLibraryExW(argv[arg], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (!module) {
            std::fprintf(stderr, "cannot load %ls: %lu\n", argv[arg], ::GetLastError());
            status = 1;
            continue;
        }
        const auto moduleNumber = reinterpret_cast<std::uintptr_t>(module.Get());
        std::vector<std::uint32_t> ids;
        std::uint64_t bytes = 0;
        for (const ResourceName& name : store.EnumerateNames(moduleNumber, L"TOOLKIT").value_or(std::vector<ResourceName>{})) {
            if (name.id && *name.id != kManifestId) {
                ids.push_back(*name.id);
                bytes += store.Lock(moduleNumber, *name.id, L"TOOLKIT").bytes.size();
            }
        }

        std::vector<double> extraction, baseline;
        for (int rep = 0; rep < repetitions; ++rep) {
            // Alternate which goes first, so that neither always meets a warmer cache.
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (rep % 2 == 0)) {
                    const std::wstring base = work + L"\\extract";
                    ResetTempFolder();
                    g_log.Reset();
                    if (SetTempFolder(files, base) != 0)
                        return 1;
                    const std::wstring folder = GetTempFolder(files);  // formed before the clock starts, as in a run
                    CResourceList list;
                    std::wstring target;
                    const double start = Seconds();
                    const std::int32_t result = ExtractPayload({store, files, codePage}, moduleNumber, list, target);
                    extraction.push_back(Seconds() - start);
                    if (result != 0) {
                        std::fprintf(stderr, "extraction of %ls failed: 0x%08X\n", argv[arg], static_cast<unsigned>(result));
                        return 1;
                    }
                    DeleteFolderTree(files, folder);
                } else {
                    // The same kind of folder as the run's: created the same way,
                    // with the same access list (new files inherit it).
                    const std::wstring folder = work + L"\\plain" + std::to_wstring(rep);
                    files.CreateFolderTree(folder);
                    files.GrantEveryoneAccess(folder, kTempFolderEveryoneAccess);
                    const double start = Seconds();
                    const bool ok = WritePlain(module.Get(), ids, folder);
                    baseline.push_back(Seconds() - start);
                    if (!ok) {
                        std::fprintf(stderr, "baseline for %ls failed\n", argv[arg]);
                        return 1;
                    }
                    DeleteFolderTree(files, folder);
                }
            }
        }
        g_log.Reset();
        std::wstring name = argv[arg];
        name = name.substr(name.find_last_of(L"\\/") + 1);
        name = name.substr(0, name.rfind(L".exe"));
        // Medians as the figures; the fastest runs (less disturbed by other
        // work on the machine) beside them.
        const double e = Median(extraction) * 1000, b = Median(baseline) * 1000;
        const double eMin = *std::min_element(extraction.begin(), extraction.end()) * 1000;
        const double bMin = *std::min_element(baseline.begin(), baseline.end()) * 1000;
        char figure[160], note[96];
        std::snprintf(figure, sizeof(figure), "%ls: %zu files, %.1f MB", name.c_str(), ids.size(),
                      static_cast<double>(bytes) / 1048576.0);
        std::snprintf(note, sizeof(note), "fastest %.2f / %.2f ms = %.3f", eMin, bMin, eMin / bMin);
        PrintRow("extraction", figure, e, b, "ms", "ratio<=1.10", note);
        std::fflush(stdout);
    }
    return status;
}
