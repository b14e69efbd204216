#include "language/module_contract.h"

#include "language/resource_ids.h"

namespace {

constexpr int kTemplates[] = {IDD_ADAPTER,        IDD_HOST_ID,        IDD_DEVICE_TABLE,  IDD_DEVICE_HOST,
                              IDD_DEVICE,         IDD_RATE,           IDD_WIDTH,         IDD_YESNO_OPTION0,
                              IDD_YESNO_OPTION12, IDD_YESNO_OPTION3,  IDD_VALUE,         IDD_LANGUAGE};

}  // namespace

bool HoldsEveryResource(HMODULE module)
{
    if (!module || !FindResourceW(module, MAKEINTRESOURCEW(IDM_MAIN), RT_MENU))
        return false;
    for (int id : kTemplates)
        if (!FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG))
            return false;
    return true;
}
