// How a problem is told: the result, and the file's own texts made safe to
// echo in a message.
#include "settings_file/settings_internal.h"

FileResult Problem(FileProblem problem, int port, std::string field, std::string detail)
{
    FileResult result;
    result.problem = problem;
    result.port = port;
    result.field = std::move(field);
    result.detail = std::move(detail);
    return result;
}

namespace {

// The length of the UTF-8 sequence at p (at most left bytes), and its code
// point; 0 when it is not well formed.
int Sequence(const unsigned char *p, std::size_t left, std::uint32_t &code)
{
    const int length = p[0] < 0x80 ? 1 : (p[0] & 0xE0) == 0xC0 ? 2 : (p[0] & 0xF0) == 0xE0 ? 3 : (p[0] & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || static_cast<std::size_t>(length) > left)
        return 0;
    code = length == 1 ? p[0] : p[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (p[i] & 0x3F);
    }
    static const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Characters that would break or disguise a line: controls, line and
// paragraph separators, and the marks that reorder text.
bool Disguises(std::uint32_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
           (code >= 0x200E && code <= 0x200F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069) || code == 0xFEFF;
}

}  // namespace

std::string Shown(const std::string &text, std::size_t most)
{
    static const char digits[] = "0123456789abcdef";
    std::string shown;
    std::size_t characters = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        if (characters == most)
            return shown + "...";
        std::uint32_t code = 0;
        const int length = Sequence(p + at, text.size() - at, code);
        if (length == 0) {
            shown += "\\x";
            shown += digits[p[at] >> 4];
            shown += digits[p[at] & 15];
            ++at;
        } else if (Disguises(code)) {
            shown += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                shown += digits[(code >> shift) & 15];
            at += static_cast<std::size_t>(length);
        } else {
            shown.append(text, at, static_cast<std::size_t>(length));
            at += static_cast<std::size_t>(length);
        }
        ++characters;
    }
    return shown;
}
