#include "emulator/bench/bench.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

#include "emulator/bench_format.h"
#include "store/defaults.h"
#include "store/utf8.h"

namespace {

std::vector<std::string> Tokens(const std::string &line)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string token;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos)
                end = line.size();
            token = line.substr(i + 1, end - i - 1);
            i = end + 1;
            out.push_back("\x01" + token);  // marks a quoted token
            continue;
        }
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            token += line[i++];
        out.push_back(token);
    }
    return out;
}

std::string Plain(const std::string &token)
{
    return !token.empty() && token[0] == '\x01' ? token.substr(1) : token;
}

bool Number(const std::string &token, std::uint32_t &value)
{
    std::string t = Plain(token);
    if (t.empty())
        return false;
    char *end = nullptr;
    unsigned long long v = std::strtoull(t.c_str(), &end, 0);
    if (*end || v > 0xFFFFFFFFull)
        return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool Faults(const std::string &token, std::uint32_t &faults)
{
    faults = 0;
    std::stringstream list(Plain(token));
    std::string name;
    while (std::getline(list, name, ',')) {
        if (name == "nodevice") faults |= KTREMU_FAULT_NO_DEVICE;
        else if (name == "openfails") faults |= KTREMU_FAULT_OPEN_FAILS;
        else if (name == "readfails") faults |= KTREMU_FAULT_READ_FAILS;
        else if (name == "writefails") faults |= KTREMU_FAULT_WRITE_FAILS;
        else if (name == "denied") faults |= KTREMU_FAULT_DENIED;
        else if (name == "changes") faults |= KTREMU_FAULT_CHANGES;
        else if (name != "none") return false;
    }
    return true;
}

void PutU32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(std::vector<std::uint8_t> &out, const std::wstring &text)
{
    for (wchar_t ch : text) {
        out.push_back(static_cast<std::uint8_t>(ch));
        out.push_back(static_cast<std::uint8_t>(ch >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

std::vector<std::uint8_t> TextData(const std::wstring &text)
{
    std::vector<std::uint8_t> data;
    PutText(data, text);
    return data;
}

std::vector<std::uint8_t> DwordData(std::uint32_t v)
{
    std::vector<std::uint8_t> data;
    PutU32(data, v);
    return data;
}

struct BlobWriter {
    std::vector<std::uint8_t> blob;
    std::uint32_t records = 0;

    BlobWriter() { blob.resize(sizeof(KtrBenchHeader)); }

    void Record(std::uint16_t kind, const std::vector<std::uint8_t> &payload)
    {
        blob.push_back(static_cast<std::uint8_t>(kind));
        blob.push_back(static_cast<std::uint8_t>(kind >> 8));
        blob.push_back(0);
        blob.push_back(0);
        PutU32(blob, static_cast<std::uint32_t>(sizeof(KtrBenchRecord) + payload.size()));
        blob.insert(blob.end(), payload.begin(), payload.end());
        ++records;
    }
    void Key(const std::wstring &path)
    {
        std::vector<std::uint8_t> payload;
        PutText(payload, path);
        Record(KTREMU_RECORD_KEY, payload);
    }
    void Value(const std::wstring &path, const std::wstring &name, std::uint32_t type,
               const std::vector<std::uint8_t> &data)
    {
        std::vector<std::uint8_t> payload;
        PutU32(payload, type);
        PutU32(payload, static_cast<std::uint32_t>(path.size() + 1));
        PutU32(payload, static_cast<std::uint32_t>(name.size() + 1));
        PutU32(payload, static_cast<std::uint32_t>(data.size()));
        PutText(payload, path);
        PutText(payload, name);
        payload.insert(payload.end(), data.begin(), data.end());
        Record(KTREMU_RECORD_VALUE, payload);
    }
    std::vector<std::uint8_t> Done()
    {
        KtrBenchHeader header = {KTREMU_BENCH_MAGIC, records};
        std::memcpy(blob.data(), &header, sizeof(header));
        return blob;
    }
};

const wchar_t kParametersKey[] = L"System\\CurrentControlSet\\Services\\" KTREMU_SERVICE L"\\Parameters";

bool WaitForState(SC_HANDLE service, DWORD state)
{
    for (int i = 0; i < 400; ++i) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
        Sleep(25);
    }
    return false;
}

std::string Hex(std::uint32_t v, int digits)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%0*X", digits, v);
    return text;
}

}  // namespace

bool ParseBench(const std::string &text, const std::wstring &baseDir, Bench &bench, std::string &error)
{
    bench = Bench{};
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    BenchPort *port = nullptr;
    auto fail = [&](const std::string &why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::vector<std::string> t = Tokens(line);
        if (t.empty())
            continue;
        const std::string word = Plain(t[0]);
        std::uint32_t n = 0;
        if (word == "port") {
            if (t.size() < 2 || !Number(t[1], n))
                return fail("port needs a number");
            bench.ports.emplace_back();
            port = &bench.ports.back();
            port->number = static_cast<int>(n);
            // The port line may carry the port's own words: key, driver, irq, io and the no- words.
            for (size_t i = 2; i < t.size(); ++i) {
                const std::string w = Plain(t[i]);
                const bool hasArg = i + 1 < t.size();
                if (w == "key" && hasArg) port->keyName = Wide(Plain(t[++i]));
                else if (w == "driver" && hasArg) port->driver = Wide(Plain(t[++i]));
                else if (w == "irq" && hasArg && Number(t[i + 1], n)) { port->irq = n; ++i; }
                else if (w == "io" && hasArg && Number(t[i + 1], n)) { port->io = n; ++i; }
                else if (w == "nodriver") port->hasDriver = false;
                else if (w == "noirq") port->hasIrq = false;
                else if (w == "noio") port->hasIo = false;
                else if (w == "nobus") port->hasBus = false;
                else return fail("unknown port word '" + w + "'");
            }
            continue;
        }
        if (word == "key") {
            if (t.size() < 2)
                return fail("key needs a path");
            bench.rawKeys.push_back(Wide(Plain(t[1])));
            continue;
        }
        if (word == "value") {
            if (t.size() < 4)
                return fail("value needs a path, a name and a type");
            BenchRawValue v;
            v.path = Wide(Plain(t[1]));
            v.name = Wide(Plain(t[2]));
            const std::string type = Plain(t[3]);
            if (type == "dword" && t.size() >= 5 && Number(t[4], n)) {
                v.type = REG_DWORD;
                v.data = DwordData(n);
            } else if (type == "sz" && t.size() >= 5) {
                v.type = REG_SZ;
                v.data = TextData(Wide(Plain(t[4])));
            } else if (type == "raw" && t.size() >= 5 && Number(t[4], n)) {
                v.type = n;  // raw <type> <byte>...
                for (size_t i = 5; i < t.size(); ++i) {
                    std::uint32_t b;
                    if (!Number(t[i], b) || b > 255)
                        return fail("raw value bytes are 0 to 255");
                    v.data.push_back(static_cast<std::uint8_t>(b));
                }
            } else {
                return fail("value type is dword N, sz \"text\" or raw TYPE BYTES");
            }
            bench.rawValues.push_back(v);
            continue;
        }
        if (!port)
            return fail("'" + word + "' outside a port");
        if (word == "driver" && t.size() >= 2) {
            port->driver = Wide(Plain(t[1]));
        } else if (word == "nodriver") {
            port->hasDriver = false;
        } else if (word == "irq" && t.size() >= 2 && Number(t[1], n)) {
            port->irq = n;
        } else if (word == "noirq") {
            port->hasIrq = false;
        } else if (word == "io" && t.size() >= 2 && Number(t[1], n)) {
            port->io = n;
        } else if (word == "noio") {
            port->hasIo = false;
        } else if (word == "nobus") {
            port->hasBus = false;
        } else if (word == "buskey" && t.size() >= 2) {
            port->busKeys.push_back(Wide(Plain(t[1])));
        } else if (word == "unit" && t.size() >= 3) {
            BenchUnit u;
            std::uint32_t target, lun;
            if (!Number(t[1], target) || !Number(t[2], lun))
                return fail("unit needs a target and a logical unit number");
            u.target = static_cast<int>(target);
            u.lun = static_cast<int>(lun);
            size_t i = 3;
            if (i < t.size() && t[i][0] == '\x01')
                u.identifier = Wide(Plain(t[i++]));
            for (; i < t.size(); ++i) {
                const std::string w = Plain(t[i]);
                if (w == "noidentifier") u.hasIdentifier = false;
                else if (w == "notype") u.hasType = false;
                else if (w == "type" && i + 1 < t.size()) u.type = Wide(Plain(t[++i]));
                else if (w == "targetkey" && i + 1 < t.size()) u.targetKey = Wide(Plain(t[++i]));
                else if (w == "unitkey" && i + 1 < t.size()) u.unitKey = Wide(Plain(t[++i]));
                else return fail("unknown unit word '" + w + "'");
            }
            port->units.push_back(u);
        } else if (word == "adapter") {
            port->isAdapter = true;
            BenchAdapter &a = port->adapter;
            bool statusGiven = false;
            for (size_t i = 1; i + 1 < t.size(); i += 2) {
                const std::string w = Plain(t[i]);
                if (w == "chip" && Number(t[i + 1], n) && n < 256) a.chip = static_cast<std::uint8_t>(n);
                else if (w == "status" && Number(t[i + 1], n)) { a.status = n; statusGiven = true; }
                else if (w == "length" && Number(t[i + 1], n)) a.length = n;
                else if (w == "faults" && Faults(t[i + 1], a.faults)) {}
                else return fail("adapter takes chip N, status X, length N, faults LIST");
            }
            if (!statusGiven)
                a.status = static_cast<std::uint32_t>(a.chip) << 8;
        } else if (word == "image" && t.size() >= 2) {
            const std::string kind = Plain(t[1]);
            BenchAdapter &a = port->adapter;
            if (kind == "defaults") a.image = BenchImage::Defaults;
            else if (kind == "zero") a.image = BenchImage::Zero;
            else if (kind == "keep") a.image = BenchImage::Keep;
            else if (kind == "random" && t.size() >= 3 && Number(t[2], a.seed)) a.image = BenchImage::Random;
            else if (kind == "file" && t.size() >= 3) {
                a.image = BenchImage::File;
                a.file = baseDir.empty() ? Wide(Plain(t[2])) : baseDir + L"\\" + Wide(Plain(t[2]));
            } else return fail("image is defaults, zero, keep, random SEED or file PATH");
        } else if (word == "set" && t.size() >= 3) {
            std::uint32_t offset;
            if (!Number(t[1], offset))
                return fail("set needs an offset");
            for (size_t i = 2; i < t.size(); ++i) {
                std::uint32_t b;
                if (!Number(t[i], b) || b > 255 || offset + (i - 2) >= kImageSize)
                    return fail("set writes bytes 0 to 255 inside the 1260-byte image");
                port->adapter.pokes.emplace_back(static_cast<int>(offset + (i - 2)), static_cast<std::uint8_t>(b));
            }
        } else {
            return fail("unknown or incomplete line '" + word + "'");
        }
    }
    return true;
}

bool LoadBenchFile(const std::wstring &path, Bench &bench, std::string &error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open the bench file";
        return false;
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got)
        text.append(chunk, got);
    CloseHandle(file);
    std::wstring dir = path;
    size_t slash = dir.find_last_of(L"\\/");
    dir = slash == std::wstring::npos ? L"" : dir.substr(0, slash);
    return ParseBench(text, dir, bench, error);
}

std::vector<std::uint8_t> BenchBlob(const Bench &bench)
{
    BlobWriter w;
    for (const BenchPort &p : bench.ports) {
        const std::wstring portKey = p.keyName.empty() ? L"Scsi Port " + std::to_wstring(p.number) : p.keyName;
        w.Key(portKey);
        if (p.hasDriver)
            w.Value(portKey, L"Driver", REG_SZ, TextData(p.driver));
        if (p.hasIrq)
            w.Value(portKey, L"Interrupt", REG_DWORD, DwordData(p.irq));
        if (p.hasIo)
            w.Value(portKey, L"IOAddress", REG_DWORD, DwordData(p.io));
        if (p.hasBus) {
            const std::wstring bus = portKey + L"\\Scsi Bus 0";
            w.Key(bus);
            for (const std::wstring &extra : p.busKeys)
                w.Key(bus + L"\\" + extra);
            for (const BenchUnit &u : p.units) {
                const std::wstring target =
                    bus + L"\\" + (u.targetKey.empty() ? L"Target Id " + std::to_wstring(u.target) : u.targetKey);
                const std::wstring unit =
                    target + L"\\" + (u.unitKey.empty() ? L"Logical Unit Id " + std::to_wstring(u.lun) : u.unitKey);
                w.Key(unit);
                if (u.hasIdentifier)
                    w.Value(unit, L"Identifier", REG_SZ, TextData(u.identifier));
                if (u.hasType)
                    w.Value(unit, L"Type", REG_SZ, TextData(u.type));
            }
        }
    }
    for (const std::wstring &k : bench.rawKeys)
        w.Key(k);
    for (const BenchRawValue &v : bench.rawValues)
        w.Value(v.path, v.name, v.type, v.data);
    for (const BenchPort &p : bench.ports)
        if (p.isAdapter) {
            std::vector<std::uint8_t> payload;
            PutU32(payload, static_cast<std::uint32_t>(p.number));
            PutU32(payload, p.adapter.faults);
            w.Record(KTREMU_RECORD_ADAPTER, payload);
        }
    return w.Done();
}

std::vector<std::uint8_t> MakeBenchImage(const BenchAdapter &adapter, std::string &error)
{
    std::vector<std::uint8_t> image(kImageSize, 0);
    switch (adapter.image) {
    case BenchImage::Defaults: {
        AdapterRecord record{};
        record.chipType = adapter.chip;
        FillDefaultSettings(record);
        std::memcpy(image.data(), &record.image, kImageSize);
        break;
    }
    case BenchImage::Random: {
        std::mt19937 gen(adapter.seed);
        for (auto &b : image)
            b = static_cast<std::uint8_t>(gen());
        break;
    }
    case BenchImage::File: {
        HANDLE file = CreateFileW(adapter.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        if (file == INVALID_HANDLE_VALUE || !ReadFile(file, image.data(), kImageSize, &got, nullptr) || got != kImageSize)
            error = "image file must hold 1260 bytes";
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        break;
    }
    case BenchImage::Zero:
    case BenchImage::Keep:
        break;
    }
    for (const auto &poke : adapter.pokes)
        image[static_cast<size_t>(poke.first)] = poke.second;
    return image;
}

std::wstring ImageFilePath(int port)
{
    return std::wstring(KTREMU_DATA_DIR) + L"\\port" + std::to_wstring(port) + L".img";
}

bool ReadStoredImage(int port, std::vector<std::uint8_t> &image)
{
    image.assign(kImageSize, 0);
    HANDLE file = CreateFileW(ImageFilePath(port).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD got = 0;
    BOOL ok = ReadFile(file, image.data(), kImageSize, &got, nullptr);
    CloseHandle(file);
    return ok && got == kImageSize;
}

bool WriteStoredImage(int port, const std::vector<std::uint8_t> &image)
{
    CreateDirectoryW(KTREMU_DATA_DIR, nullptr);
    HANDLE file = CreateFileW(ImageFilePath(port).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    BOOL ok = WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &put, nullptr);
    CloseHandle(file);
    return ok && put == image.size();
}

bool SetPortParameter(const wchar_t *prefix, int port, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return false;
    std::wstring name = prefix + std::to_wstring(port);
    LONG r = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

// Stops the driver if it runs; with start, starts it again.
static bool CycleEmulator(bool start, std::string &error)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        error = "cannot open the service manager";
        return false;
    }
    SC_HANDLE service = OpenServiceW(manager, KTREMU_SERVICE, SERVICE_ALL_ACCESS);
    bool ok = service != nullptr || !start;
    if (service) {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            WaitForState(service, SERVICE_STOPPED);
        }
        // Wine's driver host sometimes refuses a start on a busy machine (error
        // 1359) and takes the next one.
        for (int attempt = 0; start && attempt < 3; ++attempt) {
            ok = StartServiceW(service, 0, nullptr) && WaitForState(service, SERVICE_RUNNING);
            if (ok || GetLastError() != ERROR_INTERNAL_ERROR)
                break;
            Sleep(200);
        }
        if (!ok)
            error = "the emulator driver did not start (error " + std::to_string(GetLastError()) + ")";
        CloseServiceHandle(service);
    } else if (start) {
        error = "the emulator service is not installed";
    }
    CloseServiceHandle(manager);
    return ok;
}

bool RestartEmulator(std::string &error)
{
    return CycleEmulator(true, error);
}

bool SetPortFaults(int port, DWORD faults, std::string &error)
{
    const DWORD fixedAtStart = KTREMU_FAULT_NO_DEVICE | KTREMU_FAULT_OPEN_FAILS;
    HKEY key;
    DWORD before = 0, size = sizeof(before);
    if (!RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParametersKey, 0, KEY_READ, &key)) {
        std::wstring name = L"Faults" + std::to_wstring(port);
        RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE *>(&before), &size);
        RegCloseKey(key);
    }
    if (!SetPortParameter(L"Faults", port, faults)) {
        error = "cannot write the emulator's parameters";
        return false;
    }
    return ((before ^ faults) & fixedAtStart) == 0 || RestartEmulator(error);
}

