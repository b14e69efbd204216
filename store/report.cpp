#include "store/report.h"

#include <cstdarg>

#include "language/module_file.h"
#include "language/string_rooms.h"

WarningReporter warningReporter;

void ReportWarning(UINT stringId, ...)
{
    if (!warningReporter)
        return;
    const int room = StringRoom(stringId);
    wchar_t format[kReportRoom], text[kReportRoom];
    format[0] = 0;
    LoadStringW(languageModule, stringId, format, room < kReportRoom ? room : kReportRoom);
    va_list arguments;
    va_start(arguments, stringId);
    wvsprintfW(text, format, arguments);
    va_end(arguments);
    warningReporter(stringId, text);
}
