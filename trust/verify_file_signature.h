#pragma once

#include <cstdint>
#include <string>

// Verifies the Authenticode signature of the file at path. 0 when it
// verified; description always receives a one-line account of the outcome.
std::int32_t VerifyFileSignature(const std::wstring& path, std::wstring& description);
