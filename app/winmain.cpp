// ktrcfg: settings of the KTR family's SCSI host adapters.
#include <windows.h>

#include "app/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    if (!StartProgram(instance))
        return 1;
    HWND window = CreateMainWindow();
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    return RunMessageLoop();
}
