// What the console program prints. A console gets the text as its own
// characters, whatever its code page; a pipe or a file gets UTF-8 bytes
// with Windows line ends, since scripts read them.
#pragma once

#include <windows.h>

#include <string>

#include "store/utf8.h"

// Standard output and standard error; text is UTF-8 with "\n" line ends.
// False when not all of it could be written.
bool Print(const std::string &text);
bool PrintError(const std::string &text);

// A word of the command line as a message may echo it.
std::string ShownArgument(const wchar_t *word);
// The text as a JSON string, quoted.
std::string JsonString(const std::string &text);
