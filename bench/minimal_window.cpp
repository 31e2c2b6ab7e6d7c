// The start-up baseline: the least a Win32 program does to show a borderless
// 795 x 576 window centred on the screen and painted in one colour.
#include "bare_window.h"

#include <windows.h>

namespace {

constexpr COLORREF kColour = RGB(0x2A, 0x6F, 0xB4);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kColour);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    if (qz::bench::ShowBareWindow(instance, L"QzBenchMinimal", L"minimal", WindowProc, show) == nullptr)
        return 1;
    return qz::bench::RunMessageLoop();
}
