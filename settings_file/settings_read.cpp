// Reading a settings file: its size, the JSON, and every key and value of
// its structure. Nothing here looks at the adapters found.
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <unordered_set>
#include <nlohmann/json.hpp>

#include "settings_file/settings_internal.h"

using nlohmann::json;

namespace {

// The path of a key below path; a key of the file's own is shown safely.
std::string Join(const std::string &path, const std::string &key)
{
    const std::string shown = Shown(key);
    return path.empty() ? shown : path + "." + shown;
}

std::string At(const std::string &path, std::size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

// Every check records the first problem and returns false.
class Structure {
public:
    FileResult result;

    bool Fail(FileProblem problem, const std::string &field, const std::string &detail, int port = -1)
    {
        if (result.problem == FileProblem::None)
            result = Problem(problem, port, field, detail);
        return false;
    }

    // An object whose keys are all among the allowed ones.
    bool Keys(const json &value, const std::string &path, std::initializer_list<const char *> allowed)
    {
        return KeysOf(value, path, std::array<SettingField, 0>{}, allowed);
    }

    template <typename T>
    bool Number(const json &object, const char *key, const std::string &path, long long low, long long high,
                std::optional<T> &out)
    {
        const auto found = object.find(key);
        if (found == object.end())
            return true;
        if (!found->is_number_integer())
            return Fail(FileProblem::BadValue, Join(path, key), "is not a whole number");
        const long long v = found->get<long long>();
        if (found->is_number_unsigned() && found->get<unsigned long long>() > static_cast<unsigned long long>(high))
            return Fail(FileProblem::BadValue, Join(path, key), "is out of range");
        if (v < low || v > high)
            return Fail(FileProblem::BadValue, Join(path, key),
                        "is out of range " + std::to_string(low) + ".." + std::to_string(high));
        out = static_cast<T>(v);
        return true;
    }

    bool Bool(const json &object, const char *key, const std::string &path, std::optional<bool> &out)
    {
        const auto found = object.find(key);
        if (found == object.end())
            return true;
        if (!found->is_boolean())
            return Fail(FileProblem::BadValue, Join(path, key), "is not true or false");
        out = found->get<bool>();
        return true;
    }

    bool Text(const json &object, const char *key, const std::string &path, std::optional<std::string> &out)
    {
        const auto found = object.find(key);
        if (found == object.end())
            return true;
        if (!found->is_string())
            return Fail(FileProblem::BadValue, Join(path, key), "is not a string");
        out = found->get<std::string>();
        return true;
    }

    // One field of the tables, by its kind.
    bool Field(const json &object, const SettingField &field, const std::string &path, std::optional<long> &value,
               std::optional<std::string> &text)
    {
        switch (field.kind) {
        case FieldKind::Switch: {
            std::optional<bool> on;
            if (!Bool(object, field.key, path, on))
                return false;
            if (on)
                value = *on ? 1 : 0;
            return true;
        }
        case FieldKind::Number:
            return Number(object, field.key, path, 0, field.high, value);
        case FieldKind::Choice: {
            std::optional<std::string> word;
            if (!Text(object, field.key, path, word))
                return false;
            if (word && *word != field.fileOn && *word != field.fileOff)
                return Fail(FileProblem::BadValue, Join(path, field.key),
                            std::string("is not \"") + field.fileOff + "\" or \"" + field.fileOn + "\"");
            if (word)
                value = *word == field.fileOn ? 1 : 0;
            return true;
        }
        case FieldKind::Rate:
            return Text(object, field.key, path, text);
        }
        return true;
    }

    // The keys of an object: those of the table, and the others given.
    template <std::size_t N>
    bool KeysOf(const json &value, const std::string &path, const std::array<SettingField, N> &fields,
                std::initializer_list<const char *> others)
    {
        if (!value.is_object())
            return Fail(FileProblem::BadValue, path, "is not an object");
        for (auto item = value.begin(); item != value.end(); ++item) {
            bool known = false;
            for (const SettingField &field : fields)
                known = known || item.key() == field.key;
            for (const char *key : others)
                known = known || item.key() == key;
            if (!known)
                return Fail(FileProblem::UnknownKey, Join(path, item.key()), "is not a key of the format");
        }
        return true;
    }

    bool Device(const json &value, const std::string &path, bool withId, FileDevice &device)
    {
        if (!KeysOf(value, path, deviceFields, withId ? std::initializer_list<const char *>{"id"}
                                                      : std::initializer_list<const char *>{}))
            return false;
        device.path = path;
        std::optional<int> id;
        if (withId && !Number(value, "id", path, 0, kScsiIds - 1, id))
            return false;
        if (withId && !id)
            return Fail(FileProblem::BadValue, Join(path, "id"), "is missing");
        device.id = id.value_or(-1);
        for (int f = 0; f < kDeviceFieldCount; ++f)
            if (!Field(value, deviceFields[f], path, device.values[f], device.rate))
                return false;
        return true;
    }

    bool Settings(const json &value, const std::string &path, FileAdapter &adapter)
    {
        if (!KeysOf(value, path, adapterFields, {"devices", "allDevices"}))
            return false;
        std::optional<std::string> unused;
        for (int f = 0; f < kAdapterFieldCount; ++f)
            if (!Field(value, adapterFields[f], path, adapter.values[f], unused))
                return false;
        const auto all = value.find("allDevices");
        if (all != value.end()) {
            FileDevice device;
            if (!Device(*all, Join(path, "allDevices"), false, device))
                return false;
            adapter.allDevices = device;
        }
        const auto devices = value.find("devices");
        if (devices == value.end())
            return true;
        if (!devices->is_array())
            return Fail(FileProblem::BadValue, Join(path, "devices"), "is not a list");
        bool seen[kScsiIds] = {};
        for (std::size_t i = 0; i < devices->size(); ++i) {
            FileDevice device;
            const std::string at = At(Join(path, "devices"), i);
            if (!Device((*devices)[i], at, true, device))
                return false;
            if (seen[device.id])
                return Fail(FileProblem::BadValue, Join(at, "id"), "names a device twice");
            seen[device.id] = true;
            adapter.devices.push_back(device);
        }
        return true;
    }

    bool Image(const json &value, const std::string &path, FileAdapter &adapter)
    {
        if (!Keys(value, path, {"length", "crc32", "hex"}))
            return false;
        std::optional<long long> length;
        std::optional<std::string> crc;
        if (!Number(value, "length", path, 0, 1LL << 32, length) || !Text(value, "crc32", path, crc))
            return false;
        const auto hex = value.find("hex");
        if (!length || !crc || hex == value.end())
            return Fail(FileProblem::BadValue, path, "needs length, crc32 and hex");
        if (!hex->is_array())
            return Fail(FileProblem::BadValue, Join(path, "hex"), "is not a list");
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < hex->size(); ++i) {
            const json &line = (*hex)[i];
            if (!line.is_string())
                return Fail(FileProblem::BadValue, At(Join(path, "hex"), i), "is not a string");
            const std::string &digits = line.get_ref<const std::string &>();
            if (digits.size() % 2 != 0 || !HexBytes(digits, bytes))
                return Fail(FileProblem::BadImage, At(Join(path, "hex"), i), "is not whole bytes in hex", adapter.port);
        }
        if (*length != static_cast<long long>(kImageSize) || bytes.size() != kImageSize)
            return Fail(FileProblem::BadImage, path,
                        "holds " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(kImageSize),
                        adapter.port);
        std::vector<std::uint8_t> crcBytes;
        if (crc->size() != 8 || !HexBytes(*crc, crcBytes))
            return Fail(FileProblem::BadValue, Join(path, "crc32"), "is not 8 hex digits");
        const std::uint32_t expected = static_cast<std::uint32_t>(crcBytes[0]) << 24 |
                                       static_cast<std::uint32_t>(crcBytes[1]) << 16 |
                                       static_cast<std::uint32_t>(crcBytes[2]) << 8 | crcBytes[3];
        if (Crc32(bytes.data(), bytes.size()) != expected)
            return Fail(FileProblem::BadImage, Join(path, "crc32"), "does not match the image's bytes", adapter.port);
        std::memcpy(&adapter.image, bytes.data(), kImageSize);
        if (adapter.image.adapterFlags.get() & kDefaultsSubstituted)
            return Fail(FileProblem::BadImage, path, "carries the mark of substituted defaults", adapter.port);
        adapter.hasImage = true;
        return true;
    }

    static bool HexBytes(const std::string &digits, std::vector<std::uint8_t> &bytes)
    {
        auto nibble = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
            const int high = nibble(digits[i]), low = nibble(digits[i + 1]);
            if (high < 0 || low < 0)
                return false;
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
        }
        return true;
    }

