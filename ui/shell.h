// Opening a document or address with the program the user chose for it.
#pragma once

#include <cstdint>
#include <string>

class Shell {
public:
    virtual ~Shell() = default;
    // Opens target with the verb "open" and a normal window; the shell's
    // own result, where a value above 32 means success.
    virtual std::intptr_t Open(const std::wstring& target) = 0;
};
