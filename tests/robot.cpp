#include "tests/robot.h"

#include "tests/modal_script.h"

namespace {

struct Search {
    DWORD thread;
    HWND found;
};

BOOL CALLBACK FindInputDialog(HWND window, LPARAM context)
{
    auto *search = reinterpret_cast<Search *>(context);
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowEnabled(window) && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context)
{
    auto *search = reinterpret_cast<Search *>(context);
    if (!GetWindow(window, GW_OWNER) && GetMenu(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

Robot::~Robot()
{
    if (process.hProcess) {
        if (Running())
            TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

bool Robot::Launch(const std::wstring &program, const std::wstring &currentFolder)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + program + L"\"";
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &process) != 0;
}

DWORD Robot::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

bool Robot::Start(const std::wstring &program, const std::wstring &currentFolder)
{
    if (!Launch(program, currentFolder))
        return false;
    // The program's start-up may show message boxes before its window is up.
    Until([&] {
        Search search = {process.dwThreadId, nullptr};
        EnumThreadWindows(process.dwThreadId, FindMainWindow, reinterpret_cast<LPARAM>(&search));
        main = search.found;
        return main != nullptr;
    }, 10000);
    // The window is listed while it is still being created: wait until the
    // program takes messages again, its controls made.
    if (main)
        Settle();
    return main != nullptr;
}

bool Robot::Running() const
{
    return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

bool Robot::WaitForExit(DWORD milliseconds)
{
    return WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0;
}

bool Robot::EndsWithoutMessageBox(DWORD milliseconds)
{
    bool boxShown = false;
    const bool ended = Until([&] {
        if (IsMessageBox(WaitForDialog(0))) {
            boxShown = true;
            AnswerMessageBox(0);
        }
        return !Running();
    }, milliseconds);
    return ended && !boxShown;
}

bool Robot::Until(const std::function<bool()> &ready, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start >= milliseconds)
            return false;
        Sleep(10);
    }
    return true;
}

HWND Robot::WaitForDialog(DWORD milliseconds)
{
    Search search = {process.dwThreadId, nullptr};
    Until([&] {
        EnumThreadWindows(process.dwThreadId, FindInputDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, milliseconds);
    return search.found;
}

HWND Robot::DialogOver(HWND under, DWORD milliseconds)
{
    HWND dialog = nullptr;
    const bool over = Until([&] {
        dialog = WaitForDialog(0);
        return dialog && dialog != under && GetWindow(dialog, GW_OWNER) == under;
    }, milliseconds);
    return over ? dialog : nullptr;
}

bool Robot::IsMessageBox(HWND dialog) const
{
    return dialog && GetDlgItem(dialog, 0xFFFF) != nullptr;
}

std::wstring Robot::AnswerMessageBox(DWORD milliseconds)
{
    HWND box = nullptr;
    if (!Until([&] { return IsMessageBox(box = WaitForDialog(0)); }, milliseconds))
        return L"(no message box)";
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitClosed(box);
    return text;
}

void Robot::Command(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Robot::Click(HWND dialog, int buttonId)
{
    Settle();
    PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

void Robot::DoubleClickRow(HWND dialog, int listId, int row)
{
    // Posted, so that the selection is made after any repaint already queued.
    Settle();
    HWND list = GetDlgItem(dialog, listId);
    WaitForLines(list, [&](const std::vector<std::wstring> &lines) { return static_cast<int>(lines.size()) > row; });
    PostMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

void Robot::Type(HWND edit, const std::wstring &text)
{
    for (wchar_t ch : text)
        PostMessageW(edit, WM_CHAR, ch, 1);
}

std::vector<std::wstring> Robot::Lines(HWND list)
{
    Settle();
    return ListLines(list);  // list box messages work across processes
}

std::vector<std::wstring> Robot::WaitForLines(HWND list,
                                              const std::function<bool(const std::vector<std::wstring> &)> &done,
                                              DWORD milliseconds)
{
    std::vector<std::wstring> lines;
    Until([&] { return done(lines = ListLines(list)); }, milliseconds);
    return lines;
}

std::vector<std::wstring> Robot::WaitForLines(HWND list, std::size_t count, DWORD milliseconds)
{
    return WaitForLines(list, [&](const std::vector<std::wstring> &lines) { return lines.size() == count; }, milliseconds);
}

void Robot::Expose(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    // Sent, not posted: it returns once the program has painted.
    SendMessageTimeoutW(window, WM_PAINT, 0, 0, SMTO_NORMAL, 5000, nullptr);
}

bool Robot::WaitClosed(HWND window, DWORD milliseconds)
{
    return Until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, milliseconds);
}

void Robot::Settle()
{
    // Posted messages are worked off within a few milliseconds; a sent one
    // returns only when the program is back in its message loop.
    for (int i = 0; i < 3; ++i) {
        Sleep(15);
        HWND target = WaitForDialog(0);
        SendMessageTimeoutW(target ? target : main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
    }
}

bool Robot::Snapshot(HWND window, const std::wstring &path)
{
    Settle();
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u, imageBytes = rowBytes * static_cast<DWORD>(h);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + imageBytes;
    info.bmiHeader.biSizeImage = imageBytes;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    bool ok = out != INVALID_HANDLE_VALUE && WriteFile(out, &file, sizeof(file), &put, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &put, nullptr) &&
              WriteFile(out, bits, imageBytes, &put, nullptr);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}
