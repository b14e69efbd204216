// ktrbench: installs an emulator bench into the Wine prefix and shows what
// the emulated adapters hold.
//   ktrbench install FILE        device map, adapters, images; (re)starts the driver
//   ktrbench restart             restarts the driver (the device map is written anew)
//   ktrbench show PORT           an adapter's stored image, decoded and raw, and its counts
//   ktrbench counts PORT...      request counts
//   ktrbench fault PORT LIST     openfails,readfails,writefails,denied,changes or none; requests
//                                from the next request on, openfails by a restart of the driver
//   ktrbench status PORT VALUE   ReturnCode of the next reads
//   ktrbench length PORT VALUE   Length returned with the next reads
#include <cstdio>
#include <cstdlib>
#include <string>

#include "emulator/bench/bench.h"
#include "emulator/bench_format.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: ktrbench install FILE | restart | show PORT | counts PORT... |\n"
                         "       fault PORT LIST | status PORT VALUE | length PORT VALUE\n");
    return 2;
}

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/"));
}

void PrintCounts(int port)
{
    PortCounts c = ReadPortCounts(port);
    if (!c.present) {
        std::printf("port %d: no emulated adapter\n", port);
        return;
    }
    std::printf("port %d: opens %lu, reads %lu, writes %lu, rejected %lu\n", port, c.opens, c.reads, c.writes,
                c.rejected);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    std::string error;
    if (command == L"install" && argc == 3) {
        Bench bench;
        if (!LoadBenchFile(argv[2], bench, error) ||
            !InstallBench(bench, OwnFolder() + L"\\" KTREMU_DRIVER_FILE, error)) {
            std::fprintf(stderr, "ktrbench: %s\n", error.c_str());
            return 1;
        }
        int adapters = 0;
        for (const BenchPort &p : bench.ports)
            adapters += p.isAdapter;
        std::printf("bench installed: %zu ports, %d emulated adapters\n", bench.ports.size(), adapters);
        return 0;
    }
    if (command == L"restart" && argc == 2) {
        if (!RestartEmulator(error)) {
            std::fprintf(stderr, "ktrbench: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc < 3)
        return Usage();
    const int port = static_cast<int>(std::wcstol(argv[2], nullptr, 0));
    if (command == L"show" && argc == 3) {
        std::vector<std::uint8_t> image;
        if (!ReadStoredImage(port, image)) {
            std::fprintf(stderr, "ktrbench: port %d has no stored image\n", port);
            return 1;
        }
        std::fputs(DescribeImage(image).c_str(), stdout);
        PrintCounts(port);
        return 0;
    }
    if (command == L"counts") {
        for (int i = 2; i < argc; ++i)
            PrintCounts(static_cast<int>(std::wcstol(argv[i], nullptr, 0)));
        return 0;
    }
    if (argc != 4)
        return Usage();
    if (command == L"fault") {
        DWORD faults = 0;
        const std::wstring list = argv[3];
        if (list.find(L"openfails") != std::wstring::npos) faults |= KTREMU_FAULT_OPEN_FAILS;
        if (list.find(L"readfails") != std::wstring::npos) faults |= KTREMU_FAULT_READ_FAILS;
        if (list.find(L"writefails") != std::wstring::npos) faults |= KTREMU_FAULT_WRITE_FAILS;
        if (list.find(L"denied") != std::wstring::npos) faults |= KTREMU_FAULT_DENIED;
        if (list.find(L"changes") != std::wstring::npos) faults |= KTREMU_FAULT_CHANGES;
        if (!SetPortFaults(port, faults, error)) {
            std::fprintf(stderr, "ktrbench: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    const DWORD value = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 0));
    if (command == L"status")
        return SetPortParameter(L"Status", port, value) ? 0 : 1;
    if (command == L"length")
        return SetPortParameter(L"Length", port, value) ? 0 : 1;
    return Usage();
}
