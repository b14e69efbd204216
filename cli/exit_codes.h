// The console program's exit codes, fixed: scripts read them.
#pragma once

#include "settings_file/settings_file.h"

constexpr int kExitDone = 0;
constexpr int kExitUsage = 1;     // usage, or a file that cannot be read, written or parsed
constexpr int kExitRefused = 2;   // refused by a rule
constexpr int kExitAdapter = 3;   // an adapter could not be read, backed up or written, or changed meanwhile
constexpr int kExitDiffers = 4;   // verify: the adapters do not hold what the file says

// The exit code of a settings file's problem: kExitUsage for the file
// itself (read, write, parse, format, keys, types), kExitRefused for a rule
// (chip, port, computer, range, edited backup, invalid adapter),
// kExitAdapter for an adapter that could not be read.
int ExitCodeOf(FileProblem problem);

// The code that a run ends with when both apply: the lower of two failures
// (the file's before a rule's, a rule's before an adapter's); 0 only when
// both are 0.
int Precedent(int a, int b);
