// The heading control: its text in bold Tahoma on the dialog's own
// background, with no box of its own behind it.
#pragma once

#include "ui/framework_win32.h"

class CStaticEx final : public CControl {
public:
    CStaticEx();
    HBRUSH OnReflectedCtlColor(UINT message, HDC dc) override;

private:
    void PreSubclassWindow() override;

    UniqueGdiObject m_fontHeading;
};
