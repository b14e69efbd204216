// Writing a backup: the layout of the file, and a write that either
// replaces the file whole or leaves nothing behind.
#include <windows.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "store/adapters.h"
#include "ktr_version.h"
#include "settings_file/settings_check.h"
#include "settings_file/settings_internal.h"

namespace {

std::string Quoted(const std::string &text)
{
    return nlohmann::json(text).dump();
}

std::string Hex(const std::uint8_t *bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string DeviceLine(int id, const DeviceEntry &e)
{
    std::string line = "{\"id\": " + std::to_string(id);
    for (const SettingField &field : deviceFields)
        line += std::string(", \"") + field.key + "\": " + FileValue(field, Bytes(e));
    return line + "}";
}

constexpr std::size_t kHexLineBytes = 32;

// The full name that path stands for now (a drive-relative or relative
// name included), and whether a file there may be written.
FileResult Destination(const wchar_t *path, bool replace, wchar_t (&full)[MAX_PATH])
{
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return Problem(FileProblem::CannotWrite, -1, {}, "the name is not a file's");
    if (!replace && GetFileAttributesW(full) != INVALID_FILE_ATTRIBUTES)
        return Problem(FileProblem::Exists, -1, {}, "is there already: --force replaces it");
    return {};
}

// A time as a backup records it: "2026-12-10T16:42:07Z".
std::string TimeText(const SYSTEMTIME &time)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

// The lines of a backup before its adapters; "" when this computer's name cannot be read.
std::string Heading(const SYSTEMTIME &taken, const char *changedBy, const char *action)
{
    // Its own reader refuses a backup that names no computer.
    const std::string computer = ThisComputer();
    if (computer.empty())
        return {};
    std::string text = "{\n  \"format\": " + std::to_string(kSettingsFileFormat) + ",\n";
    text += "  \"program\": " + Quoted(KTR_VERSION_TEXT) + ",\n";
    text += "  \"kind\": \"backup\",\n";
    text += "  \"computer\": " + Quoted(computer) + ",\n";
    text += "  \"taken\": " + Quoted(TimeText(taken)) + ",\n";
    if (changedBy)
        text += "  \"changedBy\": " + Quoted(changedBy) + ",\n  \"action\": " + Quoted(action) + ",\n";
    return text + "  \"adapters\": [\n";
}

// A write that failed with the system's error.
FileResult CannotWrite(DWORD error)
{
    FileResult result = Problem(FileProblem::CannotWrite, -1, {}, "error " + std::to_string(error));
    result.error = error;
    return result;
}

// Puts text at path whole, or leaves nothing: the text goes to a new file
// beside it first, which then takes its name. A file already at path is
// replaced only when replace is set.
FileResult WriteWhole(const wchar_t *path, const std::string &text, bool replace)
{
    wchar_t full[MAX_PATH] = {};
    const FileResult destination = Destination(path, replace, full);
    if (destination.problem != FileProblem::None)
        return destination;
    std::wstring folder = full;
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    wchar_t temporary[MAX_PATH + 16] = {};
    if (folder.size() > MAX_PATH - 14)
        return CannotWrite(ERROR_FILENAME_EXCED_RANGE);
    if (!GetTempFileNameW(folder.c_str(), L"ktr", 0, temporary))
        return CannotWrite(GetLastError());
    HANDLE handle = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = 0;
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        DWORD written = 0;
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(handle))
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        CloseHandle(handle);
    }
    if (!error && !MoveFileExW(temporary, full, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) {
        DeleteFileW(temporary);
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            return Problem(FileProblem::Exists, -1, {}, "is there already: --force replaces it");
        return CannotWrite(error);
    }
    return {};
}

}  // namespace