    // A backup names every setting of the adapter, all 16 devices complete.
    bool Complete(const FileAdapter &adapter)
    {
        const std::string settings = Join(adapter.path, "settings");
        if (!adapter.chipCode)
            return Fail(FileProblem::BadValue, Join(adapter.path, "chipCode"), "is missing: a backup names its chip");
        if (!adapter.hasImage)
            return Fail(FileProblem::BadValue, Join(adapter.path, "image"), "is missing: a backup holds the image");
        if (adapter.allDevices)
            return Fail(FileProblem::BadValue, Join(settings, "allDevices"), "belongs to templates, not to backups");
        for (const std::optional<long> &value : adapter.values)
            if (!value)
                return Fail(FileProblem::BadValue, settings, "is incomplete: a backup names every setting");
        if (adapter.devices.size() != kScsiIds)
            return Fail(FileProblem::BadValue, Join(settings, "devices"), "does not name all 16 devices");
        for (const FileDevice &d : adapter.devices)
            for (int f = 0; f < kDeviceFieldCount; ++f)
                if (!d.Names(f))
                    return Fail(FileProblem::BadValue, d.path, "is incomplete: a backup names every setting");
        return true;
    }

    bool Adapter(const json &value, const std::string &path, FileKind kind, FileAdapter &adapter)
    {
        if (!Keys(value, path, {"port", "chip", "chipCode", "settings", "image"}))
            return false;
        adapter.path = path;
        std::optional<int> port;
        if (!Number(value, "port", path, 0, 255, port))
            return false;
        if (!port)
            return Fail(FileProblem::BadValue, Join(path, "port"), "is missing");
        adapter.port = *port;
        if (!Text(value, "chip", path, adapter.chip) || !Number(value, "chipCode", path, 0, 255, adapter.chipCode))
            return false;
        const auto settings = value.find("settings");
        if (settings != value.end() && !Settings(*settings, Join(path, "settings"), adapter))
            return false;
        const auto image = value.find("image");
        if (image != value.end()) {
            if (kind == FileKind::Template)
                return Fail(FileProblem::BadValue, Join(path, "image"), "belongs to backups: this file is a template");
            if (!Image(*image, Join(path, "image"), adapter))
                return false;
        }
        if (kind == FileKind::Template)
            return true;
        if (!Complete(adapter))
            return false;
        const FileResult agreement = CheckAgreement(adapter);
        if (agreement.problem != FileProblem::None) {
            result = agreement;
            return false;
        }
        return true;
    }

