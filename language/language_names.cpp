// Display names of languages by primary and sublanguage id, and the locale
// name that the standard library takes for each.
#include "language/language_selection.h"

namespace {

struct Named {
    std::uint16_t id;
    const wchar_t *name;
};

constexpr Named kPrimary[] = {
    {0x01, L"Arabic"},   {0x02, L"Bulgarian"}, {0x03, L"Catalan"},    {0x04, L"Chinese"},    {0x05, L"Czech"},
    {0x06, L"Dansk"},    {0x07, L"Deutsch"},   {0x08, L"Greek"},      {0x09, L"English"},    {0x0A, L"Español"},
    {0x0B, L"Finnish"},  {0x0C, L"Français"},  {0x0D, L"Hebrew"},     {0x0E, L"Hungarian"},  {0x0F, L"Icelandic"},
    {0x10, L"Italiano"}, {0x11, L"Japanese"},  {0x12, L"Korean"},     {0x13, L"Dutch"},      {0x14, L"Norwegian"},
    {0x15, L"Polski"},   {0x16, L"Português"}, {0x18, L"Romanian"},   {0x19, L"Russian"},    {0x1A, L"Serbian"},
    {0x1B, L"Slovak"},   {0x1C, L"Albanian"},  {0x1D, L"Svenska"},    {0x1E, L"Thai"},       {0x1F, L"Turkish"},
    {0x21, L"Indonesian"}, {0x22, L"Ukrainian"}, {0x23, L"Belarusian"}, {0x24, L"Slovenian"}, {0x25, L"Estonian"},
    {0x26, L"Latvian"},  {0x27, L"Lithuanian"}, {0x29, L"Farsi"},     {0x2A, L"Vietnamese"}, {0x2D, L"Basque"},
    {0x36, L"Afrikaans"}, {0x38, L"Faeroese"},
};

struct SubNamed {
    std::uint16_t primary, sub;
    const wchar_t *name;
};

constexpr SubNamed kSub[] = {
    {1, 2, L"Iraq"}, {1, 3, L"Egypt"}, {1, 4, L"Libya"}, {1, 5, L"Algeria"}, {1, 6, L"Morocco"},
    {1, 7, L"Tunisia"}, {1, 8, L"Oman"}, {1, 9, L"Yemen"}, {1, 10, L"Syria"}, {1, 11, L"Jordan"},
    {1, 12, L"Lebanon"}, {1, 13, L"Kuwait"}, {1, 14, L"UAE"}, {1, 15, L"Bahrain"}, {1, 16, L"Qatar"},
    {4, 2, L"SimplifiedL"}, {4, 3, L"HongKong"}, {4, 4, L"Singapore"},
    {7, 2, L"Swiss"}, {7, 3, L"Austrian"}, {7, 4, L"Luxembourg"}, {7, 5, L"Liechtenstein"},
    {9, 2, L"UK"}, {9, 3, L"AUS"}, {9, 4, L"CAN"}, {9, 5, L"NZ"}, {9, 6, L"EIRE"}, {9, 7, L"South Africa"},
    {9, 8, L"Jamaica"}, {9, 9, L"Caribbean"}, {9, 10, L"Belize"}, {9, 11, L"Trinidad"},
    {10, 2, L"Mexican"}, {10, 3, L"Modern"}, {10, 4, L"Guatemala"}, {10, 5, L"Costa Rica"}, {10, 6, L"Panama"},
    {10, 7, L"Dominican Republic"}, {10, 8, L"Venezuela"}, {10, 9, L"Colombia"}, {10, 10, L"Peru"},
    {10, 11, L"Argentina"}, {10, 12, L"Ecuador"}, {10, 13, L"Chile"}, {10, 14, L"Uruguay"}, {10, 15, L"Paraguay"},
    {10, 16, L"Bolivia"}, {10, 17, L"El Salvador"}, {10, 18, L"Honduras"}, {10, 19, L"Nicaragua"},
    {10, 20, L"Puerto Rico"},
    {12, 2, L"Belgian"}, {12, 3, L"Canadian"}, {12, 4, L"Swiss"}, {12, 5, L"Luxembourg"},
    {16, 2, L"Swiss"}, {18, 2, L"Johab"}, {19, 2, L"Belgian"}, {20, 2, L"Nynorsk"}, {22, 2, L"Portuguese"},
    {26, 2, L"Latin"}, {26, 3, L"Cyrillic"}, {29, 2, L"Finland"},
};

constexpr Named kLocales[] = {
    {1, L"arabic"},     {5, L"czech"},     {6, L"danish"},  {7, L"german"},   {8, L"greek"},
    {9, L"english"},    {10, L"spanish"},  {11, L"finnish"}, {12, L"french"},  {14, L"hungarian"},
    {15, L"icelandic"}, {16, L"italian"},  {17, L"japanese"}, {18, L"korean"}, {21, L"polish"},
    {25, L"russian"},   {27, L"slovak"},   {29, L"swedish"}, {31, L"turkish"},
};

}  // namespace

const wchar_t *PrimaryLanguageName(unsigned primary)
{
    for (const Named &n : kPrimary)
        if (n.id == primary)
            return n.name;
    return L"";
}

const wchar_t *SubLanguageName(unsigned primary, unsigned sub)
{
    for (const SubNamed &n : kSub)
        if (n.primary == primary && n.sub == sub)
            return n.name;
    return nullptr;
}

const wchar_t *LocaleNameOf(unsigned primary, unsigned sub)
{
    if (primary == 4)
        return sub == 1 ? L"chinese-traditional" : sub == 2 ? L"chinese-simplified" : L"";
    for (const Named &n : kLocales)
        if (n.id == primary)
            return n.name;
    return L"";
}
