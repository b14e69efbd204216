#include "cli/output.h"

#include "settings_file/settings_file.h"

namespace {

// A console takes at most some 64 KB in one write on older Windows: the
// text goes in pieces, each of which must be taken whole before the next.
constexpr DWORD kConsolePiece = 8192;

bool WriteAll(HANDLE handle, const char *bytes, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, size, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool WriteConsoleAll(HANDLE handle, const wchar_t *text, DWORD size)
{
    while (size > 0) {
        DWORD piece = size < kConsolePiece ? size : kConsolePiece;
        // A pair of surrogates stays in one piece.
        if (piece < size && text[piece - 1] >= 0xD800 && text[piece - 1] <= 0xDBFF)
            --piece;
        DWORD written = 0;
        if (!WriteConsoleW(handle, text, piece, &written, nullptr) || written == 0)
            return false;
        text += written;
        size -= written;
    }
    return true;
}

bool WriteTo(DWORD which, const std::string &text)
{
    HANDLE handle = GetStdHandle(which);
    if (text.empty())
        return true;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Wide(text);
        return WriteConsoleAll(handle, wide.data(), static_cast<DWORD>(wide.size()));
    }
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return WriteAll(handle, bytes.data(), static_cast<DWORD>(bytes.size()));
}

}  // namespace

bool Print(const std::string &text)
{
    return WriteTo(STD_OUTPUT_HANDLE, text);
}

bool PrintError(const std::string &text)
{
    return WriteTo(STD_ERROR_HANDLE, text);
}

std::string ShownArgument(const wchar_t *word)
{
    return Shown(Utf8(word));
}

std::string JsonString(const std::string &text)
{
    static const char digits[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (u < 0x20) {
            quoted += "\\u00";
            quoted += digits[u >> 4];
            quoted += digits[u & 15];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}
