// Standard output and standard error on Win32: bytes written with WriteFile
// to the standard handles, unchanged, for a file or a pipe. The listing
// already ends its lines with "\r\n"; a C runtime stream in text mode would
// make that "\r\r\n". A console shows text in a code page of its own (the
// OEM one), not the program's: there the text goes out as the characters it
// holds, converted from the program's code page to UTF-16 for WriteConsoleW,
// so that the console's own settings are never changed.
#include "fs/win32/win32_host.h"

#include <algorithm>
#include <climits>
#include <string>

namespace host {

namespace {

// One WriteFile at most this long: its count is a DWORD, and a console takes
// large writes badly.
constexpr std::size_t WRITE_PIECE = 1 << 20;

bool reader_gone(DWORD error)
{
    // 232 and 109 on Windows; Wine says 233 for a pipe closed by its reader.
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

HANDLE handle_of(Stream stream)
{
    return ::GetStdHandle(stream == Stream::STANDARD_OUTPUT ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// A failure's code for the caller: never 0, which means success.
int error_code(DWORD error)
{
    return error == 0 || error > static_cast<DWORD>(INT_MAX) ? ERROR_WRITE_FAULT
                                                             : static_cast<int>(error);
}

bool is_console(HANDLE handle)
{
    // GetFileType says "character device" for NUL too; only a console has a mode.
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

// Characters per WriteConsoleW: a console takes large writes badly.
constexpr std::size_t CONSOLE_PIECE = 8 * 1024;

bool is_high_surrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The text as the characters of the program's code page, a byte that makes
// no character shown as the host's replacement character. The output stream
// writes whole texts, so no character is ever split between two calls.
std::wstring console_text(std::string_view text)
{
    const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    const int room = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(room, 0)), L'\0');
    if (room > 0 && ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), room) != room) {
        wide.clear();
    }
    return wide;
}

int write_console(HANDLE handle, std::string_view text)
{
    const std::wstring wide = console_text(text);
    if (wide.empty() && !text.empty()) {
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    std::wstring_view rest(wide);
    while (!rest.empty()) {
        std::size_t piece = std::min(rest.size(), CONSOLE_PIECE);
        if (piece < rest.size() && is_high_surrogate(rest[piece - 1])) {
            --piece; // the pair stays together
        }
        DWORD written = 0;
        if (::WriteConsoleW(handle, rest.data(), static_cast<DWORD>(piece), &written, nullptr) == 0) {
            return error_code(::GetLastError());
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT;
        }
        rest.remove_prefix(std::min<std::size_t>(written, rest.size()));
    }
    return 0;
}

} // namespace

int write_output(Stream stream, std::string_view text)
{
    const HANDLE handle = handle_of(stream);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        return text.empty() ? 0 : ERROR_INVALID_HANDLE; // no such stream
    }
    if (is_console(handle)) {
        return write_console(handle, text);
    }
    while (!text.empty()) {
        const auto piece = static_cast<DWORD>(std::min(text.size(), WRITE_PIECE));
        DWORD written = 0;
        if (::WriteFile(handle, text.data(), piece, &written, nullptr) == 0) {
            const DWORD error = ::GetLastError();
            return reader_gone(error) ? WRITE_READER_GONE : error_code(error);
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT; // no progress: never loop forever
        }
        text.remove_prefix(written);
    }
    return 0;
}

bool output_is_terminal()
{
    return is_console(handle_of(Stream::STANDARD_OUTPUT));
}

} // namespace host
