#pragma once

#include <cstdint>

// Writes the information block appended to the executable, if any, to
// "info.xml" in the temporary folder (forming the folder).
std::int32_t WriteEmbeddedInformation();
