// What the settings file code shares between its parts; nothing outside
// settings_file/ includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings_file/settings_file.h"
#include "store/adapter_record.h"

// IEEE CRC-32 (as zip and PNG compute it).
std::uint32_t Crc32(const std::uint8_t *data, std::size_t size);

struct NamedValue {
    std::string field;  // "hostId", "devices[3].busWidth"
    std::string text;   // "7", "On", "40"
};

// The English words of the rows' values, as the English module shows them.
const char *OnOff(bool on);
const char *EnabledDisabled(bool on);
const char *YesNo(bool yes);
const char *TranslationWord(std::uint16_t adapterOption);
// The rate as the English module shows it: "40", "5", "Off" for code 0, "--" for an unknown code.
std::string RateText(std::uint16_t syncCode, std::uint8_t busWidth);
// Every named setting of an image, in the file's order.
std::vector<NamedValue> NamedValuesOf(const SettingsImage &image);
// What differs between two images of one adapter, in the file's order;
// bytes that no name covers are counted under "otherBytes".
void ListChanges(int adapter, int port, const SettingsImage &before, const SettingsImage &after,
                 std::vector<SettingChange> &changes);

// The chip's name in UTF-8; empty for a code without a name.
std::string ChipNameUtf8(std::uint8_t chipType);
// The index of the adapter found at the port, or -1.
int AdapterAtPort(int port);

FileResult Problem(FileProblem problem, int port = -1, std::string field = {}, std::string detail = {});

// The adapter object of a file, laid out as the backup writes it, indented
// by indent spaces; with the image or without.
std::string AdapterObjectText(int adapter, bool withImage, int indent);

// Checks a backup's named settings against its image: EditedBackup at the first that disagrees.
FileResult CheckAgreement(const FileAdapter &adapter);
