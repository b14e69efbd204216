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

#include "store/settings_image.h"

enum class FileKind { Backup, Template };

// One device entry's named settings (or, as allDevices, those of all 16).
struct FileDevice {
    int id = -1;                            // 0..15; -1 for allDevices
    std::string path;                       // e.g. "adapters[0].settings.devices[2]"
    std::optional<std::uint16_t> rateCode;  // syncCode
    std::optional<std::string> rate;        // as the English module shows it: "40", "Off", "--"
    std::optional<std::uint8_t> busWidth;
    std::optional<bool> disconnection;      // deviceFlags bit 0
    std::optional<std::uint16_t> timeout;   // deviceValue
    std::optional<bool> sendStartUnit;      // bit 1
    std::optional<bool> scanAtStart;        // bit 2
    std::optional<bool> taggedQueuing;      // bit 3

    bool Empty() const
    {
        return !rateCode && !rate && !busWidth && !disconnection && !timeout && !sendStartUnit && !scanAtStart &&
               !taggedQueuing;
    }
};

struct FileAdapter {
    int port = -1;
    std::string path;                       // e.g. "adapters[0]"
    std::optional<std::string> chip;        // the chip's name
    std::optional<std::uint8_t> chipCode;
    std::optional<bool> parityChecking;     // adapterFlags bit 0
    std::optional<bool> busResetAtStart;    // adapterFlags bit 1
    std::optional<std::uint8_t> hostId;
    std::optional<bool> extendedTranslation;  // "diskTranslation": adapterOption nonzero
    std::optional<FileDevice> allDevices;   // templates only
    std::vector<FileDevice> devices;        // in the file's order; in a backup all 16, by id
    bool hasImage = false;                  // a backup's: length and checksum checked
    SettingsImage image{};
};

struct SettingsFile {
    FileKind kind = FileKind::Template;
    int format = 0;
    std::string program;               // the version that wrote it
    std::vector<FileAdapter> adapters; // in the file's order
};
