// Random device map shapes, written as volatile keys: the walk never crashes,
// never writes past its arrays, always terminates its texts, and finds
// exactly the ports that a plain model of the rules finds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "discovery/device_map.h"
#include "tests/program_support.h"

namespace {

const wchar_t kRoot[] = L"HARDWARE\\DEVICEMAP\\Scsi";

struct RawValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

struct RawKey {
    std::wstring path;  // below the root
    std::vector<RawValue> values;
};

std::vector<BYTE> TextBytes(const std::wstring &text, bool terminated)
{
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE *>(text.c_str()),
                            reinterpret_cast<const BYTE *>(text.c_str()) + text.size() * 2);
    if (terminated) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

std::vector<BYTE> DwordBytes(DWORD v)
{
    return std::vector<BYTE>(reinterpret_cast<BYTE *>(&v), reinterpret_cast<BYTE *>(&v) + 4);
}

class ShapeMaker {
public:
    explicit ShapeMaker(unsigned seed) : gen(seed) {}
    int Pick(int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::wstring Text(int length)
    {
        static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0123456789-.ÄÖЖЯ";
        std::wstring s;
        for (int i = 0; i < length; ++i)
            s += letters[Pick(static_cast<int>(sizeof(letters) / sizeof(wchar_t) - 1))];
        return s;
    }

    RawValue TextValue(const std::wstring &name, int maxChars)
    {
        RawValue v{name, REG_SZ, {}};
        switch (Pick(10)) {
        case 0:
            v.type = REG_DWORD;
            v.data = DwordBytes(gen());
            break;
        case 1:  // exactly fills the room, no terminator
            v.data = TextBytes(Text(maxChars), false);
            break;
        case 2:
            v.data = TextBytes(Text(Pick(maxChars)), false);
            break;
        default:
            v.data = TextBytes(Text(Pick(maxChars + 10)), true);
            break;
        }
        return v;
    }

    RawValue NumberValue(const std::wstring &name)
    {
        RawValue v{name, REG_DWORD, DwordBytes(gen() % 4096)};
        if (Chance(15)) {
            v.type = REG_BINARY;
            v.data.resize(static_cast<size_t>(Pick(9)));
        }
        return v;
    }

    std::vector<RawKey> Shape()
    {
        std::vector<RawKey> keys;
        const int ports = Chance(3) ? 30 + Pick(15) : Pick(8);
        static const wchar_t *const drivers[] = {L"ktrscsi", L"KTRWIDE", L"KtrFast", L"atapi", L"ktrscs",
                                                 L"vendorraid", L"ktrscsi2", L"ktrfastX", L""};
        for (int p = 0; p < ports; ++p) {
            RawKey port;
            switch (Pick(20)) {
            case 0: port.path = L"Scsi Port"; break;
            case 1: port.path = L"Scsi PortX" + std::to_wstring(p); break;
            case 2: port.path = L"Scsi Port 0" + std::to_wstring(Pick(30)); break;
            case 3: if (Chance(20)) { port.path = L"Scsi Port 1234567"; break; } [[fallthrough]];
            default: port.path = L"Scsi Port " + std::to_wstring(Chance(10) ? Pick(400) : Pick(40)); break;
            }
            if (!Chance(8)) {
                if (Chance(70)) {
                    std::wstring name = drivers[Pick(9)];
                    RawValue v{L"Driver", REG_SZ, TextBytes(name, !Chance(10))};
                    port.values.push_back(v);
                } else {
                    port.values.push_back(TextValue(L"Driver", 8));
                }
            }
            if (!Chance(10))
                port.values.push_back(NumberValue(L"Interrupt"));
            if (!Chance(10))
                port.values.push_back(NumberValue(L"IOAddress"));
            keys.push_back(port);
            if (Chance(5))
                continue;  // no bus key
            const std::wstring bus = port.path + L"\\Scsi Bus 0";
            keys.push_back({bus, {}});
            const int targets = Chance(5) ? 20 : Pick(6);
            for (int t = 0; t < targets; ++t) {
                std::wstring target;
                switch (Pick(12)) {
                case 0: target = L"Initiator Id 7"; break;
                case 1: target = L"target Id " + std::to_wstring(Pick(16)); break;
                case 2: target = Chance(10) ? L"Target Id " + std::wstring(32, L'9') : L"Target Id"; break;
                default: target = L"Target Id " + std::to_wstring(Pick(20)); break;
                }
                const std::wstring targetPath = bus + L"\\" + target;
                keys.push_back({targetPath, {}});
                const int units = Pick(4);
                for (int u = 0; u < units; ++u) {
                    RawKey unit{targetPath + L"\\" + (Chance(10) ? L"Unit" : L"Logical Unit Id " + std::to_wstring(Pick(12))), {}};
                    if (!Chance(10))
                        unit.values.push_back(TextValue(L"Identifier", 32));
                    if (!Chance(10))
                        unit.values.push_back(TextValue(L"Type", 32));
                    keys.push_back(unit);
                }
            }
        }
        return keys;
    }

private:
    std::mt19937 gen;
};

bool Write(const std::vector<RawKey> &keys)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
    HKEY root;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRoot, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &root,
                        nullptr))
        return false;
    for (const RawKey &k : keys) {
        HKEY key;
        if (RegCreateKeyExW(root, k.path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr))
            continue;
        for (const RawValue &v : k.values)
            RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                           static_cast<DWORD>(v.data.size()));
        RegCloseKey(key);
    }
    RegCloseKey(root);
    return true;
}

