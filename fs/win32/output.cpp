// Standard output and standard error on Win32: bytes written with WriteFile
// to the standard handles, unchanged, for a file or a pipe. The listing
// already ends its lines with "\r\n"; a C runtime stream in text mode would
// make that "\r\r\n". A console shows text in a code page of its own (the
// OEM one), not the program's: there the text goes out as the characters it
// holds, converted from the program's code page to UTF-16 for WriteConsoleW,
// so that the console's own settings are never changed.
#include "text/code_page.h"
#include "fs/win32/win32_host.h"

#include <algorithm>
#include <array>

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

bool is_console(HANDLE handle)
{
    // GetFileType says "character device" for NUL too; only a console has a mode.
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

// Bytes converted and written at a time: each gives at most one UTF-16 unit,
// so the piece fits a fixed buffer, and the last message of a run that has
// run out of memory needs none of its own.
constexpr std::size_t CONSOLE_PIECE = 8 * 1024;
// How much of text, at most room bytes, ends on a whole character of the
// program's code page, so that no character is parted between two pieces.
std::size_t whole_characters(std::string_view text, std::size_t room)
{
    if (text.size() <= room) {
        return text.size();
    }
    const std::size_t end = whole_chars_within(text, room);
    return end == 0 ? room : end; // no whole character fits: bytes that make none
}

bool write_console_units(HANDLE handle, const wchar_t* units, std::size_t count)
{
    while (count > 0) {
        DWORD written = 0;
        if (::WriteConsoleW(handle, units, static_cast<DWORD>(count), &written, nullptr) == 0 ||
            written == 0 || written > count) { // no progress: never loop forever
            return false;
        }
        units += written;
        count -= written;
    }
    return true;
}

// The text as the characters of the program's code page, a byte that makes
// no character shown as the host's replacement character. Converted into a
// buffer of its own, not through wide_of: the last words of a run out of
// memory must need none.
Written write_console(HANDLE handle, std::string_view text)
{
    static std::array<wchar_t, CONSOLE_PIECE> units{};
    while (!text.empty()) {
        const std::size_t piece = whole_characters(text, CONSOLE_PIECE);
        const int count = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(piece),
                                                units.data(), static_cast<int>(units.size()));
        if (count <= 0 ||
            !write_console_units(handle, units.data(), static_cast<std::size_t>(count))) {
            return Written::FAILED;
        }
        text.remove_prefix(piece);
    }
    return Written::ALL;
}

} // namespace

Written write_output(Stream stream, std::string_view text)
{
    const HANDLE handle = handle_of(stream);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        return text.empty() ? Written::ALL : Written::FAILED; // no such stream
    }
    if (is_console(handle)) {
        return write_console(handle, text);
    }
    while (!text.empty()) {
        const auto piece = static_cast<DWORD>(std::min(text.size(), WRITE_PIECE));
        DWORD written = 0;
        if (::WriteFile(handle, text.data(), piece, &written, nullptr) == 0) {
            return reader_gone(::GetLastError()) ? Written::READER_GONE : Written::FAILED;
        }
        if (written == 0) {
            return Written::FAILED; // no progress: never loop forever
        }
        text.remove_prefix(written);
    }
    return Written::ALL;
}

bool output_is_terminal()
{
    return is_console(handle_of(Stream::STANDARD_OUTPUT));
}

// A Win32 handle is never reused as a standard stream: nothing to hold.
void hold_standard_streams() {}

} // namespace host
