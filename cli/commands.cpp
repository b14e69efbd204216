#include "cli/commands.h"

#include <vector>

#include "cli/outcome.h"
#include "cli/output.h"
#include "cli/report.h"
#include "cli/settings_table.h"
#include "discovery/device_map.h"
#include "event_log/event_log.h"
#include "settings_file/settings_file.h"
#include "settings_file/settings_history.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "store/chip_table.h"
#include "store/settings_transport.h"

namespace {

std::string ChipText(int adapter)
{
    return AdapterUnread(adapter) ? "Unknown" : Utf8(ChipName(savedRecords[adapter].chipType));
}

std::string PortText(int adapter)
{
    return "port " + std::to_string(AdapterPort(adapter));
}

// Standard output's human lines; with --json it holds the document only.
// False, and said on standard error, when they could not all be written.
bool Say(const std::string &text)
{
    if (outcome.json || outcome.unprinted || Print(text))
        return !outcome.unprinted;
    outcome.unprinted = true;
    Complain("standard output could not be written");
    return false;
}

// Finds the adapters; the console program edits what they hold, byte for byte.
bool Load()
{
    return LoadAdapters(ImageLoad::Exact);
}

// The adapters that a command concerns: the one at --port or all.
bool Concerned(const Arguments &arguments, std::vector<int> &adapters, int &code)
{
    adapters.clear();
    if (!Load()) {
        code = kExitAdapter;
        Complain("no adapter of the family was found");
        return false;
    }
    if (arguments.port >= 0) {
        const int adapter = AdapterAtPort(arguments.port);
        if (adapter < 0) {
            Complain("no adapter of the family at port " + std::to_string(arguments.port), arguments.port);
            code = kExitRefused;
            return false;
        }
        adapters.push_back(adapter);
    } else {
        for (int i = 0; i < adapterCount; ++i)
            adapters.push_back(i);
    }
    return true;
}

// Says why the adapter's request failed; the request lacked the rights when
// the device refused access.
void ComplainOfRequest(int adapter, const char *what)
{
    const int port = AdapterPort(adapter);
    Complain(PortText(adapter) + ": the settings could not be " + what, port);
    if (requestErrors[adapter] == ERROR_ACCESS_DENIED)
        Complain(PortText(adapter) + ": access to the adapter was denied: run it from an elevated prompt", port);
}

// One line on standard error for each adapter that was not read or whose
// stored settings were invalid; kExitAdapter when one was not read.
int ComplainOfLoad(const std::vector<int> &adapters)
{
    int code = kExitDone;
    for (int i : adapters) {
        if (AdapterUnread(i)) {
            ComplainOfRequest(i, "read");
            code = kExitAdapter;
        } else if (AdapterDefaulted(i)) {
            Warn(PortText(i) + " (" + ChipText(i) +
                     "): its stored settings are invalid, defaults are shown; restore a backup to put them back",
                 AdapterPort(i));
        }
    }
    return code;
}

int List(const Arguments &arguments)
{
    std::vector<int> adapters;
    int code = kExitDone;
    const bool found = Concerned(arguments, adapters, code);
    std::string text = "port  chip       I/O   IRQ  valid\n", json = "[";
    for (std::size_t n = 0; n < adapters.size(); ++n) {
        const int i = adapters[n];
        // The registry's numbers are 32 bits wide, whatever their sign.
        const auto io = static_cast<unsigned>(portIoAddress[i]), irq = static_cast<unsigned>(portInterrupt[i]);
        char line[160];
        wsprintfA(line, "%s\n    {\"port\": %d, \"chip\": %s, \"chipCode\": %d, \"ioAddress\": %u, \"interrupt\": %s, "
                        "\"valid\": %s}",
                  n ? "," : "", AdapterPort(i), JsonString(AdapterUnread(i) ? "" : ChipText(i)).c_str(),
                  savedRecords[i].chipType, io,
                  portInterrupt[i] == kNoInterrupt ? "null" : std::to_string(irq).c_str(),
                  AdapterUnread(i) ? "null" : AdapterDefaulted(i) ? "false" : "true");
        json += line;
        char interrupt[16] = "--";
        if (portInterrupt[i] != kNoInterrupt)
            wsprintfA(interrupt, "%02u", irq);
        wsprintfA(line, "%4d  %-9s  %04X  %-3s  %s\n", AdapterPort(i), ChipText(i).c_str(), io, interrupt,
                  AdapterUnread(i) ? "not read" : AdapterDefaulted(i) ? "no" : "yes");
        text += line;
    }
    AddKey("adapters", json + (adapters.empty() ? "]" : "\n  ]"));
    if (!found)
        return code;
    Say(text);
    return ComplainOfLoad(adapters);
}

int Show(const Arguments &arguments)
{
    std::vector<int> adapters;
    int code = kExitDone;
    const bool found = Concerned(arguments, adapters, code);
    std::string text, json = "[";
    for (std::size_t n = 0; n < adapters.size(); ++n) {
        const int i = adapters[n];
        json += (n ? ",\n" : "\n") + AdapterJson(i);
        if (AdapterUnread(i))
            continue;
        text += (text.empty() ? "" : "\n") + PortText(i) + ": " + ChipText(i) +
                (AdapterDefaulted(i) ? ", stored settings invalid: defaults shown" : ", stored settings valid") + "\n";
        text += SettingsTable(i);
    }
    AddKey("adapters", json + (adapters.empty() ? "]" : "\n  ]"));
    if (!found)
        return code;
    Say(text);
    return ComplainOfLoad(adapters);
}

int Backup(const Arguments &arguments)
{
    AddKey("file", JsonString(Utf8(arguments.file)));
    std::vector<int> adapters, skipped, backedUp;
    int code = kExitDone;
    if (!Concerned(arguments, adapters, code)) {
        AddKey("backedUp", "[]");
        AddKey("skipped", "[]");
        return code;
    }
    const FileResult result = WriteBackup(arguments.file, arguments.port, arguments.force, skipped);
    // The file's problem first: it decides the code before an adapter left out.
    if (result.problem != FileProblem::None)
        ComplainOfFile(arguments.file, result);
    code = ComplainOfLoad(adapters);
    std::string text;
    for (int i : adapters) {
        bool left = false;
        for (int port : skipped)
            left = left || port == AdapterPort(i);
        if (!left) {
            backedUp.push_back(AdapterPort(i));
            text += PortText(i) + ": " + ChipText(i) + ": backed up\n";
        } else if (AdapterDefaulted(i)) {
            Complain(PortText(i) + " (" + ChipText(i) + "): not backed up: its stored settings are invalid",
                     AdapterPort(i));
            code = kExitAdapter;
        }
    }
    if (result.problem != FileProblem::None) {
        backedUp.clear();
        // Adapters left out are the reason when none holds usable settings.
        if (result.problem != FileProblem::InvalidAdapter || code != kExitAdapter)
            code = Precedent(code, ExitCodeOf(result.problem));
    } else {
        Say(text + ShownArgument(arguments.file) + ": written\n");
    }
    AddKey("backedUp", PortsJson(backedUp));
    AddKey("skipped", PortsJson(skipped));
    return code;
}

std::string ChangeLines(const std::vector<SettingChange> &changes)
{
    std::string text;
    for (const SettingChange &c : changes)
        text += "port " + std::to_string(c.port) + ": " + ChangeText(c) + "\n";
    return text;
}

// What a command that reads a file makes of it: the changes, or why it is refused.
using FileAction = FileResult (*)(const SettingsFile &file, const Arguments &arguments,
                                  std::vector<SettingChange> &changes);

FileResult RestoreFile(const SettingsFile &file, const Arguments &arguments, std::vector<SettingChange> &changes)
{
    return RestoreBackup(file, arguments.port, arguments.otherComputer, changes);
}

FileResult ApplyFile(const SettingsFile &file, const Arguments &arguments, std::vector<SettingChange> &changes)
{
    return ApplySettings(file, arguments.port, changes);
}

FileResult VerifyFile(const SettingsFile &file, const Arguments &arguments, std::vector<SettingChange> &changes)
{
    return VerifySettings(file, arguments.port, arguments.otherComputer, changes);
}

// The members of restore's and apply's document, in every outcome.
struct Written {
    bool dryRun = false;
    std::vector<int> written, unwritten;
};

void AddWritten(const CommandRow &row, const Written &w)
{
    if (!row.writesAdapters)
        return;
    AddKey("dryRun", w.dryRun ? "true" : "false");
    AddKey("written", PortsJson(w.written));
    AddKey("notWritten", PortsJson(w.unwritten));
}

// Writes the modified adapters and says how each ended: the code.
int WriteModified(const std::vector<int> &modified, Written &w)
{
    std::uint32_t changedElsewhere = 0;
    // An adapter that another program changed is not written, with or without changes left.
    const std::uint32_t failed = SaveAllAdapterSettings(&changedElsewhere) | changedElsewhere;
    std::string text;
    for (int i : modified) {
        (failed & (1u << i) ? w.unwritten : w.written).push_back(AdapterPort(i));
        text += PortText(i) + ((failed & (1u << i)) ? ": not written\n" : ": written\n");
    }
    outcome.wrote = !w.written.empty();
    Say(text);
    for (int i : modified) {
        if (changedElsewhere & (1u << i))
            Complain(PortText(i) + ": another program changed the adapter after it was read: not written; "
                                   "run the command again",
                     AdapterPort(i));
        else if (failed & (1u << i))
            ComplainOfRequest(i, requestWasRead[i] ? "read" : "written");
    }
    return failed ? kExitAdapter : kExitDone;
}

// A command that reads a file: every adapter that the file names is checked
// before any record changes; then the changes are printed, then written, or
// compared when the command writes nothing.
int Change(const Arguments &arguments, FileAction action)
{
    const CommandRow &row = RowOf(arguments.command);
    if (adapterCount == 0)  // undo has found them already
        Load();
    SettingsFile file;
    FileResult result = ReadSettingsFile(arguments.file, file);
    std::vector<SettingChange> changes;
    if (result.problem == FileProblem::None)
        result = action(file, arguments, changes);
    AddKey("changes", ChangesJson(changes));
    Written w;
    w.dryRun = arguments.dryRun;
    const bool records = row.recordsEvents && !arguments.dryRun;  // a dry run, as verify, records nothing
    if (records) {
        SetEventContext("ktrcli", CommandWord(arguments.command), arguments.file);
        KeepHistory("ktrcli", CommandWord(arguments.command));
    }
    if (result.problem != FileProblem::None) {
        AddWritten(row, w);
        ComplainOfFile(arguments.file, result);
        if (records && ExitCodeOf(result.problem) == kExitRefused)
            RecordRefusal(DescribeProblem(arguments.file, result));
        const int adapter = AdapterAtPort(result.port);
        if (result.problem == FileProblem::Unread && adapter >= 0)
            ComplainOfRequest(adapter, "read");
        return ExitCodeOf(result.problem);
    }
    if (!row.writesAdapters) {
        Say(changes.empty() ? "the adapters hold what the file says\n" : ChangeLines(changes));
        return changes.empty() ? kExitDone : kExitDiffers;
    }
    std::vector<int> modified;
    for (int i = 0; i < adapterCount; ++i)
        if (workingRecords[i].modified)
            modified.push_back(i);
    int code = kExitDone;
    if (changes.empty() && modified.empty()) {
        Say("nothing to change\n");
    } else if (arguments.dryRun) {
        std::string text = ChangeLines(changes);
        for (int i : modified) {
            text += PortText(i) + ": would be written (dry run)\n";
            w.unwritten.push_back(AdapterPort(i));
        }
        Say(text);
    } else if (!Say(ChangeLines(changes))) {
        // What would change could not be told: nothing is written.
        for (int i : modified)
            w.unwritten.push_back(AdapterPort(i));
        code = kExitUsage;
    } else {
        code = WriteModified(modified, w);
    }
    AddWritten(row, w);
    return code;
}

// The states kept before each change, newest first.
int History(const Arguments &arguments)
{
    std::vector<KeptState> states;
    const HistoryFolder folder = ListKeptStates(arguments.port, states);
    std::string text = "port  taken                     program  action   file\n", json = "[";
    // Each word in its column, the columns as wide as their headings' room.
    auto cell = [](std::string word, std::size_t width) {
        word = word.empty() ? "?" : word;
        return word + std::string(word.size() < width ? width - word.size() : 0, ' ') + "  ";
    };
    for (std::size_t n = 0; n < states.size(); ++n) {
        const KeptState &k = states[n];
        json += std::string(n ? "," : "") + "\n    {\"port\": " + std::to_string(k.port) + ", \"taken\": " +
                JsonString(k.taken) + ", \"program\": " + JsonString(k.program) + ", \"action\": " +
                JsonString(k.action) + ", \"file\": " + JsonString(Utf8(k.file)) + "}";
        const std::string port = std::to_string(k.port);
        text += std::string(4 - port.size(), ' ') + port + "  " + cell(k.taken, 24) + cell(k.program, 7) +
                cell(k.action, 7) + Utf8(k.file) + "\n";
    }
    AddKey("states", json + (states.empty() ? "]" : "\n  ]"));
    if (folder.check == FolderCheck::Unsafe || folder.check == FolderCheck::Failed) {
        Complain(FolderProblem(folder) + ": " + Utf8(folder.path));
        return kExitAdapter;
    }
    Say(text);
    return kExitDone;
}

// Puts back the newest state kept of the port: a restore of it, which keeps
// the state that it replaces.
int Undo(const Arguments &arguments)
{
    Arguments undo = arguments;
    undo.otherComputer = true;  // the machine's own, whatever its name was then
    // Every key of the document, when nothing is put back.
    auto unchanged = [&arguments](int code, const std::string &problem, int port) {
        if (!problem.empty())
            Complain(problem, port);
        AddKey("file", "null");
        AddKey("changes", "[]");
        Written w;
        w.dryRun = arguments.dryRun;
        AddWritten(RowOf(Command::Undo), w);
        return code;
    };
    if (!Load())
        return unchanged(kExitAdapter, "no adapter of the family was found", -1);
    if (undo.port < 0 && adapterCount > 1) {
        std::string ports;
        for (int i = 0; i < adapterCount; ++i)
            ports += (i ? ", " : "") + std::to_string(AdapterPort(i));
        return unchanged(kExitUsage, "undo: this machine has several adapters: name one with --port N (ports " + ports + ")",
                         -1);
    }
    if (undo.port < 0)
        undo.port = AdapterPort(0);
    const int adapter = AdapterAtPort(undo.port);
    if (adapter < 0)
        return unchanged(kExitRefused, "no adapter of the family at port " + std::to_string(undo.port), undo.port);
    if (AdapterUnread(adapter)) {
        ComplainOfRequest(adapter, "read");
        return unchanged(kExitAdapter, {}, undo.port);
    }
    HeldState state = HoldNewestState(undo.port, heldImages[adapter]);
    for (const auto &[file, why] : state.passedOver)
        Warn(PortText(adapter) + ": " + Utf8(file) + ": passed over: " + why, undo.port);
    int code = kExitAdapter;
    if (state.folder.check == FolderCheck::Unsafe || state.folder.check == FolderCheck::Failed) {
        code = unchanged(code, FolderProblem(state.folder) + ": " + Utf8(state.folder.path), undo.port);
    } else if (state.path.empty()) {
        code = unchanged(code, PortText(adapter) + ": nothing to undo", undo.port);
    } else {
        // What was checked is what is read: the file and its folder stay held meanwhile.
        undo.file = state.path.c_str();
        AddKey("file", JsonString(Utf8(undo.file)));
        code = Change(undo, RestoreFile);
    }
    ReleaseState(state);
    return code;
}

}  // namespace

int RunCommand(const Arguments &arguments)
{
    switch (arguments.command) {
    case Command::Help:
        if (outcome.json)
            AddKey("help", JsonString(kHelpText));
        else
            Say(kHelpText);
        return kExitDone;
    case Command::List:
        return List(arguments);
    case Command::Show:
        return Show(arguments);
    case Command::Backup:
        return Backup(arguments);
    case Command::Restore:
        return Change(arguments, RestoreFile);
    case Command::Apply:
        return Change(arguments, ApplyFile);
    case Command::Verify:
        return Change(arguments, VerifyFile);
    case Command::History:
        return History(arguments);
    case Command::Undo:
        return Undo(arguments);
    }
    return kExitUsage;
}
