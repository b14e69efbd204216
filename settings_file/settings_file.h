// Settings files: plain UTF-8 JSON that holds named settings per adapter
// and, in a backup, each adapter's exact image. A file is read and checked
// whole against the adapters found before any record changes; nothing here
// talks to an adapter or shows anything.
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
    BadValue,         // field: a value of the wrong type or outside its range
    DuplicatePort,    // port
    NoSuchAdapter,    // port: no adapter of the family there (or one not named by --port)
    OtherChip,        // port; detail: the chip the file names
    BadImage,         // port: the image is not 1260 bytes, or its checksum fails
    EditedBackup,     // port; field: the first named setting that disagrees with the image
    InvalidAdapter,   // port: apply on an adapter whose stored settings were invalid, or unread
    Refused,          // port; field; detail: the rule (host ID taken by a device, rate not offered...)
    CannotWrite,      // a backup that cannot be written; nothing is left behind
    NotBackup,        // a restore from a template: it holds no images
};

struct FileResult {
    FileProblem problem = FileProblem::None;
    int line = 0;        // of the file, where it helps; 0 otherwise
    int port = -1;       // the adapter's port, where one is concerned
    std::string field;   // JSON path of the field concerned
    std::string detail;  // further English words for the console program
};

// One setting that a restore or an apply changes, in English words.
struct SettingChange {
    int adapter;         // index into workingRecords
    int port;
    std::string field;   // e.g. "hostId", "devices[3].busWidth"
    std::string before;  // as the English module shows it
    std::string after;
};


// Every named setting of savedRecords[adapter], in the file's order, worded
// as the change list words them ("hostId", "7"): for show.
std::vector<std::pair<std::string, std::string>> NamedSettings(int adapter);
// One adapter as a backup holds it, without its image, as a JSON object
// (UTF-8 text): for show --json.
std::string AdapterJson(int adapter);

// Reads and parses the whole file (at most kMaxSettingsFileBytes).
FileResult ReadSettingsFile(const wchar_t *path, SettingsFile &file);

// Writes a backup of savedRecords (what the adapters hold): every adapter
// with a usable image, or only the one at port (-1: all). Adapters whose
// image was not read or was invalid are not backed up; their ports are
// returned in skipped. Written to a temporary file beside path, then
// renamed over it. NoSuchAdapter when there is no adapter (at port),
// InvalidAdapter when none holds usable settings, CannotWrite.
FileResult WriteBackup(const wchar_t *path, int port, std::vector<int> &skipped);

// Both check every adapter that the file names (or only port, -1: all)
// against the adapters found, then change workingRecords: a restore puts
// each backup's image back whole, an apply sets the named settings by the
// rules the dialogs keep. An adapter whose image changes is marked
// modified; the changes are listed in order (bytes that no name covers
// as one change "otherBytes", after "N changed"). On a problem nothing
// changes. A restore needs a backup (NotBackup).
FileResult RestoreBackup(const SettingsFile &file, int port, std::vector<SettingChange> &changes);
FileResult ApplySettings(const SettingsFile &file, int port, std::vector<SettingChange> &changes);
