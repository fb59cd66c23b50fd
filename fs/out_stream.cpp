// The program's output stream: text with every '\n' sent as "\r\n", buffered
// and written to standard output in large pieces, or kept in memory.
#include "fs/fs_services.h"

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int STANDARD_OUTPUT = 1;
constexpr std::size_t WRITE_OUT_AT = 64 * 1024;
constexpr std::size_t PRINT_ROOM = 1024;

// Writes all of text, through partial writes and interruptions; any other
// error drops the rest, as the program does not report write errors.
void write_all(int descriptor, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

OutStream::~OutStream()
{
    flush();
}

OutStream& OutStream::standard()
{
    static OutStream stream(STANDARD_OUTPUT);
    return stream;
}

void OutStream::write(std::string_view text)
{
    for (std::size_t newline = text.find('\n'); newline != std::string_view::npos;
         newline = text.find('\n')) {
        buffer_.append(text.substr(0, newline));
        buffer_.append("\r\n");
        text.remove_prefix(newline + 1);
    }
    buffer_.append(text);
    if (descriptor_ >= 0 && buffer_.size() >= WRITE_OUT_AT) {
        flush();
    }
}

void OutStream::put(char c)
{
    write(std::string_view(&c, 1));
}

int OutStream::print(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    std::array<char, PRINT_ROOM> small; // vsnprintf fills it; no need to clear it per call
    const int length = std::vsnprintf(small.data(), small.size(), format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        return length;
    }
    const auto size = static_cast<std::size_t>(length);
    if (size < small.size()) {
        write(std::string_view(small.data(), size));
    } else {
        std::string large(size + 1, '\0'); // a longer text is formatted whole, never cut
        std::vsnprintf(large.data(), large.size(), format, again);
        write(std::string_view(large.data(), size));
    }
    va_end(again);
    return length;
}

void OutStream::flush()
{
    if (descriptor_ < 0) {
        return;
    }
    write_all(descriptor_, buffer_);
    buffer_.clear();
}
