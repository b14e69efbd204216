#include "app/program.h"

#include <locale.h>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/shell.h"
#include "app/texts.h"
#include "event_log/event_log.h"
#include "language/module_contract.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "settings_file/settings_history.h"
#include "store/report.h"

bool StartProgram(HINSTANCE instance)
{
    LimitLibrarySearch();
    programInstance = instance;
    warningReporter = ShowWarningBox;
    SetEventContext("ktrcfg", "save", nullptr);
    KeepHistory("ktrcfg", "save");
    writeRecorder = RecordWrite;
    HBITMAP backdrop = LoadBitmapW(programInstance, MAKEINTRESOURCEW(IDB_BACKDROP));
    backdropBrush = CreatePatternBrush(backdrop);
    DeleteObject(backdrop);  // the brush keeps its own copy
    savedThreadLocale = GetThreadLocale();
    currentLcid = 1033;
    SetThreadLocale(currentLcid);
    lstrcpyW(localeName, L"english");
    _wsetlocale(LC_ALL, localeName);
    lstrcpyW(languageModuleName, L"eng_lang");
    languageModule = FindProgramFolder() ? LoadLanguageModule(languageModuleName) : nullptr;
    if (!HoldsEveryResource(languageModule)) {
        // Without its language module the program has no texts, menu or dialogs of its own.
        if (languageModule)
            FreeLibrary(languageModule);
        languageModule = nullptr;
        MessageBoxW(nullptr,
                    L"The language module eng_lang.dll was not found beside ktrcfg.exe, or it is damaged.\n"
                    L"Keep ktrcfg.exe in one folder with its *_lang.dll files.",
                    L"ktrcfg", MB_OK | MB_ICONERROR);
        SetThreadLocale(savedThreadLocale);
        DeleteObject(backdropBrush);
        backdropBrush = nullptr;
        return false;
    }
    RememberAppliedLanguage();
    LoadText(IDS_CAPTION, windowCaption, kCaptionRoom);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = programInstance;
    windowClass.hIcon = LoadIconW(programInstance, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = backdropBrush;
    windowClass.lpszClassName = windowCaption;
    RegisterClassExW(&windowClass);
    return true;
}

HWND CreateMainWindow()
{
    HMENU menu = LoadMenuW(languageModule, MAKEINTRESOURCEW(IDM_MAIN));
    mainWindow = CreateWindowExW(0, windowCaption, windowCaption, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 450, 350, nullptr, menu, programInstance, nullptr);
    if (!mainWindow) {
        // A module older than this text leaves the program's own words.
        if (!LoadText(IDS_NO_MAIN_WINDOW, textBuffer))
            lstrcpyW(textBuffer, L"The main window of ktrcfg could not be created.");
        MessageBoxW(nullptr, textBuffer, windowCaption, MB_OK | MB_ICONERROR);
        return nullptr;
    }
    FitMainWindow(mainWindow);
    return mainWindow;
}

int RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
