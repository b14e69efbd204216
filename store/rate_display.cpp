#include "store/rate_display.h"

namespace {

struct RateRow {
    std::uint16_t syncCode;
    std::uint8_t narrow;
    std::uint8_t wide;
};

constexpr RateRow kRates[] = {
    {40, 40, 80},
    {48, 20, 40},
    {100, 10, 20},
    {200, 5, 10},
};

}  // namespace

ShownRate LookupRate(std::uint16_t syncCode, std::uint8_t busWidth)
{
    if (syncCode == 0)
        return {RateKind::Async, 0};
    for (const RateRow &row : kRates)
        if (row.syncCode == syncCode)
            return {RateKind::Number, busWidth == 8 ? row.narrow : row.wide};
    return {RateKind::Unknown, 0};
}

const wchar_t *RateNumberFormat(int megabytes, bool withTab)
{
    if (megabytes == 5)
        return withTab ? L"%2d\t" : L"%2d";
    return withTab ? L"%d\t" : L"%d";
}
