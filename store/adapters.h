// What each adapter found is, asked the same way by every part of both
// programs: its port, whether its settings were read, whether they were
// valid, and the load that finds them at the start of a run.
#pragma once

#include "store/settings_image.h"
#include "store/settings_transport.h"

// The port of adapter i, or -1.
int AdapterPort(int adapter);
// The adapter at the port, or -1.
int AdapterAtPort(int port);
// Its settings could not be read (or the driver's status was not one it knows).
bool AdapterUnread(int adapter);
// Read, but its stored settings were invalid: defaults stand in for them.
bool AdapterDefaulted(int adapter);
// Read and valid: the settings are the adapter's own.
bool AdapterUsable(int adapter);

// What the adapter holds as far as the program knows: its held image when
// its settings were valid; else what the records show in their place.
const SettingsImage &HeldImage(int adapter);

// The start of a run: finds the adapters, reads their settings into
// savedRecords, copies them into workingRecords and reads each port's
// resources. False when no adapter was found (reported). The console
// program edits what the adapters hold byte for byte: ImageLoad::Exact.
bool LoadAdapters(ImageLoad load = ImageLoad::Cleared);
