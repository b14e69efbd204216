// Checking a file's adapters against the adapters found.
#pragma once

#include <vector>

#include "settings_file/settings_file.h"

enum class FileUse { Restore, Apply, Verify };

struct Target {
    const FileAdapter *adapter;
    int index;  // into workingRecords
};

// Every adapter that the file names (or only the one at port; -1: all)
// must be here, of the same chip, read, and able to take the file: an
// apply takes none whose defaults were substituted. A restore, and a
// verify of a backup, take a backup of this computer only, unless
// otherComputer is set. On success targets lists them in the file's order.
// An adapter that could not be read is Unread only once every other adapter
// passed; targets then lists those others.
FileResult CheckTargets(const SettingsFile &file, int port, FileUse use, bool otherComputer,
                        std::vector<Target> &targets);
