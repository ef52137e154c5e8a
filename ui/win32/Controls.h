// What Windows controls show: a window's own text, and the entries of a list box or of
// a drop-down box.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tv {

std::wstring WindowText(HWND window);
// Entry `index` of a list box or drop-down box; empty when there is none.
std::wstring ItemText(HWND list, int index);
std::vector<std::wstring> ItemTexts(HWND list);

} // namespace tv
