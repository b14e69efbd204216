// The settings image layout, the chip rules, the defaults, the uniformity
// predicates and the rate display.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "store/chip_table.h"
#include "store/defaults.h"
#include "store/rate_display.h"

namespace {

SettingsImage RandomImage(unsigned seed)
{
    std::mt19937 gen(seed);
    std::uint8_t raw[kImageSize];
    for (auto &b : raw)
        b = static_cast<std::uint8_t>(gen());
    SettingsImage image;
    std::memcpy(&image, raw, kImageSize);
    return image;
}

const std::uint8_t *Bytes(const SettingsImage &image)
{
    return reinterpret_cast<const std::uint8_t *>(&image);
}

DeviceTable UniformTable()
{
    DeviceTable table{};
    for (DeviceEntry &e : table) {
        e.deviceFlags = 0x0B;
        e.busWidth = 16;
        e.syncCode.set(40);
        e.deviceValue.set(10);
    }
    return table;
}

}  // namespace

TEST(SettingsImage, FieldsReadTheirOwnBytesLittleEndian)
{
    std::uint8_t raw[kImageSize] = {};
    raw[6] = 0x34; raw[7] = 0x12;        // adapterFlags
    raw[8] = 0x02; raw[9] = 0x80;        // adapterOption
    raw[14] = 5; raw[15] = 4; raw[16] = 16; raw[17] = 4;
    // entry 3 starts at 76 + 24 = 100
    raw[100] = 0x0F; raw[101] = 0xAA; raw[102] = 8; raw[103] = 0xBB;
    raw[104] = 200; raw[105] = 0; raw[106] = 0x39; raw[107] = 0x30;
    raw[76 + 15 * 8 + 6] = 0xFF;         // entry 15 value low byte
    SettingsImage image;
    std::memcpy(&image, raw, kImageSize);

    EXPECT_EQ(image.adapterFlags.get(), 0x1234);
    EXPECT_EQ(image.adapterOption.get(), 0x8002);
    EXPECT_EQ(image.hostId, 5);
    EXPECT_EQ(image.hostByte16, 16);
    const DeviceEntry &e = image.deviceTable[3];
    EXPECT_EQ(e.deviceFlags, 0x0F);
    EXPECT_EQ(e.busWidth, 8);
    EXPECT_EQ(e.syncCode.get(), 200);
    EXPECT_EQ(e.deviceValue.get(), 12345);
    EXPECT_EQ(image.deviceTable[15].deviceValue.get(), 0x00FF);

    image.deviceTable[0].syncCode.set(0xABCD);
    EXPECT_EQ(Bytes(image)[80], 0xCD);
    EXPECT_EQ(Bytes(image)[81], 0xAB);
    image.clearedEntries[3].cleared1[3] = 0x77;
    EXPECT_EQ(Bytes(image)[75], 0x77);
    image.reserved204[1055] = 0x66;
    EXPECT_EQ(Bytes(image)[1259], 0x66);
}

TEST(ChipTable, NamesAndDefaultRulesForEveryCode)
{
    EXPECT_STREQ(ChipName(6), L"KTR-A0060");
    EXPECT_STREQ(ChipName(15), L"KTR-A0150");
    for (int code : {0, 2, 8, 9, 10, 14})
        EXPECT_STREQ(ChipName(static_cast<std::uint8_t>(code)), L"") << code;
    for (int code = 16; code < 256; ++code) {
        EXPECT_STREQ(ChipName(static_cast<std::uint8_t>(code)), L"") << code;
        EXPECT_EQ(DefaultBusWidth(static_cast<std::uint8_t>(code)), 16) << code;
        EXPECT_EQ(DefaultSyncCode(static_cast<std::uint8_t>(code)), 40) << code;
    }
    const std::set<int> narrow = {1, 4, 6}, fast = {1, 3, 4}, medium = {6, 13, 15};
    for (int code = 0; code < 16; ++code) {
        auto c = static_cast<std::uint8_t>(code);
        EXPECT_EQ(DefaultBusWidth(c), narrow.count(code) ? 8 : 16) << code;
        EXPECT_EQ(DefaultSyncCode(c), fast.count(code) ? 100 : medium.count(code) ? 48 : 40) << code;
    }
}

TEST(FillDefaultSettings, WritesExactlyTheDefaultFields)
{
    for (int chip : {0, 3, 6, 12, 200}) {
        AdapterRecord record{};
        record.chipType = static_cast<std::uint8_t>(chip);
        record.modified = 1;
        record.imageLength = 1000;
        record.image = RandomImage(static_cast<unsigned>(chip) + 1);
        const SettingsImage before = record.image;

        EXPECT_EQ(FillDefaultSettings(record), 0);

        EXPECT_EQ(record.chipType, chip);
        EXPECT_EQ(record.modified, 1);
        EXPECT_EQ(record.imageLength, 1000u);
        const SettingsImage &img = record.image;
        EXPECT_EQ(img.adapterFlags.get(), 0x0007);
        EXPECT_EQ(img.adapterOption.get(), 0);
        EXPECT_EQ(img.hostId, 7);
        EXPECT_EQ(img.hostByte15, 4);
        EXPECT_EQ(img.hostByte16, 16);
        EXPECT_EQ(img.hostByte17, 4);
        const auto c = static_cast<std::uint8_t>(chip);
        for (const DeviceEntry &e : img.deviceTable) {
            EXPECT_EQ(e.deviceFlags, 15);
            EXPECT_EQ(e.busWidth, DefaultBusWidth(c));
            EXPECT_EQ(e.syncCode.get(), DefaultSyncCode(c));
            EXPECT_EQ(e.deviceValue.get(), 10);
        }
        // Every byte outside the written fields is as it was.
        std::set<int> written = {6, 7, 8, 9, 14, 15, 16, 17};
        for (int n = 0; n < kScsiIds; ++n)
            for (int off : {0, 2, 4, 5, 6, 7})
                written.insert(76 + 8 * n + off);
        for (int at = 0; at < static_cast<int>(kImageSize); ++at)
            if (!written.count(at)) {
                ASSERT_EQ(Bytes(img)[at], Bytes(before)[at]) << "chip " << chip << " byte " << at;
            }
    }
}

