// The settings of one adapter as a person reads them: its own settings,
// then one line per SCSI ID with the device that answers there and its
// rate, width and options, as the device table shows them.
#pragma once

#include <string>

std::string SettingsTable(int adapter);
