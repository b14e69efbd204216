#include "cli/report.h"

#include "cli/output.h"

void ReportLine(UINT, const wchar_t *text)
{
    PrintError("ktrcli: warning: " + Utf8(text) + "\n");
}

void Complain(const std::string &line)
{
    PrintError("ktrcli: " + line + "\n");
}

namespace {

// What is wrong, in a few words; the port, field and detail follow.
const char *Lead(FileProblem problem)
{
    switch (problem) {
    case FileProblem::None: return "no problem";
    case FileProblem::CannotRead: return "cannot be read";
    case FileProblem::TooLarge: return "larger than 1 MiB";
    case FileProblem::Empty: return "empty";
    case FileProblem::NotJson: return "not JSON, or cut short";
    case FileProblem::FutureFormat: return "a format newer than this program's";
    case FileProblem::UnknownKey: return "unknown key";
    case FileProblem::BadValue: return "bad value";
    case FileProblem::DuplicatePort: return "port named twice";
    case FileProblem::NoSuchAdapter: return "no such adapter";
    case FileProblem::OtherChip: return "another chip";
    case FileProblem::BadImage: return "damaged image";
    case FileProblem::EditedBackup: return "edited backup";
    case FileProblem::InvalidAdapter: return "invalid adapter";
    case FileProblem::Refused: return "refused";
    case FileProblem::CannotWrite: return "cannot be written, nothing was left behind";
    case FileProblem::NotBackup: return "a template, not a backup: use apply";
    }
    return "cannot be used";
}

}  // namespace

std::string DescribeProblem(const wchar_t *file, const FileResult &result)
{
    std::string line = Utf8(file);
    if (result.line > 0)
        line += ": line " + std::to_string(result.line);
    line += std::string(": ") + Lead(result.problem);
    if (result.port >= 0)
        line += ": port " + std::to_string(result.port);
    if (!result.field.empty())
        line += ": " + result.field;
    if (!result.detail.empty())
        line += ": " + result.detail;
    return line;
}