bool InstallBench(const Bench &bench, const std::wstring &driverFile, std::string &error)
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring target = std::wstring(system) + L"\\drivers\\" KTREMU_DRIVER_FILE;
    if (!CycleEmulator(false, error))
        return false;
    if (!driverFile.empty() && !CopyFileW(driverFile.c_str(), target.c_str(), FALSE)) {
        error = "cannot copy the emulator driver";
        return false;
    }
    // Parameters: the blob and the per-port settings.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kParametersKey);
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) {
        error = "cannot write the emulator's parameters";
        return false;
    }
    std::vector<std::uint8_t> blob = BenchBlob(bench);
    RegSetValueExW(key, L"Bench", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
    RegCloseKey(key);
    CreateDirectoryW(KTREMU_DATA_DIR, nullptr);
    for (const BenchPort &p : bench.ports) {
        if (!p.isAdapter)
            continue;
        SetPortParameter(L"Status", p.number, p.adapter.status);
        SetPortParameter(L"Length", p.number, p.adapter.length);
        SetPortParameter(L"Faults", p.number, p.adapter.faults);
        if (p.adapter.image == BenchImage::Keep)
            continue;
        std::vector<std::uint8_t> image = MakeBenchImage(p.adapter, error);
        if (!error.empty())
            return false;
        if (!WriteStoredImage(p.number, image)) {
            error = "cannot write an adapter's image file";
            return false;
        }
    }
    // The driver service: a kernel driver that every Wine start loads.
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        error = "cannot open the service manager";
        return false;
    }
    SC_HANDLE service = OpenServiceW(manager, KTREMU_SERVICE, SERVICE_ALL_ACCESS);
    if (!service)
        service = CreateServiceW(manager, KTREMU_SERVICE, L"KTR adapter emulator", SERVICE_ALL_ACCESS,
                                 SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, target.c_str(),
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (!service) {
        error = "cannot create the emulator service";
        return false;
    }
    return RestartEmulator(error);
}

