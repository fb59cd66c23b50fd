// Standard output and standard error on a POSIX host: whole writes through
// partial ones and interruptions, and whether the output is a terminal.
#include <cerrno>
#include <unistd.h>

#include "fs/fs_services.h"

namespace {

constexpr int OUTPUT_DESCRIPTOR = 1;
constexpr int ERROR_DESCRIPTOR = 2;

} // namespace

namespace host {

Written write_output(Stream stream, std::string_view text)
{
    const int descriptor = stream == Stream::STANDARD_OUTPUT ? OUTPUT_DESCRIPTOR : ERROR_DESCRIPTOR;
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EPIPE ? Written::READER_GONE : Written::FAILED;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return Written::ALL;
}

bool output_is_terminal()
{
    return isatty(OUTPUT_DESCRIPTOR) != 0;
}

} // namespace host
