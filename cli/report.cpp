#include "cli/report.h"

#include "cli/outcome.h"
#include "cli/output.h"

void ReportLine(UINT, const wchar_t *text)
{
    Warn(Utf8(text));
}

namespace {

// The line on standard error, kept in the outcome.
void Tell(std::vector<Remark> &kept, const char *lead, Remark remark)
{
    PrintError(lead + remark.message + "\n");
    kept.push_back(std::move(remark));
}

}  // namespace

void Complain(const std::string &line, int port)
{
    Remark remark;
    remark.port = port;
    remark.message = line;
    Tell(outcome.problems, "ktrcli: ", remark);
}

void Warn(const std::string &line, int port)
{
    Remark remark;
    remark.port = port;
    remark.message = line;
    Tell(outcome.warnings, "ktrcli: warning: ", remark);
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
    case FileProblem::Exists: return "not replaced";
    case FileProblem::NotBackup: return "a template, not a backup: use apply";
    case FileProblem::OtherComputer: return "a backup of another computer";
    case FileProblem::Unread: return "not read";
    }
    return "cannot be used";
}

}  // namespace

std::string DescribeProblem(const wchar_t *file, const FileResult &result)
{
    std::string line = ShownArgument(file);
    if (result.line > 0)
        line += ": line " + std::to_string(result.line);
    line += std::string(": ") + Lead(result.problem);
    if (result.port >= 0)
        line += ": port " + std::to_string(result.port);
    if (!result.field.empty())
        line += ": " + result.field;
    if (!result.value.empty())
        line += ": " + result.value;
    if (!result.detail.empty())
        line += ": " + result.detail;
    return line;
}

void ComplainOfFile(const wchar_t *file, const FileResult &result)
{
    Remark remark;
    remark.port = result.port;
    remark.field = result.field;
    remark.line = result.line;
    remark.value = result.value;
    remark.message = DescribeProblem(file, result);
    Tell(outcome.problems, "ktrcli: ", remark);
}
