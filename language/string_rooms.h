// How the programs use each string of the language modules: the room that
// they load it into, terminator included, and the wsprintfW conversions
// that they pass with it, in order ("" for none). The code loads a string
// with its room from here; the contract test holds every module to it.
#pragma once

#include <windows.h>

#include <cstddef>

#include "language/resource_ids.h"

struct StringRoomRow {
    UINT first, last;  // a run of strings used alike
    int room;
    const wchar_t *conversions;
};

constexpr StringRoomRow kStringRooms[] = {
    {IDS_CAPTION, IDS_CAPTION, 42, L""},
    {IDS_BACKDROP_RIGHT1, IDS_BACKDROP_RIGHT2, 80, L""},
    {IDS_VERSION_HEAD, IDS_VERSION_HEAD, 512, L""},
    {IDS_SAVED, IDS_SAVED, 120, L""},
    {IDS_INFO_HEAD, IDS_INFO_HEAD, 512, L""},
    {IDS_INFO_TAIL, IDS_INFO_TAIL, 512, L""},
    {IDS_NOTHING_TO_SET, IDS_NOTHING_TO_SET, 120, L""},
    {IDS_REG_PORT_PATH, IDS_REG_IO_ADDRESS, 80, L""},
    {IDS_CHIP_UNKNOWN, IDS_CHIP_UNKNOWN, 80, L""},
    {IDS_SAVE_BUTTON, IDS_EXIT_BUTTON, 120, L""},
    {IDS_BACKDROP_LEFT1, IDS_BACKDROP_LEFT2, 120, L""},
    {IDS_NOT_AVAILABLE, IDS_STATE_UNREAD, 80, L""},
    {IDS_NO_ADAPTER, IDS_READ_FAILED, 120, L""},
    // What the head (512) and the version (15) leave of the box's 1024.
    {IDS_VERSION_TAIL, IDS_VERSION_TAIL, 497, L""},
    {IDS_DRIVER_NAME1, IDS_DRIVER_NAME2, 10, L""},
    {IDS_NO_DEVICE_MAP, IDS_NO_DEVICE_MAP, 120, L""},
    {IDS_REG_DRIVER, IDS_REG_DRIVER, 80, L""},
    {IDS_NO_MEMORY, IDS_NO_MEMORY, 60, L""},
    {IDS_REG_BUS, IDS_REG_TYPE, 80, L""},
    {IDS_ADAPTER_HEADER, IDS_ADAPTER_ROW0 + 3, 80, L""},
    {IDS_ADAPTER_HELP1, IDS_ADAPTER_HELP1 + 2, 512, L""},
    {IDS_DEFAULTS_IN_PLACE, IDS_DEFAULTS_IN_PLACE, 70, L""},
    {IDS_WORD_ON, IDS_WORD_EXTENDED, 80, L""},
    {IDS_TABLE_HEADER1, IDS_TABLE_HEADER2, 256, L""},
    {IDS_NO_DEVICE, IDS_NO_DEVICE, 39, L""},
    {IDS_TABLE_HELP, IDS_TABLE_HELP, 512, L""},
    {IDS_MIXED, IDS_MIXED, 80, L""},
    {IDS_DEVICE_HEADER, IDS_DEVICE_ROW0 + 6, 80, L""},
    {IDS_DEVICE_HELP1, IDS_DEVICE_HELP2, 512, L""},
    {IDS_RATE_REFUSED, IDS_WORD_NO_DEVICE, 80, L""},
    {IDS_DRIVER_NAME3, IDS_DRIVER_NAME3, 10, L""},
    {IDS_WRITE_FAILED, IDS_WRITE_FAILED, 120, L"%d%s"},
    {IDS_NO_MAIN_WINDOW, IDS_NO_MAIN_WINDOW, 120, L""},
    {IDS_FILE_FILTER, IDS_FILE_FILTER, 100, L""},
    {IDS_BACKUP_TITLE, IDS_RESTORE_TITLE, 80, L""},
    {IDS_BACKUP_DONE, IDS_BACKUP_DONE, 256, L"%s"},
    {IDS_BACKUP_PARTIAL, IDS_BACKUP_PARTIAL, 256, L"%s%d"},
    {IDS_BACKUP_NONE, IDS_BACKUP_NONE, 256, L""},
    {IDS_BACKUP_FAILED, IDS_BACKUP_FAILED, 256, L"%s"},
    {IDS_RESTORE_DONE, IDS_RESTORE_DONE, 256, L"%s%d%d"},
    {IDS_RESTORE_SAME, IDS_RESTORE_SAME, 256, L"%s"},
    {IDS_FILE_REFUSED, IDS_FILE_REFUSED, 256, L"%s"},
    {IDS_FILE_CANNOT_READ, IDS_FILE_EMPTY, 256, L""},
    {IDS_FILE_NOT_JSON, IDS_FILE_NOT_JSON, 256, L"%d"},
    {IDS_FILE_FUTURE, IDS_FILE_FUTURE, 256, L""},
    {IDS_FILE_UNKNOWN_KEY, IDS_FILE_BAD_VALUE, 256, L"%s"},
    {IDS_FILE_DUPLICATE, IDS_FILE_BAD_IMAGE, 256, L"%d"},
    {IDS_FILE_EDITED, IDS_FILE_EDITED, 256, L"%d%s"},
    {IDS_FILE_INVALID, IDS_FILE_INVALID, 256, L"%d"},
    {IDS_FILE_REFUSED_RULE, IDS_WRITE_CONFLICT, 256, L"%d%s"},
    {IDS_FILE_OTHER_COMPUTER, IDS_FILE_OTHER_COMPUTER, 256, L"%s%s"},
    {IDS_REREAD_FAILED, IDS_REREAD_FAILED, 256, L"%d"},
    {IDS_HISTORY_UNSAFE, IDS_HISTORY_UNSAFE, 512, L"%s"},
    {IDS_HISTORY_FAILED, IDS_HISTORY_FAILED, 512, L"%s%d"},
};

constexpr bool RoomRowsAscend()
{
    for (std::size_t i = 0; i < sizeof kStringRooms / sizeof kStringRooms[0]; ++i)
        if (kStringRooms[i].first > kStringRooms[i].last || (i > 0 && kStringRooms[i].first <= kStringRooms[i - 1].last))
            return false;
    return true;
}
static_assert(RoomRowsAscend(), "kStringRooms: each string in one row, in the order of their IDs");

// The row of string id; null for a string that no row names.
constexpr const StringRoomRow *StringRoomOf(UINT id)
{
    for (const StringRoomRow &row : kStringRooms)
        if (id >= row.first && id <= row.last)
            return &row;
    return nullptr;
}

// The room of string id; 1, the empty text, for a string that no row names.
constexpr int StringRoom(UINT id)
{
    const StringRoomRow *row = StringRoomOf(id);
    return row ? row->room : 1;
}
