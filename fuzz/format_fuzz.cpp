// The formatter with arbitrary wide formats and arguments. Input: the format
// text (UTF-8), then optionally a NUL byte and the bytes the arguments and a
// generated integer conversion are drawn from.
#include "app/format.h"
#include "fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cwchar>
#include <optional>

namespace {

// The widest field a width or precision may ask for, plus a sign or "0x".
constexpr std::size_t kMaxField = 4096;
constexpr std::size_t kMaxPrefix = 2;

struct Argument {
    enum { Integer, Text, NullText, Pointer } kind;
    std::int64_t value = 0;
    std::wstring text;

    FormatArg Make() const
    {
        switch (kind) {
        case Integer: return FormatArg(value);
        case Text: return FormatArg(text);
        case NullText: return FormatArg(static_cast<const wchar_t*>(nullptr));
        case Pointer: break;
        }
        return FormatArg(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value)));
    }
    std::size_t TextLength() const { return kind == Text ? text.size() : kind == NullText ? 6 : 0; }
};

std::vector<Argument> DrawArguments(FuzzedDataProvider& provider)
{
    std::vector<Argument> arguments;
    const int count = provider.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < count; ++i) {
        Argument argument{static_cast<decltype(Argument::kind)>(provider.ConsumeIntegralInRange(0, 3))};
        argument.value = provider.ConsumeIntegral<std::int64_t>();
        if (argument.kind == Argument::Text) {
            const std::string bytes = provider.ConsumeRandomLengthString(300);
            argument.text = WideFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

void CheckBounded(const std::wstring& format, const std::vector<Argument>& arguments)
{
    std::vector<FormatArg> list;
    std::size_t textLengths = 0;
    for (const auto& argument : arguments) {
        list.push_back(argument.Make());
        textLengths += argument.TextLength();
    }
    const std::wstring out = FormatArgs(format, list);
    std::size_t conversions = 0;
    for (const wchar_t c : format)
        conversions += c == L'%';
    FUZZ_CHECK(out.size() <= format.size() + conversions * (kMaxField + kMaxPrefix) + textLengths);
    if (conversions == 0)
        FUZZ_CHECK(out == format);
    FUZZ_CHECK(FormatArgs(format, list) == out);
}

// One integer conversion built from flags, width and precision the C
// standard defines alike everywhere, against the C library's own.
void CheckAgainstLibrary(FuzzedDataProvider& provider)
{
    std::wstring conversion = L"%";
    for (const wchar_t flag : {L'-', L'+', L' ', L'0'}) {
        if (provider.ConsumeBool())
            conversion += flag;
    }
    if (provider.ConsumeBool())
        conversion += std::to_wstring(provider.ConsumeIntegralInRange(0, 40));
    if (provider.ConsumeBool())
        conversion += L"." + std::to_wstring(provider.ConsumeIntegralInRange(0, 40));
    conversion += L"diuxXo"[provider.ConsumeIntegralInRange(0, 5)];
    const std::int32_t value = provider.ConsumeIntegral<std::int32_t>();
    wchar_t expected[128];
    FUZZ_CHECK(std::swprintf(expected, std::size(expected), conversion.c_str(), value) >= 0);
    const std::wstring ours = Format(conversion, value);
    if (ours != expected)
        std::fprintf(stderr, "format '%ls' of %d: '%ls', C library '%ls'\n", conversion.c_str(), value, ours.c_str(), expected);
    FUZZ_CHECK(ours == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 8192)
        return 0;
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    const std::size_t formatBytes = end ? static_cast<std::size_t>(end - data) : size;
    const std::wstring format = WideFromBytes(data, formatBytes);
    std::vector<Argument> arguments;
    if (end) {
        FuzzedDataProvider provider(end + 1, size - formatBytes - 1);
        arguments = DrawArguments(provider);
        CheckAgainstLibrary(provider);
    } else {
        arguments = {{Argument::Integer, -42}, {Argument::Text, 0, L"text"}, {Argument::NullText}, {Argument::Pointer, 0x1234}};
    }
    CheckBounded(format, arguments);
    return 0;
}
