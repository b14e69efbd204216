#include "cli/commands.h"

#include <vector>

#include "cli/output.h"
#include "cli/report.h"
#include "discovery/device_map.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"
#include "store/adapters.h"
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

// The adapter at the port, or -1 with the refusal printed.
int ConcernedAdapter(int port)
{
    const int adapter = AdapterAtPort(port);
    if (adapter < 0)
        Complain("no adapter of the family at port " + std::to_string(port));
    return adapter;
}

// The adapters that a command concerns: the one at --port or all.
bool Concerned(const Arguments &arguments, std::vector<int> &adapters, int &code)
{
    adapters.clear();
    if (!LoadAdapters()) {
        code = arguments.port >= 0 ? kExitRefused : kExitAdapter;
        return false;
    }
    if (arguments.port >= 0) {
        const int adapter = ConcernedAdapter(arguments.port);
        if (adapter < 0) {
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
    Complain(PortText(adapter) + ": the settings could not be " + what);
    if (requestErrors[adapter] == ERROR_ACCESS_DENIED)
        Complain(PortText(adapter) + ": access to the adapter was denied: run it from an elevated prompt");
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
            Complain("warning: " + PortText(i) + " (" + ChipText(i) +
                     "): its stored settings are invalid, defaults are shown; restore a backup to put them back");
        }
    }
    return code;
}

// Concerned, and when no adapter is, an empty list for --json.
bool Gather(const Arguments &arguments, std::vector<int> &adapters, int &code)
{
    if (Concerned(arguments, adapters, code))
        return true;
    if (arguments.json && code == kExitAdapter)
        Print("{\"adapters\": []}\n");
    return false;
}

int List(const Arguments &arguments)
{
    std::vector<int> adapters;
    int code = kExitDone;
    if (!Gather(arguments, adapters, code))
        return code;
    std::string text = arguments.json ? "{\"adapters\": [\n" : "port  chip       I/O   IRQ  valid\n";
    for (std::size_t n = 0; n < adapters.size(); ++n) {
        const int i = adapters[n];
        char line[160];
        if (arguments.json) {
            const std::string irq = portInterrupt[i] == kNoInterrupt ? "null" : std::to_string(portInterrupt[i]);
            const char *valid = AdapterUnread(i) ? "null" : AdapterDefaulted(i) ? "false" : "true";
            wsprintfA(line, "  {\"port\": %d, \"chip\": %s, \"chipCode\": %d, \"ioAddress\": %d, \"interrupt\": %s, "
                            "\"valid\": %s}%s\n",
                      AdapterPort(i), JsonString(AdapterUnread(i) ? "" : ChipText(i)).c_str(), savedRecords[i].chipType,
                      portIoAddress[i], irq.c_str(), valid, n + 1 < adapters.size() ? "," : "");
        } else {
            char irq[8] = "--";
            if (portInterrupt[i] != kNoInterrupt)
                wsprintfA(irq, "%02d", portInterrupt[i]);
            wsprintfA(line, "%4d  %-9s  %04X  %-3s  %s\n", AdapterPort(i), ChipText(i).c_str(), portIoAddress[i], irq,
                      AdapterUnread(i) ? "not read" : AdapterDefaulted(i) ? "no" : "yes");
        }
        text += line;
    }
    if (arguments.json)
        text += "]}\n";
    Print(text);
    return ComplainOfLoad(adapters);
}

int Show(const Arguments &arguments)
{
    std::vector<int> adapters;
    int code = kExitDone;
    if (!Gather(arguments, adapters, code))
        return code;
    std::string text = arguments.json ? "{\"adapters\": [" : "";
    bool first = true;
    for (int i : adapters) {
        if (AdapterUnread(i))
            continue;
        if (arguments.json) {
            text += first ? "\n" : ",\n";
            text += AdapterJson(i);
        } else {
            text += first ? "" : "\n";
            text += PortText(i) + ": " + ChipText(i) + (AdapterDefaulted(i) ? " (stored settings invalid: defaults)" : "") + "\n";
            for (const auto &named : NamedSettings(i))
                text += "  " + named.first + ": " + named.second + "\n";
        }
        first = false;
    }
    if (arguments.json)
        text += "\n]}\n";
    Print(text);
    return ComplainOfLoad(adapters);
}

int Backup(const Arguments &arguments)
{
    std::vector<int> adapters;
    int code = kExitDone;
    if (!Concerned(arguments, adapters, code))
        return code;
    std::vector<int> skipped;
    const FileResult result = WriteBackup(arguments.file, arguments.port, skipped);
    const int load = ComplainOfLoad(adapters);
    if (result.problem != FileProblem::None) {
        Complain(DescribeProblem(arguments.file, result));
        return load == kExitAdapter ? kExitAdapter : ExitCodeOf(result.problem);
    }
    std::string text;
    for (int i : adapters) {
        bool wasSkipped = false;
        for (int port : skipped)
            wasSkipped = wasSkipped || port == AdapterPort(i);
        text += PortText(i) + ": " + ChipText(i) +
                (!wasSkipped ? ": backed up\n"
                 : AdapterUnread(i) ? ": not backed up: not read\n"
                             : ": not backed up: its stored settings are invalid\n");
    }
    text += Utf8(arguments.file) + ": written\n";
    Print(text);
    return load;
}

// Restore or apply: every adapter that the file names is checked before
// any record changes; then the changes are printed, then written.
int Change(const Arguments &arguments, bool restore)
{
    LoadAdapters();
    SettingsFile file;
    FileResult result = ReadSettingsFile(arguments.file, file);
    std::vector<SettingChange> changes;
    if (result.problem == FileProblem::None)
        result = restore ? RestoreBackup(file, arguments.port, changes) : ApplySettings(file, arguments.port, changes);
    if (result.problem != FileProblem::None) {
        Complain(DescribeProblem(arguments.file, result));
        for (int i = 0; i < adapterCount; ++i)
            if (AdapterPort(i) == result.port && AdapterUnread(i)) {
                ComplainOfRequest(i, "read");
                return kExitAdapter;
            }
        return ExitCodeOf(result.problem);
    }
    if (changes.empty()) {
        Print("nothing to change\n");
        return kExitDone;
    }
    std::string text;
    for (const SettingChange &c : changes)
        text += "port " + std::to_string(c.port) + ": " + c.field + ": " +
                (c.before.empty() ? c.after : c.before + " -> " + c.after) + "\n";
    std::vector<int> modified;
    for (int i = 0; i < adapterCount; ++i)
        if (workingRecords[i].modified)
            modified.push_back(i);
    if (arguments.dryRun) {
        for (int i : modified)
            text += PortText(i) + ": would be written (dry run)\n";
        Print(text);
        return kExitDone;
    }
    Print(text);
    const std::uint32_t failed = SaveAllAdapterSettings();
    text.clear();
    for (int i : modified)
        text += PortText(i) + ((failed & (1u << i)) ? ": not written\n" : ": written\n");
    Print(text);
    if (!failed)
        return kExitDone;
    for (int i : modified)
        if (failed & (1u << i))
            ComplainOfRequest(i, "written");
    return kExitAdapter;
}

}  // namespace

int RunCommand(const Arguments &arguments)
{
    switch (arguments.command) {
    case Command::Help:
        Print(kHelpText);
        return kExitDone;
    case Command::List:
        return List(arguments);
    case Command::Show:
        return Show(arguments);
    case Command::Backup:
        return Backup(arguments);
    case Command::Restore:
        return Change(arguments, true);
    case Command::Apply:
        return Change(arguments, false);
    }
    return kExitUsage;
}
