#include "discovery/device_map.h"

#include "language/module_file.h"
#include "language/resource_ids.h"
#include "language/string_rooms.h"
#include "store/report.h"

DeviceMapEntry *deviceMaps[kMaxAdapters];
std::uint16_t deviceMapCount;
int portIoAddress[kMaxAdapters];
int portInterrupt[kMaxAdapters];

namespace {

const wchar_t kDeviceMapRoot[] = L"HARDWARE\\DEVICEMAP\\Scsi";
constexpr int kDriverNameRoom = StringRoom(IDS_DRIVER_NAME1);
constexpr int kPortKeyRoom = 16;
constexpr int kDriverValueRoom = 8;  // 16 bytes
constexpr int kUnitKeyRoom = 40;
constexpr int kRegistryNameRoom = StringRoom(IDS_REG_DRIVER);  // each registry name of the module
constexpr int kPortPathRoom = 80;

// Reads a text value into room characters and terminates it here, whatever
// the stored value holds. False when the value is missing or leaves no room
// for its terminator; the text is then empty.
bool ReadText(HKEY key, const wchar_t *name, wchar_t *text, int room)
{
    DWORD size = static_cast<DWORD>(room) * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size) == ERROR_SUCCESS) {
        const DWORD chars = size / sizeof(wchar_t);
        for (DWORD i = 0; i < chars; ++i)
            if (text[i] == 0)
                return true;
        if (chars < static_cast<DWORD>(room)) {
            text[chars] = 0;
            return true;
        }
    }
    text[0] = 0;
    return false;
}

// A 4-byte number value; anything else leaves the number as it is.
void ReadNumber(HKEY key, const wchar_t *name, int &number)
{
    DWORD value = 0, size = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size) == ERROR_SUCCESS &&
        size == sizeof(value))
        number = static_cast<int>(value);
}

bool IsDigit(wchar_t ch)
{
    return ch >= L'0' && ch <= L'9';
}

// The decimal number of at most maxDigits digits that starts at character at;
// the name's terminator ends it. digits receives how many were read.
int DecimalAt(const wchar_t *name, int at, int maxDigits, int &digits)
{
    int length = lstrlenW(name), value = 0;
    digits = 0;
    for (int i = at; i < length && digits < maxDigits && IsDigit(name[i]); ++i, ++digits)
        value = value * 10 + (name[i] - L'0');
    return value;
}

int DecimalAt(const wchar_t *name, int at)
{
    int digits;
    return DecimalAt(name, at, 2, digits);
}

// String id into a buffer of space characters, at most its room.
void Load(UINT id, wchar_t *text, int space)
{
    text[0] = 0;
    const int room = StringRoom(id);
    LoadStringW(languageModule, id, text, room < space ? room : space);
}

// The port number of a port key: the digits from character 10 on. A key
// without a number, or with one that an 8-bit port number cannot hold,
// names no port that could be opened.
bool PortNumberOf(const wchar_t *name, std::uint8_t &port)
{
    int digits;
    int value = DecimalAt(name, 10, 3, digits);
    if (digits == 0 || value > 255 || (10 + digits < lstrlenW(name) && IsDigit(name[10 + digits])))
        return false;
    port = static_cast<std::uint8_t>(value);
    return true;
}

// Reads one logical unit into the next free slot; false on a registry error.
bool ReadUnit(HKEY target, const wchar_t *unitName, std::uint8_t targetId, DeviceMapEntry *entry, int &slots)
{
    HKEY unit;
    if (RegOpenKeyExW(target, unitName, 0, KEY_READ, &unit) != ERROR_SUCCESS)
        return false;
    if (slots < kDeviceSlots) {
        DeviceSlot &slot = entry->devices[slots];
        wchar_t valueName[kRegistryNameRoom];
        Load(IDS_REG_IDENTIFIER, valueName, kRegistryNameRoom);
        ReadText(unit, valueName, slot.identifier, 32);
        Load(IDS_REG_TYPE, valueName, kRegistryNameRoom);
        ReadText(unit, valueName, slot.deviceType, 32);
        slot.targetId = targetId;
        slot.lun = static_cast<std::uint8_t>(DecimalAt(unitName, 16));
        ++slots;
    }
    RegCloseKey(unit);
    return true;
}

// An empty name would take every port whose driver value is empty, another
// maker's among them: it names no driver.
bool IsFamilyDriver(const wchar_t *driver, const wchar_t (*names)[kDriverNameRoom])
{
    for (int i = 0; i < 3; ++i)
        if (names[i][0] && lstrcmpiW(driver, names[i]) == 0)
            return true;
    return false;
}

}  // namespace

