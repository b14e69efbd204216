#include "store/report.h"

#include <cstdarg>

#include "language/module_file.h"

WarningReporter warningReporter;

void ReportWarning(UINT stringId, int room, ...)
{
    if (!warningReporter)
        return;
    if (room > kReportRoom)
        room = kReportRoom;
    wchar_t format[kReportRoom], text[kReportRoom];
    format[0] = 0;
    LoadStringW(languageModule, stringId, format, room);
    va_list arguments;
    va_start(arguments, room);
    wvsprintfW(text, format, arguments);
    va_end(arguments);
    warningReporter(stringId, text);
}