    bool Document(const json &root, SettingsFile &file)
    {
        if (!root.is_object())
            return Fail(FileProblem::BadValue, "", "the file is not a JSON object");
        // The version first: a later format may have keys that this one lacks.
        const auto format = root.find("format");
        if (format == root.end())
            return Fail(FileProblem::BadValue, "format", "is missing");
        if (!format->is_number_integer() || format->get<long long>() < 1)
            return Fail(FileProblem::BadValue, "format", "is not a format version");
        if (format->is_number_unsigned() ? format->get<unsigned long long>() > kSettingsFileFormat
                                         : format->get<long long>() > kSettingsFileFormat) {
            const std::string found = format->dump();
            return Fail(FileProblem::FutureFormat, "format", found);
        }
        file.format = format->get<int>();
        if (!Keys(root, "", {"format", "program", "kind", "computer", "taken", "changedBy", "action", "adapters"}))
            return false;
        std::optional<std::string> program, kind, computer, taken, changedBy, action;
        if (!Text(root, "program", "", program) || !Text(root, "kind", "", kind) ||
            !Text(root, "computer", "", computer) || !Text(root, "taken", "", taken) ||
            !Text(root, "changedBy", "", changedBy) || !Text(root, "action", "", action))
            return false;
        file.program = program.value_or("");
        if (kind && *kind != "backup" && *kind != "template")
            return Fail(FileProblem::BadValue, "kind", "is not \"backup\" or \"template\"");
        file.kind = kind && *kind == "backup" ? FileKind::Backup : FileKind::Template;
        // A backup belongs to the computer it was taken on; a template to none.
        if (file.kind == FileKind::Backup && (!computer || computer->empty()))
            return Fail(FileProblem::BadValue, "computer", "is missing: a backup names its computer");
        if (computer && !NameOfComputer(*computer))
            return Fail(FileProblem::BadValue, "computer", "holds a control character");
        const std::pair<const char *, const std::optional<std::string> *> backupsOnly[] = {
            {"computer", &computer}, {"taken", &taken}, {"changedBy", &changedBy}, {"action", &action}};
        for (const auto &[key, value] : backupsOnly)
            if (file.kind == FileKind::Template && *value)
                return Fail(FileProblem::BadValue, key, "belongs to backups: this file is a template");
        file.computer = computer.value_or("");
        file.taken = taken.value_or("");
        file.changedBy = changedBy.value_or("");
        file.action = action.value_or("");
        const auto adapters = root.find("adapters");
        if (adapters == root.end() || !adapters->is_array() || adapters->empty())
            return Fail(FileProblem::BadValue, "adapters", "is not a list of adapters");
        bool seen[256] = {};
        for (std::size_t i = 0; i < adapters->size(); ++i) {
            FileAdapter adapter;
            if (!Adapter((*adapters)[i], At("adapters", i), file.kind, adapter))
                return false;
            if (seen[adapter.port])
                return Fail(FileProblem::DuplicatePort, Join(adapter.path, "port"), "names a port twice", adapter.port);
            seen[adapter.port] = true;
            file.adapters.push_back(std::move(adapter));
        }
        return true;
    }
};