int ReadPortDevices(HKEY bus, DeviceMapEntry *entry)
{
    wchar_t prefix[kRegistryNameRoom];
    Load(IDS_REG_TARGET_PREFIX, prefix, kRegistryNameRoom);
    int slots = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t targetName[kUnitKeyRoom];
        DWORD length = kUnitKeyRoom;
        LONG r = RegEnumKeyExW(bus, index, targetName, &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            return slots;
        if (r != ERROR_SUCCESS)
            return -1;
        if (wcsncmp(targetName, prefix, 9) != 0)
            continue;
        const auto targetId = static_cast<std::uint8_t>(DecimalAt(targetName, 10));
        HKEY target;
        if (RegOpenKeyExW(bus, targetName, 0, KEY_READ, &target) != ERROR_SUCCESS)
            return -1;
        for (DWORD unitIndex = 0;; ++unitIndex) {
            wchar_t unitName[kUnitKeyRoom];
            length = kUnitKeyRoom;
            r = RegEnumKeyExW(target, unitIndex, unitName, &length, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_NO_MORE_ITEMS)
                break;
            if (r != ERROR_SUCCESS || !ReadUnit(target, unitName, targetId, entry, slots)) {
                RegCloseKey(target);
                return -1;
            }
        }
        RegCloseKey(target);
    }
}

int FindAdapters()
{
    wchar_t driverNames[3][kDriverNameRoom];
    Load(IDS_DRIVER_NAME1, driverNames[0], kDriverNameRoom);
    Load(IDS_DRIVER_NAME2, driverNames[1], kDriverNameRoom);
    Load(IDS_DRIVER_NAME3, driverNames[2], kDriverNameRoom);
    wchar_t driverValueName[kRegistryNameRoom], busName[kRegistryNameRoom];
    Load(IDS_REG_DRIVER, driverValueName, kRegistryNameRoom);
    Load(IDS_REG_BUS, busName, kRegistryNameRoom);

    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMapRoot, 0, KEY_READ, &root) != ERROR_SUCCESS) {
        ReportWarning(IDS_NO_DEVICE_MAP);
        return 0;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t portName[kPortKeyRoom];
        DWORD length = kPortKeyRoom;
        LONG r = RegEnumKeyExW(root, index, portName, &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        HKEY port;
        if (r != ERROR_SUCCESS || RegOpenKeyExW(root, portName, 0, KEY_READ, &port) != ERROR_SUCCESS) {
            RegCloseKey(root);
            return 0;
        }
        // A port whose driver value is missing or too long for a family name
        // cannot be one of the family's: it is passed over.
        wchar_t driver[kDriverValueRoom + 1];
        std::uint8_t portNumber = 0;
        bool family = ReadText(port, driverValueName, driver, kDriverValueRoom) && IsFamilyDriver(driver, driverNames);
        if (!family || !PortNumberOf(portName, portNumber) || deviceMapCount >= kMaxAdapters) {
            RegCloseKey(port);
            continue;
        }
        auto *entry = static_cast<DeviceMapEntry *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DeviceMapEntry)));
        if (!entry) {
            ReportWarning(IDS_NO_MEMORY);
            RegCloseKey(port);
            RegCloseKey(root);
            return 0;
        }
        for (DeviceSlot &slot : entry->devices)
            slot.targetId = kEmptySlot;
        deviceMaps[deviceMapCount++] = entry;
        entry->portNumber = portNumber;

        HKEY bus;
        if (RegOpenKeyExW(port, busName, 0, KEY_READ, &bus) != ERROR_SUCCESS) {
            RegCloseKey(port);
            RegCloseKey(root);
            return 0;
        }
        int slots = ReadPortDevices(bus, entry);
        RegCloseKey(bus);
        RegCloseKey(port);
        if (slots < 0) {
            RegCloseKey(root);
            return 0;
        }
        entry->deviceCount = static_cast<std::uint8_t>(slots);
    }
    RegCloseKey(root);
    return deviceMapCount;
}

void ReadPortResources()
{
    wchar_t interruptName[kRegistryNameRoom], ioName[kRegistryNameRoom];
    Load(IDS_REG_INTERRUPT, interruptName, kRegistryNameRoom);
    Load(IDS_REG_IO_ADDRESS, ioName, kRegistryNameRoom);
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
        HKEY key = nullptr;
        if (deviceMaps[i]) {
            wchar_t prefix[kRegistryNameRoom], path[kPortPathRoom];
            Load(IDS_REG_PORT_PATH, prefix, kRegistryNameRoom);
            if (lstrlenW(prefix) + 3 < kPortPathRoom) {
                wsprintfW(path, L"%s%d", prefix, deviceMaps[i]->portNumber);
                if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
                    key = nullptr;
            }
        }
        if (!key) {
            portInterrupt[i] = kNoInterrupt;
            continue;
        }
        ReadNumber(key, interruptName, portInterrupt[i]);
        ReadNumber(key, ioName, portIoAddress[i]);
        RegCloseKey(key);
    }
}

bool DeviceAnswersAt(const DeviceMapEntry *entry, int id)
{
    if (!entry)
        return false;
    for (const DeviceSlot &slot : entry->devices)
        if (slot.targetId == id)
            return true;
    return false;
}

void FreeDeviceMaps()
{
    for (int i = 0; i < deviceMapCount && i < kMaxAdapters; ++i) {
        if (deviceMaps[i]) {
            HeapFree(GetProcessHeap(), 0, deviceMaps[i]);
            deviceMaps[i] = nullptr;
        }
    }
}
