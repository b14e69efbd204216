#include "tests/program_support.h"

#include <cstring>

#include "app/shell.h"
#include "discovery/device_map.h"
#include "store/adapter_record.h"

namespace {

MessageBoxWatcher *watcher;

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && watcher) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[32] = {};
        GetClassNameW(box, cls, 32);
        if (lstrcmpW(cls, L"#32770") == 0 && GetDlgItem(box, 0xFFFF)) {
            ShownBox shown;
            wchar_t text[2048] = {};
            GetWindowTextW(box, text, 2048);
            shown.caption = text;
            GetDlgItemTextW(box, 0xFFFF, text, 2048);
            shown.text = text;
            shown.icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, 0x440, STM_GETICON, 0, 0));
            shown.owner = GetWindow(box, GW_OWNER);
            watcher->boxes.push_back(shown);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void LoadLanguage(const wchar_t *module)
{
    languageModule = LoadLibraryW(module);
    windowCaption[0] = 0;
    LoadStringW(languageModule, 1, windowCaption, kCaptionRoom);
}

void ResetProgramState()
{
    FreeDeviceMaps();
    deviceMapCount = 0;
    adapterCount = 0;
    std::memset(savedRecords, 0, sizeof(savedRecords));
    std::memset(workingRecords, 0, sizeof(workingRecords));
    std::memset(&editImage, 0, sizeof(editImage));
    std::memset(portIoAddress, 0, sizeof(portIoAddress));
    std::memset(portInterrupt, 0, sizeof(portInterrupt));
    currentAdapter = 0;
    currentDevice = 0;
}

std::wstring ModuleText(UINT id)
{
    wchar_t text[1024] = {};
    LoadStringW(languageModule, id, text, 1024);
    return text;
}

MessageBoxWatcher::MessageBoxWatcher()
{
    watcher = this;
    hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    UnhookWindowsHookEx(hook);
    watcher = nullptr;
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const
{
    std::vector<std::wstring> texts;
    for (const ShownBox &b : boxes)
        texts.push_back(b.text);
    return texts;
}
