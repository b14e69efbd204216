// A settings file as read: what it names of each adapter, each setting
// present or absent. (To be completed with the file code.)
#pragma once

#include <string>
#include <vector>

enum class FileKind { Backup, Template };

struct FileAdapter;

struct SettingsFile {
    FileKind kind = FileKind::Template;
    int format = 0;
    std::string program;               // the version that wrote it
    std::vector<FileAdapter> adapters; // in the file's order
};
