// Who may do what in the run's temporary folder.
#pragma once

#include <string>
#include <string_view>

// The folder's security descriptor, in the platform's descriptor language:
// a protected access list (nothing is inherited from the base folder, whose
// rights other users may hold, such as creating files in a shared data
// folder) giving full control to SYSTEM, the Administrators group and the
// token's owner, and read and execute to Everyone, each inherited by every
// file and sub-folder. ownerSid is the token owner's SID text; it is left
// out when it is empty, not a well-formed SID, or one of the two already
// named.
std::wstring TempFolderSecurityDescriptor(std::wstring_view ownerSid);

// True for SID text of the form S-1-<authority>(-<sub-authority>)*, digits only.
bool IsSidText(std::wstring_view text);
