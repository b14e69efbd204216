#include "cli/exit_codes.h"

int ExitCodeOf(FileProblem problem)
{
    switch (problem) {
    case FileProblem::None:
        return kExitDone;
    case FileProblem::CannotRead:
    case FileProblem::TooLarge:
    case FileProblem::Empty:
    case FileProblem::NotJson:
    case FileProblem::FutureFormat:
    case FileProblem::UnknownKey:
    case FileProblem::BadValue:
    case FileProblem::Exists:
    case FileProblem::CannotWrite:
    case FileProblem::NotBackup:
        return kExitUsage;
    case FileProblem::DuplicatePort:
    case FileProblem::NoSuchAdapter:
    case FileProblem::OtherChip:
    case FileProblem::BadImage:
    case FileProblem::EditedBackup:
    case FileProblem::InvalidAdapter:
    case FileProblem::OtherComputer:
    case FileProblem::Refused:
        return kExitRefused;
    case FileProblem::Unread:
        return kExitAdapter;
    }
    return kExitUsage;
}

int Precedent(int a, int b)
{
    if (a == kExitDone || b == kExitDone)
        return a == kExitDone ? b : a;
    return a < b ? a : b;
}
