// The windows the run shows. Each call blocks until its dialog is closed,
// except the splash, which lives beside the wait loop.
#pragma once

#include <memory>
#include <optional>
#include <string>

// The modeless splash shown while the worker runs.
class Splash {
public:
    virtual ~Splash() = default;  // destroys the window if still open
    virtual bool IsOpen() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void End() = 0;
};

class Dialogs {
public:
    // Modal results.
    static constexpr int kOk = 1;      // IDOK
    static constexpr int kCancel = 2;  // IDCANCEL

    virtual ~Dialogs() = default;
    // Common controls and COM for the calling (main) thread.
    virtual void InitializeUserInterface() = 0;
    // The question form of the message dialog: heading above message, Yes
    // and No; kOk for Yes, kCancel for No, Escape or the close box.
    virtual int AskQuestion(const std::wstring& message, const std::wstring& heading) = 0;
    // The error form of the message dialog: heading "Error", the message,
    // the link when not empty, and Cancel.
    virtual void ShowError(const std::wstring& message, const std::wstring& link) = 0;
    // The temporary-folder prompt; the accepted folder, or nullopt.
    virtual std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) = 0;
    // Creates the splash hidden; never null.
    virtual std::unique_ptr<Splash> CreateSplash() = 0;
};
