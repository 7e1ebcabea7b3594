// The string table of a resource script, read the way the resource compiler
// reads it, so that tests see the texts the executable ships with.
#pragma once

#include "app/string_table.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

class RcStringTable final : public StringTable {
public:
    // Reads every `<id> "<text>"` line of path (UTF-8, ASCII texts).
    explicit RcStringTable(const std::string& path)
    {
        std::ifstream file(path);
        if (!file)
            throw std::runtime_error("cannot read " + path);
        std::string line;
        while (std::getline(file, line)) {
            std::istringstream fields(line);
            unsigned id = 0;
            if (!(fields >> id))
                continue;
            const auto open = line.find('"');
            const auto close = line.rfind('"');
            if (open == std::string::npos || close == open)
                continue;
            entries[id] = Unescape(line.substr(open + 1, close - open - 1));
        }
    }

    std::wstring Load(unsigned id) const override
    {
        const auto found = entries.find(id);
        return found == entries.end() ? std::wstring() : found->second;
    }

    std::map<unsigned, std::wstring> entries;

private:
    static std::wstring Unescape(const std::string& text)
    {
        std::wstring out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                out.push_back(L'"');
                ++i;
            } else if (text[i] == '\\' && i + 1 < text.size()) {
                const char next = text[++i];
                out.push_back(next == 'n' ? L'\n' : next == 't' ? L'\t' : static_cast<wchar_t>(next));
            } else {
                out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(text[i])));
            }
        }
        return out;
    }
};

// The shipped messages plus this build's default configuration entries.
inline RcStringTable ShippedStrings()
{
    RcStringTable strings(std::string(VELLOX_SOURCE_DIR) + "/ui/messages.rc");
    strings.entries[0] = L"x86";
    strings.entries[1] = L"Corvane";
    return strings;
}
