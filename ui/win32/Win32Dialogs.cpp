#include "ui/win32/Win32Dialogs.h"

#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "host/win32/Wide.h"
#include "ui/ScreenText.h"

namespace tv {

namespace {

// Places a dialog in the middle of another window's bounds.
void CentreOver(HWND dialog, HWND owner) {
    RECT outer, inner;
    if (owner && IsWindowVisible(owner)) {
        GetWindowRect(owner, &outer);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
        outer = monitor.rcWork;
    }
    GetWindowRect(dialog, &inner);
    int width = inner.right - inner.left, height = inner.bottom - inner.top;
    SetWindowPos(dialog, nullptr, (outer.left + outer.right - width) / 2,
                 (outer.top + outer.bottom - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const wchar_t* ButtonCaption(int result) {
    switch (result) {
    case mrYes:
        return L"&Ja";
    case mrNo:
        return L"&Nein";
    case mrOk:
        return L"OK";
    default:
        return L"";
    }
}

} // namespace

HRESULT CALLBACK Win32Dialogs::TaskDialogEvent(HWND dialog, UINT notification, WPARAM, LPARAM,
                                               LONG_PTR data) {
    auto* self = reinterpret_cast<Win32Dialogs*>(data);
    if (notification == TDN_CREATED) self->FOpen = dialog;
    if (notification == TDN_DESTROYED) self->FOpen = nullptr;
    return S_OK;
}

std::string Win32Dialogs::DefaultButtonCaption() const {
    return Narrow(ButtonCaption(FDefault));
}

int Win32Dialogs::MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) {
    static const wchar_t* const Captions[] = {L"Warnung", L"Fehler", L"Informationen", L"Best\u00e4tigen"};
    static const PCWSTR Icons[] = {TD_WARNING_ICON, TD_ERROR_ICON, TD_INFORMATION_ICON, TD_INFORMATION_ICON};
    int kind = static_cast<int>(type);
    std::vector<TASKDIALOG_BUTTON> shown;
    for (auto [flag, result] : {std::pair{mbYes, mrYes}, std::pair{mbNo, mrNo}, std::pair{mbOK, mrOk}})
        if (buttons & flag) shown.push_back({result, ButtonCaption(result)});
    std::wstring text = Wide(ScreenText(message, "\n"));

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = FOwner && IsWindowVisible(FOwner) ? FOwner : nullptr;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION; // Escape and the close box give IDCANCEL (2)
    config.pszWindowTitle = Captions[kind];
    config.pszMainIcon = Icons[kind];
    config.pszContent = text.c_str();
    config.pButtons = shown.data();
    config.cButtons = static_cast<UINT>(shown.size());
    config.nDefaultButton = (buttons & mbOK) ? mrOk : (buttons & mbYes) ? mrYes : 0;
    config.pfCallback = TaskDialogEvent;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(this);
    FDefault = config.nDefaultButton;
    FOpenIsPicker = false;
    FOpenText = message;
    int result = mrCancel;
    if (FAILED(TaskDialogIndirect(&config, &result, nullptr, nullptr))) result = mrCancel;
    FOpen = nullptr;
    return result;
}

int CALLBACK Win32Dialogs::BrowseEvent(HWND dialog, UINT message, LPARAM, LPARAM data) {
    auto* self = reinterpret_cast<Win32Dialogs*>(data);
    if (message == BFFM_INITIALIZED) {
        self->FOpen = dialog;
        if (self->FBrowseStart && !self->FBrowseStart->empty())
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(self->FBrowseStart->c_str()));
        CentreOver(dialog, self->FOwner);
    }
    return 0;
}

bool Win32Dialogs::BrowseForFolder(const std::string& title, std::string& directory) {
    // The newer style needs COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring caption = Wide(title), start = Wide(directory);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = FOwner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = caption.c_str();
    browse.ulFlags = BIF_NEWDIALOGSTYLE;
    browse.lpfn = BrowseEvent;
    browse.lParam = reinterpret_cast<LPARAM>(this);
    FBrowseStart = &start;
    FOpenIsPicker = true;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    FBrowseStart = nullptr;
    FOpen = nullptr;
    bool confirmed = false;
    if (chosen) {
        // The parsing name: a path for a file-system folder, the system's name otherwise.
        IShellItem* item = nullptr;
        if (SUCCEEDED(SHCreateItemFromIDList(chosen, IID_PPV_ARGS(&item)))) {
            wchar_t* name = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_DESKTOPABSOLUTEPARSING, &name))) {
                directory = Narrow(name);
                confirmed = true;
                CoTaskMemFree(name);
            }
            item->Release();
        }
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return confirmed;
}

} // namespace tv
