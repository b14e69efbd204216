#include "tests/emulator_support.h"

#include <random>

#include "emulator/bench_format.h"

std::string InstallTestBench(const Bench &bench)
{
    std::string error;
    if (!InstallBench(bench, KTR_EMULATOR_DRIVER, error))
        return error.empty() ? "bench not installed" : error;
    return {};
}

std::string InstallTestBench(const std::string &benchText)
{
    Bench bench;
    std::string error;
    if (!ParseBench(benchText, L"", bench, error))
        return "bench text: " + error;
    return InstallTestBench(bench);
}

std::vector<std::uint8_t> MakeRequest(const char *signature, std::uint32_t length, std::size_t totalSize,
                                      std::uint32_t headerLength, std::uint32_t controlCode)
{
    std::vector<std::uint8_t> r(totalSize < 28 ? 28 : totalSize, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, headerLength);
    for (int i = 0; i < 8 && signature[i]; ++i)
        r[4 + i] = static_cast<std::uint8_t>(signature[i]);
    put(12, 2);
    put(16, controlCode);
    put(24, length);
    r.resize(totalSize);
    return r;
}

std::uint32_t RequestField(const std::vector<std::uint8_t> &request, std::size_t offset)
{
    return request[offset] | (request[offset + 1] << 8) | (request[offset + 2] << 16) |
           (static_cast<std::uint32_t>(request[offset + 3]) << 24);
}

RequestResult SendRequest(int port, std::vector<std::uint8_t> &buffer, DWORD inSize, DWORD outSize, DWORD code)
{
    RequestResult result;
    const std::wstring path = L"\\\\.\\Scsi" + std::to_wstring(port) + L":";
    HANDLE device = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        result.openError = GetLastError();
        return result;
    }
    result.opened = true;
    DWORD returned = 0;
    void *data = buffer.empty() ? nullptr : buffer.data();
    result.ok = DeviceIoControl(device, code, data, inSize, data, outSize, &returned, nullptr) != 0;
    result.error = result.ok ? 0 : GetLastError();
    CloseHandle(device);
    return result;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto &b : bytes)
        b = static_cast<std::uint8_t>(gen());
    return bytes;
}

std::string InstallDemoBench()
{
    Bench bench;
    std::string error;
    wchar_t path[MAX_PATH];
    GetFullPathNameW(KTR_DEMO_BENCH, MAX_PATH, path, nullptr);
    if (!LoadBenchFile(path, bench, error))
        return error;
    return InstallTestBench(bench);
}
