// Settings files: plain UTF-8 JSON that holds named settings per adapter
// and, in a backup, each adapter's exact image as the adapter holds it. A
// file is read and checked whole against the adapters found before any
// record changes; nothing here talks to an adapter or shows anything.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings_file/settings_model.h"  // SettingsFile, FileKind: the file as read

constexpr int kSettingsFileFormat = 1;
constexpr std::uint32_t kMaxSettingsFileBytes = 1024 * 1024;

// Why a file was refused, or could not be written. The console program
// words each one itself in English; the windowed program shows the string
// of its language module that belongs to it.
enum class FileProblem {
    None,
    CannotRead,       // the file cannot be opened or read
    TooLarge,         // over kMaxSettingsFileBytes
    Empty,
    NotJson,          // line: where parsing stopped (also a truncated file)
    FutureFormat,     // detail: the format version found
    UnknownKey,       // field: the key's path, e.g. "adapters[0].settings.hostID"
    BadValue,         // field: a value of the wrong type or outside its range; a key given twice (line)
    NotBackup,        // a restore from a template: it holds no images
    Exists,           // a backup would replace a file that is there already
    CannotWrite,      // a backup that cannot be written; nothing is left behind
    DuplicatePort,    // port
    NoSuchAdapter,    // port: no adapter of the family there (or one not named by --port)
    OtherChip,        // port; value: the chip the file names
    OtherComputer,    // value: the computer that the backup names; detail names this one
    BadImage,         // port: the image is not 1260 bytes, or its checksum fails
    EditedBackup,     // port; field: the first named setting that disagrees with the image
    InvalidAdapter,   // port: apply on an adapter whose stored settings were invalid
    Unread,           // port: the adapter's settings could not be read
    Refused,          // port; field; value; detail: the rule (host ID taken by a device, rate not offered...)
};

struct FileResult {
    FileProblem problem = FileProblem::None;
    int line = 0;        // of the file, where it helps; 0 otherwise
    int port = -1;       // the adapter's port, where one is concerned
    std::string field;   // JSON path of the field concerned
    std::string value;   // the value concerned, as the file gives it
    std::string detail;  // further English words for the console program
    DWORD error = 0;     // CannotWrite: the system's error, where there is one
};

// One setting that differs between what an adapter holds and what a file
// makes of it, in English words.
struct SettingChange {
    int adapter;         // index into workingRecords
    int port;
    std::string field;   // e.g. "hostId", "devices[3].busWidth"
    std::string before;  // as the English module shows it
    std::string after;
};

// A text of a file (or of a command line), as a message may echo it:
// control characters and marks that would break or disguise a line
// escaped, bytes that are not UTF-8 shown in hexadecimal, and cut after
// most characters.
std::string Shown(const std::string &text, std::size_t most = 48);

// What differs between two images of one adapter, appended in the file's
// order; bytes that no name covers are counted under "otherBytes".
void ListChanges(int adapter, int port, const SettingsImage &before, const SettingsImage &after,
                 std::vector<SettingChange> &changes);

// A change as every record of it words it: "hostId: 7 -> 6",
// "otherBytes: 3 changed".
std::string ChangeText(const SettingChange &change);

// This computer's name, as a backup records it.
std::string ThisComputer();

// Every named setting of the adapter as it holds them, in the file's order,
// worded as the change list words them ("hostId", "7"): for show.
std::vector<std::pair<std::string, std::string>> NamedSettings(int adapter);
// One adapter as a backup holds it, without its image, as a JSON object
// (UTF-8 text), with "valid": for show --json.
std::string AdapterJson(int adapter);

// Reads and parses the whole file (at most kMaxSettingsFileBytes).
FileResult ReadSettingsFile(const wchar_t *path, SettingsFile &file);

// Writes a backup of what the adapters hold (their held images): every
// adapter with usable settings, or only the one at port (-1: all), with
// this computer's name and the time. Adapters whose settings were not read
// or were invalid are not backed up; their ports are returned in skipped.
// Written to a temporary file beside path, then renamed to it; an existing
// file is replaced only when replace is set (else Exists). NoSuchAdapter
// when there is no adapter (at port); then Exists before InvalidAdapter,
// when none holds usable settings; CannotWrite, also when this computer's
// name cannot be read.
FileResult WriteBackup(const wchar_t *path, int port, bool replace, std::vector<int> &skipped);

// Each checks every adapter that the file names (or only port, -1: all)
// against the adapters found first, and lists what differs from what each
// adapter holds (bytes that no name covers as one change "otherBytes",
// after "N changed"; an adapter whose stored settings were invalid first
// as "storedSettings: invalid -> valid"). On a problem nothing changes.
//
// A restore puts each backup's image whole into the working records; an
// apply sets the named settings there. Every value that changes must keep
// the rules of the settings windows. An adapter is marked modified when
// its image then differs from what it holds, and not otherwise. A restore
// needs a backup (NotBackup) of this computer (OtherComputer) unless
// otherComputer is set.
FileResult RestoreBackup(const SettingsFile &file, int port, bool otherComputer, std::vector<SettingChange> &changes);
FileResult ApplySettings(const SettingsFile &file, int port, std::vector<SettingChange> &changes);
// Compares without changing anything: a backup by its images, a template by
// the settings it names. No rule applies.
FileResult VerifySettings(const SettingsFile &file, int port, bool otherComputer, std::vector<SettingChange> &changes);
