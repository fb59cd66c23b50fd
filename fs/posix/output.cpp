// Standard output and standard error on a POSIX host: whole writes through
// partial ones and interruptions, whether the output is a terminal, and the
// standard descriptors held from the start.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "fs/fs_services.h"

namespace {

constexpr int OUTPUT_DESCRIPTOR = 1;
constexpr int ERROR_DESCRIPTOR = 2;
constexpr int STANDARD_DESCRIPTORS = 3;

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

// The stand-in is the root directory opened for reading: a write to it fails
// as one to a closed descriptor does. open takes the lowest free descriptor,
// which is the closed one, as those below it are open.
void hold_standard_streams()
{
    for (int descriptor = 0; descriptor < STANDARD_DESCRIPTORS; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) < 0 && errno == EBADF) {
            (void)open("/", O_RDONLY | O_DIRECTORY);
        }
    }
}

} // namespace host
