// Standard output and standard error on Win32: bytes written with WriteFile
// to the standard handles, unchanged. The listing already ends its lines with
// "\r\n"; a C runtime stream in text mode would make that "\r\r\n".
#include "fs/win32/win32_host.h"

#include <algorithm>
#include <climits>

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

} // namespace

int write_output(Stream stream, std::string_view text)
{
    const HANDLE handle = handle_of(stream);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        return text.empty() ? 0 : ERROR_INVALID_HANDLE; // no such stream
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
    // GetFileType says "character device" for NUL too; only a console has a mode.
    DWORD mode = 0;
    return ::GetConsoleMode(handle_of(Stream::STANDARD_OUTPUT), &mode) != 0;
}

} // namespace host