TEST(FillDefaultSettings, ChipSixIsNarrowAtRate48)
{
    AdapterRecord record{};
    record.chipType = 6;
    record.image.adapterFlags.set(0xFFF0);
    FillDefaultSettings(record);
    EXPECT_EQ(record.image.adapterFlags.get(), 0x0007);
    EXPECT_EQ(record.image.deviceTable[15].busWidth, 8);
    EXPECT_EQ(record.image.deviceTable[15].syncCode.get(), 48);
}

TEST(Uniformity, EachPredicateComparesItsColumnOverAllSixteen)
{
    DeviceTable table = UniformTable();
    EXPECT_EQ(IsSyncUniform(table), 1);
    EXPECT_EQ(IsWidthUniform(table), 1);
    for (std::uint32_t mask : {1u, 2u, 4u, 8u})
        EXPECT_EQ(IsFlagUniform(table, mask), 1);
    EXPECT_EQ(IsValueUniform(table), 1);

    // Bytes 1 and 3 belong to no column.
    table[15].reserved1 = 0x55;
    table[9].reserved3 = 0x66;
    table[4].deviceFlags |= 0xF0;  // bits 4..7 are not options
    EXPECT_EQ(IsSyncUniform(table) & IsWidthUniform(table) & IsValueUniform(table), 1);
    for (std::uint32_t mask : {1u, 2u, 4u, 8u})
        EXPECT_EQ(IsFlagUniform(table, mask), 1);

    DeviceTable t = UniformTable();
    t[15].busWidth = 8;
    EXPECT_EQ(IsSyncUniform(t), 0) << "the rate depends on the width too";
    EXPECT_EQ(IsWidthUniform(t), 0);
    EXPECT_EQ(IsValueUniform(t), 1);

    t = UniformTable();
    t[15].syncCode.set(0x0128);  // differs in the high byte only
    EXPECT_EQ(IsSyncUniform(t), 0);
    EXPECT_EQ(IsWidthUniform(t), 1);

    t = UniformTable();
    t[15].deviceValue.set(0x010A);
    EXPECT_EQ(IsValueUniform(t), 0);
    EXPECT_EQ(IsSyncUniform(t), 1);

    t = UniformTable();
    t[15].deviceFlags ^= 0x01 | 0x08;
    EXPECT_EQ(IsFlagUniform(t, 1), 0);
    EXPECT_EQ(IsFlagUniform(t, 2), 1);
    EXPECT_EQ(IsFlagUniform(t, 4), 1);
    EXPECT_EQ(IsFlagUniform(t, 8), 0);

    t = UniformTable();
    t[0].deviceFlags ^= 0x04;  // entry 0 alone differs
    EXPECT_EQ(IsFlagUniform(t, 4), 0);
}

TEST(RateDisplay, RateByCodeAndWidth)
{
    struct Case { std::uint16_t code; std::uint8_t width; RateKind kind; int mb; };
    const Case cases[] = {
        {0, 8, RateKind::Async, 0},     {0, 16, RateKind::Async, 0},
        {40, 8, RateKind::Number, 40},  {40, 16, RateKind::Number, 80},
        {48, 8, RateKind::Number, 20},  {48, 16, RateKind::Number, 40},
        {48, 32, RateKind::Number, 40}, {100, 8, RateKind::Number, 10},
        {100, 16, RateKind::Number, 20}, {200, 8, RateKind::Number, 5},
        {200, 16, RateKind::Number, 10}, {200, 0, RateKind::Number, 10},
        {50, 8, RateKind::Unknown, 0},  {50, 16, RateKind::Unknown, 0},
        {0x0128, 16, RateKind::Unknown, 0},
    };
    for (const Case &c : cases) {
        ShownRate r = LookupRate(c.code, c.width);
        EXPECT_EQ(r.kind, c.kind) << c.code << "/" << int(c.width);
        if (c.kind == RateKind::Number) {
            EXPECT_EQ(r.megabytes, c.mb) << c.code << "/" << int(c.width);
        }
    }
}

TEST(RateDisplay, NarrowFiveFillsTwoPlaces)
{
    wchar_t text[16];
    wsprintfW(text, RateNumberFormat(5, false), 5);
    EXPECT_STREQ(text, L" 5");
    wsprintfW(text, RateNumberFormat(5, true), 5);
    EXPECT_STREQ(text, L" 5\t");
    wsprintfW(text, RateNumberFormat(10, true), 10);
    EXPECT_STREQ(text, L"10\t");
    wsprintfW(text, RateNumberFormat(80, false), 80);
    EXPECT_STREQ(text, L"80");
}