// The file's text as the parser reads it, leaving behind where it has got to.
class Reading {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char *;
    using reference = const char &;

    Reading(const char *at, const char **consumed) : at(at), consumed(consumed) {}
    reference operator*() const { return *at; }
    Reading &operator++()
    {
        ++at;
        if (consumed)
            *consumed = at;
        return *this;
    }
    Reading operator++(int)
    {
        Reading before = *this;
        ++*this;
        return before;
    }
    bool operator==(const Reading &other) const { return at == other.at; }
    bool operator!=(const Reading &other) const { return at != other.at; }

private:
    const char *at;
    const char **consumed;
};

// Watches the keys of every object as the parser meets them, each object's
// in a set of its own, and keeps the path and place of the first key that
// an object names twice.
struct KeyWatch {
    struct Level {
        bool list;
        long index;       // of a list's element being read
        std::string key;  // of an object's value being read
        std::unordered_set<std::string> keys;
    };
    std::vector<Level> levels;
    const char *consumed = nullptr;
    std::string twice;
    const char *twiceAt = nullptr;

    void Element()
    {
        if (!levels.empty() && levels.back().list)
            ++levels.back().index;
    }

    std::string PathTo(const std::string &key) const
    {
        std::string path;
        for (std::size_t i = 0; i + 1 < levels.size(); ++i)
            path += levels[i].list ? "[" + std::to_string(levels[i].index) + "]"
                                   : (path.empty() ? "" : ".") + Shown(levels[i].key);
        return path + (path.empty() ? "" : ".") + Shown(key);
    }

