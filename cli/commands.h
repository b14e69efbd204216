// The console program's commands; each returns its exit code.
#pragma once

#include "cli/arguments.h"

int RunCommand(const Arguments &arguments);
