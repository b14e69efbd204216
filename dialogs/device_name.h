// The name column of the device table.
#pragma once

constexpr int kNameRoom = 40;  // name, one tab and the terminator

// The first character stays; every later upper-case one is lowered, by the
// standard library's locale.
void LowerAfterFirst(wchar_t *name);

// The device that the device map lists at SCSI ID id of the current adapter,
// the adapter's chip on the host's own row, or string 53; then one tab.
void DeviceName(int id, wchar_t *name);
