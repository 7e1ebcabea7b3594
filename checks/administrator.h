#pragma once

#include "app/string_table.h"

class MachineFacts;

// True unless the build's administrator switch is exactly "0".
bool IsAdminCheckEnabled(const StringTable& strings);
// True when the current token is a member of the local Administrators group;
// a failed query counts as not a member.
bool IsUserAdministrator(const MachineFacts& machine);
