// The yardstick for start-up: a bare Win32 window with one list line, made
// the way ktrcfg makes its window, with nothing else to do.
#include <windows.h>

namespace {

HWND list;

LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        list = CreateWindowExW(0, L"listbox", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 40, 112, 376, 140, window,
                               reinterpret_cast<HMENU>(2), nullptr, nullptr);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"bare"));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSEXW c = {};
    c.cbSize = sizeof(c);
    c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    c.lpfnWndProc = BareWndProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = L"bare window";
    RegisterClassExW(&c);
    HWND window = CreateWindowExW(0, c.lpszClassName, L"bare window", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 450, 350, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
