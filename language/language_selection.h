// The language dialog: lists the language modules of the program's folder
// and picks one.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kMaxLanguages = 20;

struct LanguageEntry {
    std::uint16_t primaryLanguage;
    std::uint16_t subLanguage;
    std::uint32_t languageId;  // (subLanguage << 10) | primaryLanguage: the locale identifier
    wchar_t moduleName[50];    // file name without its extension
};

static_assert(sizeof(LanguageEntry) == 108, "LanguageEntry is 108 bytes");

extern LanguageEntry languages[kMaxLanguages];
extern std::uint16_t languageCount;

// Fills the list with one line per module in the program's folder; returns the
// system error code that ended the search, 0 for none.
DWORD ListLanguageModules(HWND window, int listId, LPCWSTR type, LPCWSTR name);
BOOL CALLBACK AddLanguageEntry(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context);
INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Names shown for a language, and the locale name for the standard library.
const wchar_t *PrimaryLanguageName(unsigned primary);
const wchar_t *SubLanguageName(unsigned primary, unsigned sub);  // null: none
const wchar_t *LocaleNameOf(unsigned primary, unsigned sub);
