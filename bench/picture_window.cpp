// The start-up baseline with the launcher's picture: the bare window of
// minimal_window showing the picture instead of one colour, decoded by the
// launcher's own decoder straight into a bitmap at the first paint. What a
// program that only shows this picture pays, for start-up and memory.
//   --tree  also makes a hidden tree view after the first paint (the common
//           controls' library loaded, as the launcher's folder tree is there
//           from the start)
//   --text  also draws the settings panel's and the folder chooser's texts
//           in the Song face at 12 and 14 pixels after the first paint (what
//           the font engine holds once the panel has shown)
//   --windows  shows the picture through the launcher's windows instead: a
//           zero-size window that owns the pop-up and carries the task-bar
//           entry, shown first; the picture and the three hot zones as child
//           windows of a pop-up that clips them, each painting its part
#include "bare_window.h"
#include "picture.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <initializer_list>

namespace {

HBITMAP picture = nullptr;
HDC pictureDc = nullptr;
bool drawTexts = false;

class DibRows final : public qz::PixelTarget {
public:
    explicit DibRows(HDC dc) : dc_(dc) {}

    std::uint8_t *Rows(const qz::Picture &layout) override
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = layout.width;
        info.bmiHeader.biHeight = -layout.height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = nullptr;
        picture = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        return picture != nullptr ? static_cast<std::uint8_t *>(bits) : nullptr;
    }

private:
    HDC dc_;
};

void Decode(HDC dc)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    const auto *bytes = static_cast<const std::uint8_t *>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr)
        return;
    DibRows rows(dc);
    if (!qz::DecodeJpeg({bytes, SizeofResource(instance, found)}, qz::PictureDepth::TrueColour, rows) ||
        picture == nullptr)
        return;
    pictureDc = CreateCompatibleDC(dc);
    SelectObject(pictureDc, picture);
}

// The panels' texts, in the two sizes the launcher draws them in.
void DrawPanelTexts(HDC dc)
{
    static const wchar_t *const kTexts[] = {
        L"\u6570\u636e\u5e93\u8bbe\u7f6e \u670d\u52a1\u5668\u540d\u79f0 \u7528\u6237\u540d\u79f0 \u5bc6\u7801",
        L"\u6570\u636e\u5e93\u8def\u5f84 (local) sa C:\\ \u786e\u5b9a \u8fd4\u56de "
        L"\u5b89\u88c5\u6570\u636e\u6587\u4ef6",
        L"\u8bf7\u9009\u62e9\u5b89\u88c5\u6570\u636e\u5e93\u7684\u8def\u5f84",
    };
    int y = 10;
    for (int height : {12, 14}) {
        LOGFONTW font{};
        font.lfHeight = -height;
        font.lfCharSet = GB2312_CHARSET;
        std::wcscpy(font.lfFaceName, L"\u5b8b\u4f53");
        HFONT handle = CreateFontIndirectW(&font);
        HGDIOBJ old = SelectObject(dc, handle);
        SetBkMode(dc, TRANSPARENT);
        for (const wchar_t *text : kTexts) {
            TextOutW(dc, 10, y, text, static_cast<int>(std::wcslen(text)));
            y += height + 4;
        }
        SelectObject(dc, old);
        DeleteObject(handle);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (pictureDc == nullptr)
            Decode(dc);
        BitBlt(dc, 0, 0, qz::bench::kWindowWidth, qz::bench::kWindowHeight, pictureDc, 0, 0, SRCCOPY);
        if (drawTexts)
            DrawPanelTexts(dc);
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

// A child window painting the part of the picture that lies under it.
LRESULT CALLBACK PartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (pictureDc == nullptr)
            Decode(dc);
        RECT client;
        GetClientRect(window, &client);
        POINT origin{0, 0};
        MapWindowPoints(window, GetParent(window), &origin, 1);
        BitBlt(dc, 0, 0, client.right, client.bottom, pictureDc, origin.x, origin.y, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The picture's window and the three zones over it, each on top of the
// windows made before it; then the owner shows, before the pop-up.
void MakeParts(HWND window)
{
    WNDCLASSW partClass{};
    partClass.lpfnWndProc = PartProc;
    partClass.hInstance = GetModuleHandleW(nullptr);
    partClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    partClass.lpszClassName = L"QzBenchPart";
    RegisterClassW(&partClass);
    static const RECT kParts[] = {
        {0, 0, qz::bench::kWindowWidth, qz::bench::kWindowHeight},
        {92, 304, 92 + 189, 304 + 57},
        {92, 200, 92 + 189, 200 + 57},
        {92, 408, 92 + 189, 408 + 57},
    };
    for (const RECT &part : kParts) {
        HWND child = CreateWindowExW(0, L"QzBenchPart", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, part.left,
                                     part.top, part.right - part.left, part.bottom - part.top, window, nullptr,
                                     partClass.hInstance, nullptr);
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ShowWindow(GetWindow(window, GW_OWNER), SW_SHOWNORMAL);
}

// The zero-size window that owns the pop-up.
HWND MakeOwner(HINSTANCE instance)
{
    WNDCLASSW ownerClass{};
    ownerClass.lpfnWndProc = DefWindowProcW;
    ownerClass.hInstance = instance;
    ownerClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    ownerClass.lpszClassName = L"QzBenchOwner";
    RegisterClassW(&ownerClass);
    return CreateWindowExW(0, L"QzBenchOwner", L"picture",
                           WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                           GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr,
                           instance, nullptr);
}

// The tree view, its library loaded here (not imported: without --tree the
// program holds no common controls).
void MakeHiddenTree(HWND window, HINSTANCE instance)
{
    HMODULE controls = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    using InitFunction = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
    const auto init = reinterpret_cast<InitFunction>(
        controls != nullptr ? reinterpret_cast<void *>(GetProcAddress(controls, "InitCommonControlsEx")) : nullptr);
    if (init == nullptr)
        return;
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TREEVIEW_CLASSES};
    init(&classes);
    CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", WS_CHILD | TVS_HASBUTTONS | TVS_HASLINES, 10, 10, 203, 222,
                    window, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show)
{
    qz::bench::BareWindowParts parts;
    if (std::wcsstr(commandLine, L"--windows") != nullptr)
        parts = {MakeOwner(instance), WS_CLIPCHILDREN, MakeParts};
    HWND window = qz::bench::ShowBareWindow(instance, L"QzBenchPicture", L"picture", WindowProc, show, parts);
    if (window == nullptr)
        return 1;
    if (std::wcsstr(commandLine, L"--tree") != nullptr)
        MakeHiddenTree(window, instance);
    if (std::wcsstr(commandLine, L"--text") != nullptr) {
        drawTexts = true;
        InvalidateRect(window, nullptr, FALSE);
    }
    return qz::bench::RunMessageLoop();
}
