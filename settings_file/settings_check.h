// Checking a file's adapters against the adapters found.
#pragma once

#include <vector>

#include "settings_file/settings_file.h"

struct Target {
    const FileAdapter *adapter;
    int index;  // into workingRecords
};

// Every adapter that the file names (or only the one at port; -1: all)
// must be here, of the same chip, and able to take the file: a restore
// takes any adapter that was read, an apply none whose defaults were
// substituted. On success targets lists them in the file's order.
FileResult CheckTargets(const SettingsFile &file, int port, bool restore, std::vector<Target> &targets);
