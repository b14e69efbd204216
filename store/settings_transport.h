// Moving settings images between the adapters and the records, through the
// family's miniport driver.
#pragma once

#include <windows.h>

#include <cstdint>

#include "store/adapter_record.h"
#include "store/settings_request.h"

// Each adapter's error of its last request that failed, the open's or the
// driver's (ERROR_ACCESS_DENIED: the program lacks the rights); 0 after one
// that succeeded.
extern DWORD requestErrors[kMaxAdapters];
// Whether each adapter's last request was a read: a save that did not write
// an adapter failed reading it again, or writing it.
extern bool requestWasRead[kMaxAdapters];

// 0 on success, 1 on failure.
int ReadAdapterSettings(SettingsRequest &request, int adapter);
int WriteAdapterSettings(SettingsRequest &request, int adapter);

// How the load takes an image into the records: as the windows have always
// loaded it, with part of clearedEntries zeroed, or byte for byte.
enum class ImageLoad { Cleared, Exact };

// Finds the adapters and reads their images into savedRecords; 1 when at
// least one adapter was found. Reports no adapter, and each failed read.
int LoadAllAdapterSettings(int *count, ImageLoad load = ImageLoad::Cleared);

// How a save's write of one adapter ended; where a step failed, its error
// is in requestErrors.
enum class WriteEnd { Written, ReadFailed, WriteFailed, ChangedElsewhere };

// Told of every adapter that a save meant to write: what the adapter held
// as far as the program knew (what it holds now, when another program
// changed it), the image meant for it, and how it ended. Set by each
// program that keeps a record of its writes; null: none is kept.
using WriteRecorder = void (*)(int adapter, const SettingsImage &held, const SettingsImage &sent, WriteEnd end);
extern WriteRecorder writeRecorder;

// Keeps what an adapter held before each write, where a program keeps such
// a record: keep is told what the adapter holds as far as the program knows,
// just before the read again that precedes the write (when the read finds
// the adapter so, it is what the read returned); settle, after, whether the
// write landed (not when none was made). Neither stops or changes a write.
struct StateKeeper {
    void (*keep)(int adapter, const SettingsImage &held);
    void (*settle)(int adapter, bool written);
};
extern StateKeeper stateKeeper;

// Reads every adapter whose settings were read at the load again. One that
// another program changed since is not overwritten by what this program
// holds: what the adapter holds becomes the base of its records, taken as
// the load takes an image, and the settings that this run changed since the
// last read or write go back on top of it, setting by setting (the run's
// value where both changed one). The record stays modified only when such a
// change is left. Returns the adapters whose read failed, bit i for adapter
// i; merged gets those that another program changed and that still hold
// changes of this run.
std::uint32_t ReadAdaptersAgain(std::uint32_t *merged = nullptr);

// Commits every working record into savedRecords and writes the modified
// ones. Before each write the adapter is read again as ReadAdaptersAgain
// reads it: one that another program changed is not written; its records
// then hold that program's settings with this run's changes on top, which
// the next save writes. A record that was not written stays modified,
// unless nothing of this run is left to write. Returns the adapters whose
// changes were not written, bit i for adapter i; changedElsewhere gets every
// adapter that another program had changed.
std::uint32_t SaveAllAdapterSettings(std::uint32_t *changedElsewhere = nullptr);
