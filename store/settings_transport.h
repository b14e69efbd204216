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

// Commits every working record into savedRecords and writes the modified
// ones. Before each write the adapter is read again: one that no longer
// holds its held image was changed by another program since, and is not
// written (its held image becomes what it holds now, so that a second save
// writes over that change). A record that was not written keeps in
// savedRecords what it held, and stays modified. Returns the adapters not
// written, bit i for adapter i; changedElsewhere gets those of them that
// another program had changed.
std::uint32_t SaveAllAdapterSettings(std::uint32_t *changedElsewhere = nullptr);