PortCounts ReadPortCounts(int port)
{
    PortCounts counts;
    HKEY key;
    std::wstring path = std::wstring(KTREMU_STATS_KEY) + L"\\Port" + std::to_wstring(port);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key))
        return counts;
    counts.present = true;
    auto dword = [&](const wchar_t *name) {
        DWORD v = 0, size = sizeof(v);
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&v), &size);
        return v;
    };
    counts.opens = dword(L"Opens");
    counts.reads = dword(L"Reads");
    counts.writes = dword(L"Writes");
    counts.rejected = dword(L"Rejected");
    counts.lastInput = dword(L"LastInput");
    counts.lastOutput = dword(L"LastOutput");
    BYTE header[64];
    DWORD size = sizeof(header);
    if (RegQueryValueExW(key, L"LastHeader", nullptr, nullptr, header, &size) == ERROR_SUCCESS)
        counts.lastHeader.assign(header, header + size);
    RegCloseKey(key);
    return counts;
}

std::string DescribeImage(const std::vector<std::uint8_t> &bytes)
{
    std::ostringstream out;
    if (bytes.size() < kImageSize)
        return "(short image)\n";
    SettingsImage image;
    std::memcpy(&image, bytes.data(), kImageSize);
    out << "host ID " << int(image.hostId) << ", adapterFlags 0x" << Hex(image.adapterFlags.get(), 4)
        << (image.adapterFlags.get() & kDefaultsSubstituted ? " (defaults substituted)" : "") << ", adapterOption 0x"
        << Hex(image.adapterOption.get(), 4) << "\n";
    out << "ID  flags  width  rate  value\n";
    for (int id = 0; id < kScsiIds; ++id) {
        const DeviceEntry &e = image.deviceTable[static_cast<size_t>(id)];
        char line[80];
        std::snprintf(line, sizeof(line), "%2d  0x%02X   %5d  %4d  %5d\n", id, e.deviceFlags, e.busWidth,
                      e.syncCode.get(), e.deviceValue.get());
        out << line;
    }
    out << "raw:\n";
    for (size_t at = 0; at < kImageSize; at += 16) {
        out << Hex(static_cast<std::uint32_t>(at), 4) << ":";
        for (size_t i = at; i < at + 16 && i < kImageSize; ++i)
            out << " " << Hex(bytes[i], 2);
        out << "\n";
    }
    return out.str();
}
