#include "ui/win32/Controls.h"

#include <commctrl.h>

namespace tv {

namespace {

bool IsComboBox(HWND list) {
    wchar_t name[32] = {};
    GetClassNameW(list, name, 32);
    return lstrcmpiW(name, WC_COMBOBOXW) == 0;
}

} // namespace

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ItemText(HWND list, int index) {
    const bool box = IsComboBox(list);
    LRESULT length = SendMessageW(list, box ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(list, box ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

std::vector<std::wstring> ItemTexts(HWND list) {
    std::vector<std::wstring> items;
    int count = static_cast<int>(SendMessageW(list, IsComboBox(list) ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        items.push_back(ItemText(list, i));
    return items;
}

} // namespace tv
