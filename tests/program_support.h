// Helpers for tests that drive the program's own procedures: the language
// module as the program loads it, a clean slate of the program's globals,
// and a watcher that answers and records the message boxes shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Loads the module (default English) as the program does, from beside the
// running program, into languageModule, and string 1 into windowCaption;
// warnings of the lowest layers show as the program's boxes.
void LoadLanguage(const wchar_t *module = L"eng_lang");
// Frees the device map records and zeroes every record, count and flag, and
// forgets the main window.
void ResetProgramState();
std::wstring ModuleText(UINT id);
// Empties and removes the machine's history folder, as on a machine where nothing was kept yet.
void ClearHistory();
// Makes the history folder (and the one above it) as any program makes a folder, with the access
// list that it inherits; true when it was not there before.
bool MakeHistoryFolder();
// The names of the files in the history folder (of one port's states; -1: all), in the order of their names.
std::vector<std::wstring> KeptFiles(int port);
// The full name of the newest state kept of port, "(none kept)" when there is none.
std::wstring NewestKept(int port);
// A file of the history folder as the settings file reader takes it: its one adapter's image
// (empty when it cannot be read), and the program and action that changed the adapter next.
struct KeptFile {
    std::vector<std::uint8_t> image;
    std::string changedBy, action;
};
KeptFile ReadKept(const std::wstring &name);
// Who besides Administrators, the system and this account owns the folder or may
// write in it, as the system reads its access list back: "" for no one.
std::string FolderWriters(const std::wstring &folder);
// Opens the folder to everyone; gives a folder or file to another account (on Wine: another Unix user).
bool GrantEveryone(const std::wstring &folder);
bool GiveToAnotherAccount(const std::wstring &path);
// A window's text, as GetWindowTextW reads it (another process's windows too).
std::wstring WindowText(HWND window);
// A module file of the current folder, loaded as the program loads modules: as data.
HMODULE LoadModuleFile(const std::wstring &file);
// The language module files of the current folder, in the order that the platform lists them.
std::vector<std::wstring> LanguageModuleFiles();
// The line of the language dialog that lists the module (its place in that order), or -1.
int LanguageLineOf(const wchar_t *module);

// From a WH_CBT hook: the dialog (message boxes included) being created, or
// null for any other window and any other hook code.
HWND NewTopLevelDialog(int code, WPARAM wParam, LPARAM lParam);

struct ShownBox {
    std::wstring caption;
    std::wstring text;
    HICON icon;
    HWND owner;
};

// While it lives, every message box of this thread is recorded and closed
// with OK as soon as it is shown.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    std::vector<ShownBox> boxes;
    std::vector<std::wstring> Texts() const;

private:
    HHOOK hook;
};

// The path of a language module that only the tests use (tests/language_fixture.rc).
std::wstring FixtureModule(const wchar_t *name);

// Gives adapter i a device map entry (as discovery would) listing the targets.
void AddDeviceMap(int adapter, int port, std::initializer_list<int> targets);

// Points this test program's import of a function (the product's code is
// linked into it) at another; returns what it pointed at, null when not imported.
void *SwapImport(const char *name, void *replacement);

// The lines of a file of the source tree (a path such as L"docs\\settings-file.md"),
// without their line ends; none when it cannot be read.
std::vector<std::string> SourceLines(const wchar_t *relative);

// A console program's run: its exit code and what it wrote.
struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;  // also when it could not start, or did not end in time
    std::string out, err;         // its standard output and error, as written
    // The lines of out or err, without their line ends.
    static std::vector<std::string> Lines(const std::string &text);
};

// Runs the command line (the program's quoted path first) with its standard
// output and error on pipes and no standard input, from folder (empty: the
// current one), and waits at most timeoutMs for its end.
ProgramRun RunProgram(const std::wstring &commandLine, const std::wstring &folder = L"", DWORD timeoutMs = 120000);
