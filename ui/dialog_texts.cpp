#include "ui/dialog_texts.h"

#include "app/format.h"
#include "app/string_table.h"
#include "ui/report_message.h"

namespace {

// The version the about box shows, whatever the executable's own version
// resource says.
constexpr int kVersion[] = {1, 8, 2, 615};

}  // namespace

MessageDialogButtons ButtonsForForm(bool question)
{
    if (question)
        return {true, L"Yes", L"No"};
    return {false, L"", L""};
}

bool IsAboutCommand(unsigned systemCommand)
{
    return (systemCommand & 0xFFF0u) == kAboutCommandId;
}

std::wstring AboutMenuText(const StringTable& strings)
{
    const std::wstring format = strings.Load(StringId::kAboutMenu);
    if (format.empty())
        return {};
    return Format(format, strings.Load(StringId::kProductName));
}

std::wstring AboutTitle(const StringTable& strings)
{
    return Format(strings.Load(MessageId::kAboutTitle), strings.Load(StringId::kProductName));
}

std::wstring AboutVersionLine(const StringTable& strings)
{
    return Format(strings.Load(MessageId::kAboutVersion), strings.Load(StringId::kProductName), kVersion[0],
                  kVersion[1], kVersion[2], kVersion[3]);
}

IconPosition CentredIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight)
{
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