// ---- the model: the rules of the walk, read straight off the registry ----

struct ModelSlot {
    int target, lun;
    std::wstring identifier;
};
struct ModelPort {
    int number;
    std::vector<ModelSlot> slots;
    int interrupt = 0, io = 0;
};

std::vector<std::wstring> Subkeys(HKEY key)
{
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr))
            return names;
        names.push_back(name);
    }
}

// The text of a value that fits in room characters with its terminator; null when it does not.
bool ModelText(HKEY key, const wchar_t *name, size_t room, std::wstring &text)
{
    BYTE data[512];
    DWORD size = sizeof(data);
    text.clear();
    if (RegQueryValueExW(key, name, nullptr, nullptr, data, &size) || size > room * 2)
        return false;
    const wchar_t *chars = reinterpret_cast<const wchar_t *>(data);
    const size_t n = size / 2;
    for (size_t i = 0; i < n; ++i) {
        if (chars[i] == 0)
            return true;
        text += chars[i];
    }
    if (n < room)
        return true;
    text.clear();
    return false;
}

int Digits(const std::wstring &name, size_t at, size_t most, size_t *count = nullptr)
{
    int value = 0;
    size_t n = 0;
    while (at + n < name.size() && n < most && iswdigit(name[at + n]))
        value = value * 10 + (name[at + n++] - L'0');
    if (count)
        *count = n;
    return value;
}

// Returns false when the walk as a whole fails.
bool Model(std::vector<ModelPort> &found)
{
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &root))
        return false;
    bool ok = true;
    for (const std::wstring &portName : Subkeys(root)) {
        if (portName.size() > 15) {
            ok = false;
            break;
        }
        HKEY port;
        RegOpenKeyExW(root, portName.c_str(), 0, KEY_READ, &port);
        std::wstring driver;
        const bool family = ModelText(port, L"Driver", 8, driver) &&
                            (!lstrcmpiW(driver.c_str(), L"ktrscsi") || !lstrcmpiW(driver.c_str(), L"ktrwide") ||
                             !lstrcmpiW(driver.c_str(), L"ktrfast"));
        size_t digits = 0;
        const int number = Digits(portName, 10, 3, &digits);
        const bool numbered = digits > 0 && number <= 255 && !(10 + digits < portName.size() && iswdigit(portName[10 + digits]));
        if (!family || !numbered || found.size() >= 32) {
            RegCloseKey(port);
            continue;
        }
        ModelPort model{number, {}};
        HKEY bus;
        if (RegOpenKeyExW(port, L"Scsi Bus 0", 0, KEY_READ, &bus)) {
            RegCloseKey(port);
            ok = false;
            break;
        }
        for (const std::wstring &targetName : Subkeys(bus)) {
            if (targetName.size() > 39) {
                ok = false;
                break;
            }
            if (targetName.compare(0, 9, L"Target Id") != 0 || targetName.size() < 9)
                continue;
            HKEY target;
            RegOpenKeyExW(bus, targetName.c_str(), 0, KEY_READ, &target);
            for (const std::wstring &unitName : Subkeys(target)) {
                if (unitName.size() > 39) {
                    ok = false;
                    break;
                }
                HKEY unit;
                RegOpenKeyExW(target, unitName.c_str(), 0, KEY_READ, &unit);
                std::wstring identifier;
                ModelText(unit, L"Identifier", 32, identifier);
                if (model.slots.size() < 32)
                    model.slots.push_back({Digits(targetName, 10, 2), Digits(unitName, 16, 2), identifier});
                RegCloseKey(unit);
            }
            RegCloseKey(target);
            if (!ok)
                break;
        }
        RegCloseKey(bus);
        // Resources: the key named by the number, 4-byte values only.
        HKEY byNumber;
        const std::wstring path = std::wstring(kRoot) + L"\\Scsi Port " + std::to_wstring(number);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &byNumber)) {
            model.interrupt = 255;
        } else {
            DWORD v, size = 4;
            if (!RegQueryValueExW(byNumber, L"Interrupt", nullptr, nullptr, reinterpret_cast<BYTE *>(&v), &size) && size == 4)
                model.interrupt = static_cast<int>(v);
            size = 4;
            if (!RegQueryValueExW(byNumber, L"IOAddress", nullptr, nullptr, reinterpret_cast<BYTE *>(&v), &size) && size == 4)
                model.io = static_cast<int>(v);
            RegCloseKey(byNumber);
        }
        RegCloseKey(port);
        if (!ok)
            break;
        found.push_back(model);
    }
    RegCloseKey(root);
    return ok;
}

