#include "payload/temp_folder_access.h"

using namespace std::literals;

namespace {

// FILE_GENERIC_READ | FILE_GENERIC_EXECUTE: the specific rights, so that
// nothing depends on how generic rights are mapped when the folder is made.
constexpr std::wstring_view kReadAndExecute = L"0x1200a9"sv;
constexpr std::wstring_view kSystemSid = L"S-1-5-18"sv;
constexpr std::wstring_view kAdministratorsSid = L"S-1-5-32-544"sv;

// Appends an allowed entry inherited by files (OI) and folders (CI). Appended
// in place: the concatenated temporaries cost more code than the appends.
void AppendAllowInherited(std::wstring& descriptor, std::wstring_view rights, std::wstring_view trustee)
{
    descriptor.append(L"(A;OICI;"sv);
    descriptor.append(rights);
    descriptor.append(L";;;"sv);
    descriptor.append(trustee);
    descriptor.push_back(L')');
}

}  // namespace

bool IsSidText(std::wstring_view text)
{
    if (!text.starts_with(L"S-1-"sv) || text.size() == 4)
        return false;
    bool digitBefore = false;
    for (const wchar_t c : text.substr(4)) {
        if (c >= L'0' && c <= L'9') {
            digitBefore = true;
        } else if (c == L'-' && digitBefore) {
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

std::wstring TempFolderSecurityDescriptor(std::wstring_view ownerSid)
{
    // "P": protected, so the base folder's entries are not inherited.
    std::wstring descriptor = L"D:P";
    AppendAllowInherited(descriptor, L"FA"sv, L"SY"sv);
    AppendAllowInherited(descriptor, L"FA"sv, L"BA"sv);
    if (IsSidText(ownerSid) && ownerSid != kSystemSid && ownerSid != kAdministratorsSid)
        AppendAllowInherited(descriptor, L"FA"sv, ownerSid);
    AppendAllowInherited(descriptor, kReadAndExecute, L"WD"sv);
    return descriptor;
}
