// A robot that uses the real ktrcfg.exe as a person would: it starts the
// program from the program folder and drives it only through its windows:
// menu commands, buttons, list double-clicks, picker buttons, typed text,
// message boxes answered with OK.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class Robot {
public:
    ~Robot();
    // Starts ktrcfg.exe from the current folder (or the program given, in
    // the current folder given) and waits for its main window.
    bool Start(const std::wstring &program = L"ktrcfg.exe", const std::wstring &currentFolder = L"");
    // Starts the program without waiting for anything.
    bool Launch(const std::wstring &program, const std::wstring &currentFolder = L"");
    // The program's exit code once it has ended.
    DWORD ExitCode() const;
    bool WaitForExit(DWORD milliseconds = 10000);
    // Watches the program until it ends; false when it showed a message box
    // on its way out (answered with OK) or did not end in time.
    bool EndsWithoutMessageBox(DWORD milliseconds = 10000);
    bool Running() const;

    HWND main = nullptr;

    // Every wait of the robot: asks until ready() holds, false when it did not within the time.
    static bool Until(const std::function<bool()> &ready, DWORD milliseconds = 5000);
    // The program's dialog that currently takes input (its modal loop's
    // window), message boxes included; null after the timeout.
    HWND WaitForDialog(DWORD milliseconds = 5000);
    // The dialog that opens over the window given (owned by it), a message box
    // included; null after the timeout.
    HWND DialogOver(HWND under, DWORD milliseconds = 5000);
    // Waits for a message box, records its text and answers it with OK.
    std::wstring AnswerMessageBox(DWORD milliseconds = 5000);
    bool IsMessageBox(HWND dialog) const;

    void Command(HWND window, int id);          // a menu or button command, posted
    void Click(HWND dialog, int buttonId);      // a click on a button of a dialog
    // Once the list shows the row.
    void DoubleClickRow(HWND dialog, int listId, int row);
    void Type(HWND edit, const std::wstring &text);
    std::vector<std::wstring> Lines(HWND list);
    // The list's lines once done(lines) holds, or as the timeout leaves them;
    // the dialogs fill their lists as they paint.
    static std::vector<std::wstring> WaitForLines(HWND list,
                                                  const std::function<bool(const std::vector<std::wstring> &)> &done,
                                                  DWORD milliseconds = 5000);
    static std::vector<std::wstring> WaitForLines(HWND list, std::size_t count, DWORD milliseconds = 5000);
    // The window is uncovered: it repaints, as after a window that lay over
    // it went away; back once it has.
    void Expose(HWND window);
    // A picture of the window as the screen shows it, as a BMP file.
    bool Snapshot(HWND window, const std::wstring &path);
    // Waits until the window is gone.
    bool WaitClosed(HWND window, DWORD milliseconds = 5000);
    // Lets the program work off what was posted to it.
    void Settle();

private:
    PROCESS_INFORMATION process = {};
};
