#include "app/format.h"

namespace {

struct Spec {
    bool bLeft = false;
    bool bZero = false;
    bool bPlus = false;
    bool bBlank = false;
    bool bAlternate = false;
    std::size_t nWidth = 0;
    bool bHasPrecision = false;
    std::size_t nPrecision = 0;
    bool b64 = false;
};

// Widths and precisions beyond this are clamped so that a hostile format
// cannot ask for gigabytes of padding.
constexpr std::size_t kMaxField = 4096;

std::size_t ReadNumber(std::wstring_view format, std::size_t& pos)
{
    std::size_t value = 0;
    while (pos < format.size() && format[pos] >= L'0' && format[pos] <= L'9') {
        value = value * 10 + static_cast<std::size_t>(format[pos] - L'0');
        if (value > kMaxField)
            value = kMaxField;
        ++pos;
    }
    return value;
}

// Divides value by a base of at most 16 and returns the remainder. Works in
// 16-bit steps so that 32-bit builds need no 64-bit division routine.
unsigned DivideSmall(std::uint64_t& value, unsigned base)
{
    std::uint64_t quotient = 0;
    std::uint32_t remainder = 0;
    for (int shift = 48; shift >= 0; shift -= 16) {
        const std::uint32_t part = (remainder << 16) | static_cast<std::uint32_t>((value >> shift) & 0xFFFF);
        quotient |= static_cast<std::uint64_t>(part / base) << shift;
        remainder = part % base;
    }
    value = quotient;
    return remainder;
}

std::wstring Digits(std::uint64_t value, unsigned base, bool upper)
{
    const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t text[64];  // enough for 64 bits in base 2
    wchar_t* start = text + 64;
    do {
        *--start = digits[DivideSmall(value, base)];
    } while (value != 0);
    return std::wstring(start, text + 64);
}

void Pad(std::wstring& out, const Spec& spec, std::wstring_view prefix, std::wstring_view body)
{
    const std::size_t length = prefix.size() + body.size();
    const std::size_t fill = spec.nWidth > length ? spec.nWidth - length : 0;
    if (spec.bLeft) {
        out.append(prefix).append(body).append(fill, L' ');
    } else if (spec.bZero) {
        out.append(prefix).append(fill, L'0').append(body);
    } else {
        out.append(fill, L' ').append(prefix).append(body);
    }
}

void FormatInteger(std::wstring& out, Spec spec, wchar_t conversion, std::int64_t raw)
{
    const bool isSigned = conversion == L'd' || conversion == L'i';
    std::uint64_t magnitude;
    bool negative = false;
    if (isSigned) {
        const std::int64_t value = spec.b64 ? raw : static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
        negative = value < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    } else {
        magnitude = spec.b64 ? static_cast<std::uint64_t>(raw) : static_cast<std::uint32_t>(raw);
    }
    const unsigned base = (conversion == L'x' || conversion == L'X') ? 16 : conversion == L'o' ? 8 : 10;
    std::wstring body = Digits(magnitude, base, conversion == L'X');
    if (spec.bHasPrecision) {
        spec.bZero = false;
        if (spec.nPrecision == 0 && magnitude == 0)
            body.clear();
        if (body.size() < spec.nPrecision)
            body.insert(0, spec.nPrecision - body.size(), L'0');
    }
    std::wstring prefix;
    if (negative)
        prefix = L"-";
    else if (isSigned && spec.bPlus)
        prefix = L"+";
    else if (isSigned && spec.bBlank)
        prefix = L" ";
    if (spec.bAlternate && magnitude != 0) {
        if (conversion == L'x')
            prefix += L"0x";
        else if (conversion == L'X')
            prefix += L"0X";
        else if (conversion == L'o' && body.front() != L'0')
            body.insert(0, 1, L'0');
    }
    Pad(out, spec, prefix, body);
}

}  // namespace

std::wstring FormatArgs(std::wstring_view format, std::span<const FormatArg> args)
{
    std::wstring out;
    out.reserve(format.size() + 16 * args.size());
    std::size_t next = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const wchar_t c = format[pos++];
        if (c != L'%') {
            out.push_back(c);
            continue;
        }
        if (pos >= format.size())
            break;
        Spec spec;
        for (bool more = true; more && pos < format.size();) {
            switch (format[pos]) {
            case L'-': spec.bLeft = true; ++pos; break;
            case L'0': spec.bZero = true; ++pos; break;
            case L'+': spec.bPlus = true; ++pos; break;
            case L' ': spec.bBlank = true; ++pos; break;
            case L'#': spec.bAlternate = true; ++pos; break;
            default: more = false; break;
            }
        }
        spec.nWidth = ReadNumber(format, pos);
        if (pos < format.size() && format[pos] == L'.') {
            ++pos;
            spec.bHasPrecision = true;
            spec.nPrecision = ReadNumber(format, pos);
        }
        // Length modifiers; only the 64-bit ones change what is read.
        for (bool more = true; more && pos < format.size();) {
            const std::wstring_view rest = format.substr(pos);
            if (rest.starts_with(L"I64") || rest.starts_with(L"ll")) {
                spec.b64 = true;
                pos += rest[0] == L'I' ? 3 : 2;
            } else if (rest.starts_with(L"I32")) {
                pos += 3;
            } else if (rest[0] == L'I') {
                spec.b64 = sizeof(void*) == 8;
                ++pos;
            } else if (rest[0] == L'h' || rest[0] == L'l' || rest[0] == L'L' || rest[0] == L'w') {
                ++pos;
            } else {
                more = false;
            }
        }
        if (pos >= format.size())
            break;
        const wchar_t conversion = format[pos++];
        if (conversion == L'%') {
            out.push_back(L'%');
            continue;
        }
        const bool known = std::wstring_view(L"diuxXocsp").find(conversion) != std::wstring_view::npos;
        if (!known) {
            out.push_back(conversion);
            continue;
        }
        if (next >= args.size())
            continue;
        const FormatArg& arg = args[next++];
        switch (conversion) {
        case L's':
            if (arg.GetKind() == FormatArg::Kind::String) {
                std::wstring_view text = arg.IsNullText() ? std::wstring_view(L"(null)") : arg.GetText();
                if (spec.bHasPrecision && text.size() > spec.nPrecision)
                    text = text.substr(0, spec.nPrecision);
                spec.bZero = false;
                Pad(out, spec, {}, text);
            }
            break;
        case L'c':
            if (arg.GetKind() == FormatArg::Kind::Integer) {
                const wchar_t ch = static_cast<wchar_t>(static_cast<std::uint16_t>(arg.GetValue()));
                spec.bZero = false;
                Pad(out, spec, {}, std::wstring_view(&ch, 1));
            }
            break;
        case L'p':
            if (arg.GetKind() != FormatArg::Kind::String) {
                std::wstring body = Digits(static_cast<std::uint64_t>(arg.GetValue()), 16, true);
                const std::size_t digits = 2 * sizeof(void*);
                if (body.size() < digits)
                    body.insert(0, digits - body.size(), L'0');
                spec.bZero = false;
                Pad(out, spec, {}, body);
            }
            break;
        default:
            if (arg.GetKind() != FormatArg::Kind::String)
                FormatInteger(out, spec, conversion, arg.GetValue());
            break;
        }
    }
    return out;
}

std::wstring FormatArgs(AsciiLiteral format, std::span<const FormatArg> args)
{
    return FormatArgs(std::wstring_view(format.Widen()), args);
}