void RunShapes(unsigned seed, int shapes)
{
    LoadLanguage();
    ShapeMaker maker(seed);
    int walked = 0, adapters = 0;
    for (int s = 0; s < shapes; ++s) {
        ResetProgramState();
        ASSERT_TRUE(Write(maker.Shape()));
        std::vector<ModelPort> expected;
        const bool ok = Model(expected);
        const int count = FindAdapters();
        ASSERT_LE(deviceMapCount, 32);
        if (!ok) {
            ASSERT_EQ(count, 0) << "shape " << s;
            continue;
        }
        ASSERT_EQ(count, static_cast<int>(expected.size())) << "shape " << s;
        adapterCount = count;
        ReadPortResources();
        for (int i = 0; i < count; ++i) {
            const DeviceMapEntry *e = deviceMaps[i];
            const ModelPort &m = expected[static_cast<size_t>(i)];
            ASSERT_EQ(e->portNumber, m.number) << "shape " << s;
            ASSERT_EQ(e->deviceCount, m.slots.size()) << "shape " << s;
            for (int d = 0; d < kDeviceSlots; ++d) {
                const DeviceSlot &slot = e->devices[d];
                ASSERT_LT(wcsnlen(slot.identifier, 32), 32u);
                ASSERT_LT(wcsnlen(slot.deviceType, 32), 32u);
                if (d >= static_cast<int>(m.slots.size())) {
                    ASSERT_EQ(slot.targetId, kEmptySlot);
                    continue;
                }
                ASSERT_EQ(slot.targetId, m.slots[static_cast<size_t>(d)].target) << "shape " << s;
                ASSERT_EQ(slot.lun, m.slots[static_cast<size_t>(d)].lun) << "shape " << s;
                ASSERT_EQ(std::wstring(slot.identifier), m.slots[static_cast<size_t>(d)].identifier) << "shape " << s;
            }
            ASSERT_EQ(portInterrupt[i], m.interrupt) << "shape " << s;
            ASSERT_EQ(portIoAddress[i], m.io) << "shape " << s;
        }
        ++walked;
        adapters += count;
    }
    ResetProgramState();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
    std::printf("%d shapes, %d walked through, %d adapters found\n", shapes, walked, adapters);
}

}  // namespace

// 10,000 shapes in four runs of 2,500.
TEST(DeviceMapFuzz, ShapesFromSeed1) { RunShapes(1, 2500); }
TEST(DeviceMapFuzz, ShapesFromSeed2) { RunShapes(2, 2500); }
TEST(DeviceMapFuzz, ShapesFromSeed3) { RunShapes(3, 2500); }
TEST(DeviceMapFuzz, ShapesFromSeed4) { RunShapes(4, 2500); }
