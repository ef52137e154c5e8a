#include "ui/win32/Screenshot.h"

#include <cstdint>
#include <vector>

#include "ui/PngFile.h"

namespace tv {

bool SaveScreenshot(HWND window, const std::string& file) {
    RECT bounds;
    if (!window || !GetWindowRect(window, &bounds)) return false;
    int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint8_t> rgba(size_t(width) * size_t(height) * 4);
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = bgra[i + 2];
        rgba[i + 1] = bgra[i + 1];
        rgba[i + 2] = bgra[i];
        rgba[i + 3] = 255;
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return WritePng(file, width, height, rgba);
}

} // namespace tv
