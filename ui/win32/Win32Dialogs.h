// Message boxes as task dialogs and the folder picker as the system's folder browser,
// with the captions, buttons, default button and results the wizard relies on.
#pragma once

#include <windows.h>

#include "host/Host.h"

namespace tv {

class Win32Dialogs : public Dialogs {
public:
    void SetOwner(HWND owner) { FOwner = owner; }
    int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) override;
    bool BrowseForFolder(const std::string& title, std::string& directory) override;

    // The box or picker open at this moment (null when none), and for a box the number of
    // its default button: for a tour that answers as a person would.
    HWND OpenDialog() const { return FOpen; }
    bool OpenIsPicker() const { return FOpenIsPicker; }
    const std::string& OpenText() const { return FOpenText; }
    int DefaultButton() const { return FDefault; }
    std::string DefaultButtonCaption() const;

private:
    static HRESULT CALLBACK TaskDialogEvent(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR data);
    static int CALLBACK BrowseEvent(HWND dialog, UINT message, LPARAM, LPARAM data);

    HWND FOwner = nullptr;
    HWND FOpen = nullptr;
    bool FOpenIsPicker = false;
    std::string FOpenText;
    int FDefault = 0;
    const std::wstring* FBrowseStart = nullptr;
};

} // namespace tv