std::string AdapterObjectText(int adapter, const SettingsImage &image, bool withImage, int indent)
{
    const AdapterRecord &record = savedRecords[adapter];
    const std::string in(static_cast<std::size_t>(indent), ' ');
    const std::string in2 = in + "  ", in3 = in2 + "  ", in4 = in3 + "  ";
    const int port = AdapterPort(adapter);
    std::string text = "{\n";
    text += in2 + "\"port\": " + std::to_string(port) + ",\n";
    text += in2 + "\"chip\": " + Quoted(ChipNameUtf8(record.chipType)) + ",\n";
    text += in2 + "\"chipCode\": " + std::to_string(record.chipType);
    if (!withImage)
        text += ",\n" + in2 + "\"valid\": " + (AdapterUnread(adapter) ? "null" : AdapterUsable(adapter) ? "true" : "false");
    if (AdapterUnread(adapter))
        return text + "\n" + in + "}";  // nothing was read: no settings to name
    text += ",\n";
    text += in2 + "\"settings\": {\n";
    for (const SettingField &field : adapterFields)
        text += in3 + "\"" + field.key + "\": " + FileValue(field, Bytes(image)) + ",\n";
    text += in3 + "\"devices\": [\n";
    for (int id = 0; id < kScsiIds; ++id)
        text += in4 + DeviceLine(id, image.deviceTable[static_cast<std::size_t>(id)]) + (id + 1 < kScsiIds ? ",\n" : "\n");
    text += in3 + "]\n";
    text += in2 + "}";
    if (withImage) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(&image);
        char crc[16];
        std::snprintf(crc, sizeof(crc), "%08lx", static_cast<unsigned long>(Crc32(bytes, kImageSize)));
        text += ",\n" + in2 + "\"image\": {\n";
        text += in3 + "\"length\": " + std::to_string(kImageSize) + ",\n";
        text += in3 + "\"crc32\": \"" + crc + "\",\n";
        text += in3 + "\"hex\": [\n";
        for (std::size_t at = 0; at < kImageSize; at += kHexLineBytes) {
            const std::size_t count = kImageSize - at < kHexLineBytes ? kImageSize - at : kHexLineBytes;
            text += in4 + "\"" + Hex(bytes + at, count) + "\"" + (at + count < kImageSize ? ",\n" : "\n");
        }
        text += in3 + "]\n";
        text += in2 + "}";
    }
    text += "\n" + in + "}";
    return text;
}

std::string AdapterJson(int adapter)
{
    if (adapter < 0 || adapter >= kMaxAdapters)
        return "{}";
    try {
        return AdapterObjectText(adapter, HeldImage(adapter), false, 0);
    } catch (...) {
        return "{}";
    }
}

FileResult WriteBackup(const wchar_t *path, int port, bool replace, std::vector<int> &skipped)
{
    skipped.clear();
    try {
        std::vector<int> backedUp;
        bool found = false;
        for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
            if (AdapterPort(i) < 0 || (port >= 0 && AdapterPort(i) != port))
                continue;
            found = true;
            // An image that was not read, or whose defaults were substituted, is not the adapter's.
            if (!AdapterUsable(i))
                skipped.push_back(AdapterPort(i));
            else
                backedUp.push_back(i);
        }
        if (!found)
            return Problem(FileProblem::NoSuchAdapter, port, {}, "no adapter of the family to back up");
        // The file's own problem goes before the adapters'.
        wchar_t full[MAX_PATH] = {};
        const FileResult destination = Destination(path, replace, full);
        if (destination.problem != FileProblem::None)
            return destination;
        if (backedUp.empty())
            return Problem(FileProblem::InvalidAdapter, skipped.front(), {}, "no adapter holds usable settings");
        SYSTEMTIME now;
        GetSystemTime(&now);
        std::string text = Heading(now, nullptr, nullptr);
        if (text.empty())
            return Problem(FileProblem::CannotWrite, -1, {}, "this computer's name could not be read");
        for (std::size_t n = 0; n < backedUp.size(); ++n)
            text += "    " + AdapterObjectText(backedUp[n], HeldImage(backedUp[n]), true, 4) +
                    (n + 1 < backedUp.size() ? ",\n" : "\n");
        text += "  ]\n}\n";
        return WriteWhole(path, text, replace);
    } catch (...) {
        return Problem(FileProblem::CannotWrite, -1, {}, "out of memory");
    }
}

FileResult WriteKeptState(const wchar_t *path, int adapter, const SettingsImage &held, const SYSTEMTIME &taken,
                          const char *changedBy, const char *action)
{
    try {
        std::string text = Heading(taken, changedBy, action);
        if (text.empty())
            return Problem(FileProblem::CannotWrite, -1, {}, "this computer's name could not be read");
        text += "    " + AdapterObjectText(adapter, held, true, 4) + "\n  ]\n}\n";
        return WriteWhole(path, text, false);
    } catch (...) {
        return Problem(FileProblem::CannotWrite, -1, {}, "out of memory");
    }
}
