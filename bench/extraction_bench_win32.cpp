// Times the payload extraction of bootstrappers against a plain program that
// writes the same resource bytes from memory with one WriteFile per file, in
// the same process, on the same disk and into the same kind of folder. The
// extraction's time includes enumerating the resources and reading the
// manifest; the baseline knows its files (their names and order, taken from
// the extraction's first run). Prints figures; asserts nothing.
//
// The machine is shared, so one sample of either side says little: the two
// run in pairs, one right after the other, in alternating order, after an
// unmeasured warm-up pair; each side's output is deleted outside the clock
// before the next run, so neither meets the other's files or freed cache.
// Small payloads take a fraction of a millisecond, so they get more pairs:
// at least the given repetitions, and more until each side has run for a
// fixed total time. Reported: the medians (the figures), the median of the
// pairs' own ratios (both halves of a pair see the same load) and the
// fastest of each side (least disturbed).
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

// One file of the payload as the extraction writes it.
struct PlannedFile {
    std::uint32_t id;
    std::wstring name;
};

// The baseline: every payload resource written from its mapped memory with
// one CreateFileW, one WriteFile and one CloseHandle, under the same names
// and in the same order as the extraction's (the cost of creating a file
// grows with the folder's entries and their names' lengths).
bool WritePlain(HMODULE module, const std::vector<PlannedFile>& plan, const std::wstring& folder)
{
    for (const PlannedFile& planned : plan) {
        const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(planned.id), L"TOOLKIT");
        const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (!data)
            return false;
        const DWORD size = ::SizeofResource(module, found);
        const std::wstring path = folder + L"\\" + planned.name;
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

// One timed run of each side. Folder set-up and deletion are outside the
// clock, as in a run, where the temporary folder exists before extraction.
class Sides {
public:
    Sides(Win32ResourceStore& store, Win32FileSystem& files, ThreadCodePage& codePage, HMODULE module,
          const std::wstring& work)
        : m_store(store), m_files(files), m_codePage(codePage), m_module(module), m_work(work)
    {
    }

    // Takes the files the extraction writes, in its order, as the
    // baseline's; false when either side fails. Also the warm-up: the first
    // runs meet cold code, heap and file-system caches, and neither side's
    // figures include them.
    bool PlanFromExtraction()
    {
        if (TimeExtraction() < 0)
            return false;
        m_plan.clear();
        for (const auto& resource : m_lastList) {
            if (!resource->m_strName.empty())
                m_plan.push_back(PlannedFile{resource->m_nId, resource->m_strName});
        }
        return !m_plan.empty() && TimeBaseline() >= 0;
    }

    std::size_t FileCount() const { return m_plan.size(); }

    // Seconds, or a negative value when the extraction failed.
    double TimeExtraction()
    {
        const std::wstring folder = NewFolder(L"\\extract");
        if (folder.empty())
            return -1;
        m_lastList.clear();
        std::wstring target;
        const double start = Seconds();
        const std::int32_t result = ExtractPayload({m_store, m_files, m_codePage},
                                                   reinterpret_cast<std::uintptr_t>(m_module), m_lastList, target);
        const double elapsed = Seconds() - start;
        DeleteFolderTree(GetHeldFolders(), folder);
        if (result != 0) {
            std::fprintf(stderr, "extraction failed: 0x%08X\n", static_cast<unsigned>(result));
            return -1;
        }
        return elapsed;
    }

    double TimeBaseline()
    {
        const std::wstring folder = NewFolder(L"\\plain");
        if (folder.empty())
            return -1;
        const double start = Seconds();
        const bool ok = WritePlain(m_module, m_plan, folder);
        const double elapsed = Seconds() - start;
        DeleteFolderTree(GetHeldFolders(), folder);
        if (!ok) {
            std::fprintf(stderr, "baseline failed\n");
            return -1;
        }
        return elapsed;
    }

private:
    // A new folder named by a GUID under work\<base>, made as a run makes
    // its temporary folder (same depth, same access list, which new files
    // inherit), for either side alike.
    std::wstring NewFolder(const wchar_t* base)
    {
        ResetTempFolder();
        g_log.Reset();
        if (SetTempFolder(m_files, m_work + base) != 0)
            return {};
        return GetTempFolder(m_files);
    }

    Win32ResourceStore& m_store;
    Win32FileSystem& m_files;
    ThreadCodePage& m_codePage;
    HMODULE m_module;
    std::wstring m_work;
    CResourceList m_lastList;
    std::vector<PlannedFile> m_plan;
};

// Each side runs at least this long in all before the pairs stop, unless
// the cap on pairs comes first.
constexpr double kMinimumSecondsPerSide = 0.5;
constexpr int kMaximumPairs = 400;

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
        std::uint64_t bytes = 0;
        for (const ResourceName& name : store.EnumerateNames(moduleNumber, L"TOOLKIT").value_or(std::vector<ResourceName>{})) {
            if (name.id && *name.id != kManifestId)
                bytes += store.Lock(moduleNumber, *name.id, L"TOOLKIT").bytes.size();
        }

        Sides sides(store, files, codePage, module.Get(), work);
        if (!sides.PlanFromExtraction()) {
            std::fprintf(stderr, "%ls: warm-up failed\n", argv[arg]);
            return 1;
        }
        std::vector<double> extraction, baseline, pairRatios;
        double extractionTotal = 0, baselineTotal = 0;
        for (int pair = 0; pair < kMaximumPairs; ++pair) {
            if (pair >= repetitions &&
                std::min(extractionTotal, baselineTotal) >= kMinimumSecondsPerSide)
                break;
            // Alternate which goes first, so that neither always meets the
            // state the other left behind.
            double e, b;
            if (pair % 2 == 0) {
                e = sides.TimeExtraction();
                b = sides.TimeBaseline();
            } else {
                b = sides.TimeBaseline();
                e = sides.TimeExtraction();
            }
            if (e < 0 || b < 0) {
                std::fprintf(stderr, "%ls: run failed\n", argv[arg]);
                return 1;
            }
            extraction.push_back(e);
            baseline.push_back(b);
            pairRatios.push_back(e / b);
            extractionTotal += e;
            baselineTotal += b;
        }
        g_log.Reset();
        std::wstring name = argv[arg];
        name = name.substr(name.find_last_of(L"\\/") + 1);
        name = name.substr(0, name.rfind(L".exe"));
        const double e = Median(extraction) * 1000, b = Median(baseline) * 1000;
        const double eMin = *std::min_element(extraction.begin(), extraction.end()) * 1000;
        const double bMin = *std::min_element(baseline.begin(), baseline.end()) * 1000;
        char figure[160], note[160];
        std::snprintf(figure, sizeof(figure), "%ls: %zu files, %.1f MB", name.c_str(), sides.FileCount(),
                      static_cast<double>(bytes) / 1048576.0);
        std::snprintf(note, sizeof(note), "%zu pairs; median pair ratio %.3f; fastest %.2f / %.2f ms = %.3f",
                      extraction.size(), Median(pairRatios), eMin, bMin, eMin / bMin);
        PrintRow("extraction", figure, e, b, "ms", "ratio<=1.10", note);
        std::fflush(stdout);
    }
    return status;
}
