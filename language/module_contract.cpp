#include "language/module_contract.h"

#include "language/resource_ids.h"

namespace {

constexpr int kTemplates[] = {IDD_ADAPTER,        IDD_HOST_ID,        IDD_DEVICE_TABLE,  IDD_DEVICE_HOST,
                              IDD_DEVICE,         IDD_RATE,           IDD_WIDTH,         IDD_YESNO_OPTION0,
                              IDD_YESNO_OPTION12, IDD_YESNO_OPTION3,  IDD_VALUE,         IDD_LANGUAGE};

// The caption names the window class; the walk of the device map reads the
// registry under these names and knows the family's ports by its drivers.
constexpr UINT kStartStrings[] = {IDS_CAPTION,       IDS_REG_PORT_PATH,  IDS_REG_DRIVER,     IDS_REG_BUS,
                                  IDS_REG_TARGET_PREFIX, IDS_REG_IDENTIFIER, IDS_REG_TYPE,   IDS_REG_INTERRUPT,
                                  IDS_REG_IO_ADDRESS, IDS_DRIVER_NAME1,   IDS_DRIVER_NAME2,   IDS_DRIVER_NAME3};

}  // namespace

bool HoldsEveryResource(HMODULE module)
{
    if (!module || !FindResourceW(module, MAKEINTRESOURCEW(IDM_MAIN), RT_MENU))
        return false;
    for (int id : kTemplates)
        if (!FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG))
            return false;
    wchar_t text[2];
    for (UINT id : kStartStrings)
        if (LoadStringW(module, id, text, 2) == 0)
            return false;
    return true;
}
