// What the settings file code shares between its parts; nothing outside
// settings_file/ includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings_file/settings_file.h"
#include "settings_file/field_words.h"
#include "store/adapter_record.h"

// IEEE CRC-32 (as zip and PNG compute it).
std::uint32_t Crc32(const std::uint8_t *data, std::size_t size);

struct NamedValue {
    std::string field;  // "hostId", "devices[3].busWidth"
    std::string text;   // "7", "On", "40"
};

// Every named setting of an image, in the file's order.
std::vector<NamedValue> NamedValuesOf(const SettingsImage &image);

FileResult Problem(FileProblem problem, int port = -1, std::string field = {}, std::string detail = {});

// The adapter object of a file, laid out as the backup writes it, indented
// by indent spaces, its settings those of image; with the image or without.
std::string AdapterObjectText(int adapter, const SettingsImage &image, bool withImage, int indent);

// A backup of one adapter as it held held, taken at taken, before the
// change that changedBy ("ktrcfg", "ktrcli") made by action ("save",
// "restore", "apply", "undo"): a new file at path, never one replaced.
FileResult WriteKeptState(const wchar_t *path, int adapter, const SettingsImage &held, const SYSTEMTIME &taken,
                          const char *changedBy, const char *action);

// Computer names compare ordinally, without regard to case.
bool SameComputer(const std::string &a, const std::string &b);
// A computer's name has no NUL and no control character.
bool NameOfComputer(const std::string &name);

// Checks a backup's named settings against its image: EditedBackup at the first that disagrees.
FileResult CheckAgreement(const FileAdapter &adapter);
