// Helpers for tests that run against the adapter emulator: install a bench
// written in the bench language, and send raw settings requests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/bench/bench.h"

// Installs the bench and restarts the emulator; returns an empty text or the error.
std::string InstallTestBench(const std::string &benchText);
std::string InstallTestBench(const Bench &bench);
// Installs the demo bench that the run command shows.
std::string InstallDemoBench();

// A request buffer: the 28-byte header followed by room for the image.
std::vector<std::uint8_t> MakeRequest(const char *signature, std::uint32_t length, std::size_t totalSize,
                                      std::uint32_t headerLength = 28, std::uint32_t controlCode = 0x804E5643);

std::uint32_t RequestField(const std::vector<std::uint8_t> &request, std::size_t offset);

struct RequestResult {
    bool opened = false;
    DWORD openError = 0;
    bool ok = false;
    DWORD error = 0;
};

// Opens \\.\Scsi<port>: and sends one device-control request with the buffer
// as input (inSize bytes) and output (outSize bytes).
RequestResult SendRequest(int port, std::vector<std::uint8_t> &buffer, DWORD inSize, DWORD outSize,
                          DWORD code = 0x4D008);

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed);
