#include "store/chip_table.h"

const wchar_t *const chipNames[kChipCodes] = {
    L"",          L"KTR-A0010", L"",          L"KTR-A0030", L"KTR-A0040", L"KTR-A0050",
    L"KTR-A0060", L"KTR-A0070", L"",          L"",          L"",          L"KTR-A0110",
    L"KTR-A0120", L"KTR-A0130", L"",          L"KTR-A0150",
};

const wchar_t *ChipName(std::uint8_t chipType)
{
    return chipType < kChipCodes ? chipNames[chipType] : L"";
}

std::uint8_t DefaultBusWidth(std::uint8_t chipType)
{
    switch (chipType) {
    case 1: case 4: case 6:
        return 8;
    default:
        return 16;
    }
}

std::uint16_t DefaultSyncCode(std::uint8_t chipType)
{
    switch (chipType) {
    case 1: case 3: case 4:
        return 100;
    case 6: case 13: case 15:
        return 48;
    default:
        return 40;
    }
}