    bool Event(json::parse_event_t event, const json &parsed)
    {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            Element();
            levels.push_back({event == json::parse_event_t::array_start, -1, {}, {}});
            break;
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (!levels.empty())
                levels.pop_back();
            break;
        case json::parse_event_t::value:
            Element();
            break;
        case json::parse_event_t::key:
            if (!levels.empty() && parsed.is_string()) {
                Level &level = levels.back();
                level.key = parsed.get_ref<const std::string &>();
                if (!level.keys.insert(level.key).second && twice.empty()) {
                    twice = PathTo(level.key);
                    twiceAt = consumed ? consumed - 1 : nullptr;
                }
            }
            break;
        }
        return true;
    }
};

// The line of the byte at offset (from 1).
int LineAt(const std::string &text, std::size_t offset)
{
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        line += text[i] == '\n';
    return line;
}

FileResult ReadText(const wchar_t *path, std::string &text)
{
    HANDLE handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Problem(FileProblem::CannotRead, -1, {}, "error " + std::to_string(GetLastError()));
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return Problem(FileProblem::CannotRead, -1, {}, "error " + std::to_string(GetLastError()));
    }
    if (size.QuadPart > kMaxSettingsFileBytes) {
        CloseHandle(handle);
        return Problem(FileProblem::TooLarge, -1, {}, std::to_string(size.QuadPart) + " bytes");
    }
    text.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    const BOOL ok = text.empty() || ReadFile(handle, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(handle);
    if (!ok || got != text.size())
        return Problem(FileProblem::CannotRead, -1, {}, "error " + std::to_string(GetLastError()));
    return {};
}

}  // namespace

FileResult ReadSettingsFile(const wchar_t *path, SettingsFile &file)
{
    file = SettingsFile();
    try {
        std::string text;
        FileResult result = ReadText(path, text);
        if (result.problem != FileProblem::None)
            return result;
        if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
            result = Problem(FileProblem::NotJson, -1, {}, "the file is UTF-16: save it as UTF-8");
            result.line = 1;
            return result;
        }
        std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte order mark, as some editors write
        if (text.find_first_not_of(" \t\r\n", start) == std::string::npos)
            return Problem(FileProblem::Empty);
        // The library takes the last of two equal keys: an object that names one twice is refused.
        KeyWatch watch;
        const char *const first = text.data() + start;
        json root;
        try {
            root = json::parse(Reading(first, &watch.consumed), Reading(text.data() + text.size(), nullptr),
                               [&watch](int, json::parse_event_t event, json &parsed) { return watch.Event(event, parsed); });
        } catch (const json::parse_error &e) {
            std::string what = e.what();
            const std::size_t tag = what.find("] ");
            result = Problem(FileProblem::NotJson, -1, {}, Shown(tag == std::string::npos ? what : what.substr(tag + 2), 120));
            const std::size_t at = e.byte > 0 ? start + e.byte - 1 : start;
            result.line = LineAt(text, at);
            return result;
        }
        if (!watch.twice.empty()) {
            result = Problem(FileProblem::BadValue, -1, watch.twice, "is given twice in one object");
            result.line = watch.twiceAt ? LineAt(text, static_cast<std::size_t>(watch.twiceAt - text.data())) : 0;
            return result;
        }
        Structure structure;
        if (!structure.Document(root, file)) {
            file = SettingsFile();
            return structure.result;
        }
        return {};
    } catch (...) {
        file = SettingsFile();
        return Problem(FileProblem::CannotRead, -1, {}, "out of memory");
    }
}
