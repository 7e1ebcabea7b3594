#include "build_config.h"

#include "stub_resources.h"

#include <algorithm>
#include <vector>

namespace payload_tool {

namespace {

bool IsDecimal(const std::string& text, bool allowSign, long long low, long long high)
{
    std::size_t at = allowSign && !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == at || text.size() - at > 10)
        return false;
    for (std::size_t i = at; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    const long long value = std::stoll(text);
    return value >= low && value <= high;
}

void CheckText(const std::string& key, const std::string& value, bool forbidQuote)
{
    std::u16string text;
    try {
        text = Utf16FromUtf8(value, key);
    } catch (const ToolError& error) {
        throw UsageError(error.what());
    }
    if (text.empty() || text.size() > 255)
        throw UsageError(key + " must hold 1 to 255 characters");
    for (const char16_t c : text) {
        if (c < 0x20 || c == 0x7F || (forbidQuote && c == u'"'))
            throw UsageError(key + " may not hold control characters" + (forbidQuote ? " or '\"'" : ""));
    }
}

}  // namespace

bool IsBuildConfigKey(const std::string& key)
{
    static const char* const kKeys[] = {"product-name", "processor-mode", "required-mb",
                                        "net-levels",   "admin-check",    "program-name"};
    return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

void SetBuildConfigValue(BuildConfig& config, const std::string& key, const std::string& value)
{
    if (key == "product-name") {
        CheckText(key, value, false);
        config.productName = value;
    } else if (key == "program-name") {
        CheckText(key, value, true);
        config.programName = value;
    } else if (key == "processor-mode") {
        if (value != "x86" && value != "x64" && value != "x32Only" && value != "Any")
            throw UsageError("processor-mode must be x86, x64, x32Only or Any, not '" + value + "'");
        config.processorMode = value;
    } else if (key == "required-mb") {
        if (!IsDecimal(value, false, 0, 2147483647))
            throw UsageError("required-mb must be a whole number from 0 to 2147483647, not '" + value + "'");
        config.requiredMb = value;
    } else if (key == "admin-check") {
        if (value != "0" && value != "1")
            throw UsageError("admin-check must be 0 or 1, not '" + value + "'");
        config.adminCheck = value;
    } else if (key == "net-levels") {
        std::vector<std::string> levels;
        std::string current;
        for (const char c : value + " ") {
            if (c == ' ' || c == ',' || c == '\t') {
                if (!current.empty())
                    levels.push_back(current);
                current.clear();
            } else {
                current.push_back(c);
            }
        }
        const bool valid = levels.size() == 7 && std::all_of(levels.begin(), levels.end(), [](const std::string& level) {
                               return level == "-" || IsDecimal(level, true, -2147483648LL, 2147483647LL);
                           });
        if (!valid)
            throw UsageError("net-levels must be seven levels (whole numbers, or - for none), not '" + value + "'");
        std::copy(levels.begin(), levels.end(), config.netLevels.begin());
    } else {
        throw UsageError("unknown configuration key '" + key + "'");
    }
}

std::map<std::uint16_t, std::u16string> BuildConfigStrings(const BuildConfig& config)
{
    std::map<std::uint16_t, std::u16string> strings;
    strings[0] = Utf16FromUtf8(config.processorMode, "processor-mode");
    strings[1] = Utf16FromUtf8(config.productName, "product-name");
    strings[103] = Utf16FromUtf8(config.requiredMb, "required-mb");
    for (std::size_t i = 0; i < config.netLevels.size(); ++i) {
        if (config.netLevels[i] != "-")
            strings[static_cast<std::uint16_t>(138 + i)] = Utf16FromUtf8(config.netLevels[i], "net-levels");
    }
    strings[145] = Utf16FromUtf8(config.adminCheck, "admin-check");
    strings[kProgramNameId] = Utf16FromUtf8(config.programName, "program-name");
    return strings;
}

}  // namespace payload_tool
