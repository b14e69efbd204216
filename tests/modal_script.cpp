#include "tests/modal_script.h"

#include "tests/program_support.h"

namespace {

ModalScript *script;
constexpr UINT_PTR kStepTimer = 0x4B54;

// Runs once the dialog's modal loop is running. Message boxes are left to
// the MessageBoxWatcher.
void CALLBACK RunStep(HWND dialog, UINT, UINT_PTR id, DWORD)
{
    KillTimer(dialog, id);
    if (!script || script->steps.empty() || GetDlgItem(dialog, 0xFFFF))
        return;
    ModalScript::Step step = script->steps.front();
    script->steps.pop_front();
    step(dialog);
}

// Activation is not reliable without a display, creation is: a timer is
// set on every new dialog.
LRESULT CALLBACK Created(int code, WPARAM wParam, LPARAM lParam)
{
    if (HWND dialog = script ? NewTopLevelDialog(code, wParam, lParam) : nullptr)
        SetTimer(dialog, kStepTimer, 1, RunStep);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

ModalScript::ModalScript()
{
    script = this;
    hook = SetWindowsHookExW(WH_CBT, Created, nullptr, GetCurrentThreadId());
}

ModalScript::~ModalScript()
{
    UnhookWindowsHookEx(hook);
    script = nullptr;
}

void ModalScript::Then(Step step)
{
    steps.push_back(std::move(step));
}

void PumpMessages()
{
    MSG message;
    for (int round = 0; round < 100 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++round) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::vector<std::wstring> ListLines(HWND list)
{
    std::vector<std::wstring> lines;
    const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t line[1024] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    return lines;
}

void PaintNow(HWND dialog)
{
    SendMessageW(dialog, WM_PAINT, 0, 0);
}

namespace {

std::vector<INT> givenStops;
WNDPROC listProc;

LRESULT CALLBACK KeepTabStops(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_SETTABSTOPS) {
        const INT *stops = reinterpret_cast<const INT *>(lParam);
        givenStops.assign(stops, stops + wParam);
    }
    return CallWindowProcW(listProc, list, message, wParam, lParam);
}

}  // namespace

std::vector<INT> TabStopsOfPaint(HWND dialog, int listId)
{
    HWND list = GetDlgItem(dialog, listId);
    givenStops.clear();
    listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeepTabStops)));
    PaintNow(dialog);
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc));
    return givenStops;
}

void DoubleClickRow(HWND dialog, int listId, int row)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    PumpMessages();
    PaintNow(dialog);
}

void PressKey(HWND dialog, UINT key)
{
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        const LPARAM flags = message == WM_KEYDOWN ? 1 : static_cast<LPARAM>(0xC0000001u);
        MSG m = {GetFocus(), message, key, flags, 0, {}};
        if (!IsDialogMessageW(dialog, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    PumpMessages();
}

bool EnterOnRow(HWND dialog, int listId, int row)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SetFocus(list);
    PressKey(dialog, VK_RETURN);
    return IsWindowVisible(dialog) != FALSE;
}

void PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    SetFocus(button);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

const CancelWay kCancelWays[3] = {
    {"Cancel", [](HWND dialog) { PressButton(dialog, IDCANCEL); }},
    {"Escape", [](HWND dialog) { PressKey(dialog, VK_ESCAPE); }},
    {"close box", [](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

void CloseProgramWindow(HWND window)
{
    DestroyWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT)
            DispatchMessageW(&message);
}
