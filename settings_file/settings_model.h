// A settings file as read: what it names of each adapter, each setting
// present or absent. Values are as the file gives them, already checked to
// fit their fields in the image; the rules of the dialogs are applied later,
// against the adapter concerned.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings_file/field_words.h"
#include "store/settings_image.h"

enum class FileKind { Backup, Template };

// One device entry's named settings (or, as allDevices, those of all 16),
// by deviceFields: a Switch or Choice as 1 or 0, a Number as given. The
// rate, a text, is kept apart.
struct FileDevice {
    int id = -1;                            // 0..15; -1 for allDevices
    std::string path;                       // e.g. "adapters[0].settings.devices[2]"
    std::array<std::optional<long>, kDeviceFieldCount> values;
    std::optional<std::string> rate;        // as the English module shows it: "40", "Off", "--"

    bool Names(int field) const { return field == kRate ? rate.has_value() : values[field].has_value(); }
};

struct FileAdapter {
    int port = -1;
    std::string path;                       // e.g. "adapters[0]"
    std::optional<std::string> chip;        // the chip's name
    std::optional<std::uint8_t> chipCode;
    std::array<std::optional<long>, kAdapterFieldCount> values;  // by adapterFields
    std::optional<FileDevice> allDevices;   // templates only
    std::vector<FileDevice> devices;        // in the file's order; in a backup all 16, by id
    bool hasImage = false;                  // a backup's: length and checksum checked
    SettingsImage image{};
};

struct SettingsFile {
    FileKind kind = FileKind::Template;
    int format = 0;
    std::string program;               // the version that wrote it
    std::string computer;              // a backup's: the computer it was taken on
    std::string taken;                 // a backup's: when, as the file gives it
    std::string changedBy, action;     // a kept state's: the program and action that changed the adapter next
    std::vector<FileAdapter> adapters; // in the file's order
};
