// The rules that the settings windows keep, for the values that a file
// changes.
#pragma once

#include "settings_file/settings_file.h"

// Checks every value of next that differs from now, the image that the
// adapter holds (a value that it holds already is never refused): each
// number no larger than its row allows (store/setting_fields.h); no host ID at
// which a device answers on its bus; a bus width of 8 or 16, and 16 only on
// a chip whose default width is 16; only rates that the chip offers at the
// device's width. Refused at the first that breaks one, with the field of
// the file that gave it. Without now (the defaults that stand in for invalid
// stored settings are not the adapter's) every value is judged by the ranges
// and the bus, and the chip's widths and rates are not judged.
FileResult CheckRules(const FileAdapter &adapter, int index, const SettingsImage *now, const SettingsImage &next);
