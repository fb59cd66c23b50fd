// The program's output stream: text with every '\n' sent as "\r\n", buffered
// and written to standard output in large pieces, or kept in memory. A write
// that fails ends the listing: its reader would otherwise get a cut listing
// and a success code.
#include "report/out_stream.h"

#include <array>
#include <cstdarg>
#include <cstdio>

#include "fs/fs_services.h"

namespace {

constexpr std::size_t WRITE_OUT_AT = 64 * 1024;
constexpr std::size_t PRINT_ROOM = 1024;
constexpr char SHOWN_CONTROL = '?';

} // namespace

OutStream::OutStream(Standard)
    : standard_(true),
      names_(host::output_is_terminal() ? NameBytes::CONTROLS_SHOWN : NameBytes::AS_THEY_ARE)
{
    // The buffer grows with its first writes: a stream that allocated here
    // could not exist to say that memory ran out.
}

OutStream::~OutStream()
{
    flush();
}

OutStream& OutStream::standard()
{
    static OutStream stream{Standard{}};
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
    write_out_when_full();
}

void OutStream::write_out_when_full()
{
    if (standard_ && buffer_.size() >= WRITE_OUT_AT && !flush()) {
        throw OutputFailure{};
    }
}

void OutStream::write_name(std::string_view name)
{
    if (names_ == NameBytes::AS_THEY_ARE) {
        // Byte for byte: a line feed inside a name is part of the name.
        buffer_.append(name);
    } else {
        append_shown(name);
    }
    write_out_when_full();
}

void OutStream::append_shown(std::string_view name)
{
    for (std::size_t at = 0; at < name.size();) {
        const std::string_view character = name.substr(at, char_length(name, at));
        if (is_unshowable(character)) {
            buffer_ += SHOWN_CONTROL; // one '?' for the whole character
        } else {
            buffer_.append(character);
        }
        at += character.size();
    }
}

void OutStream::write_name_line(std::string_view name)
{
    if (names_ == NameBytes::AS_THEY_ARE) {
        buffer_.append(name);
    } else {
        append_shown(name);
    }
    buffer_.append("\r\n");
    write_out_when_full();
}

void OutStream::write_line_end()
{
    buffer_.append("\r\n");
    write_out_when_full();
}

void OutStream::put(char c)
{
    write(std::string_view(&c, 1));
}

int OutStream::print(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const int length = print_formatted(format, arguments, false);
    va_end(arguments);
    return length;
}

int OutStream::print_name(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const int length = print_formatted(format, arguments, true);
    va_end(arguments);
    return length;
}

int OutStream::print_formatted(const char* format, std::va_list arguments, bool as_name)
{
    std::va_list again;
    va_copy(again, arguments);
    std::array<char, PRINT_ROOM> small; // vsnprintf fills it; no need to clear it per call
    const int length = std::vsnprintf(small.data(), small.size(), format, arguments);
    const auto size = static_cast<std::size_t>(length < 0 ? 0 : length);
    std::string large;
    if (length >= 0 && size >= small.size()) {
        large.assign(size + 1, '\0'); // a longer text is formatted whole, never cut
        std::vsnprintf(large.data(), large.size(), format, again);
    }
    va_end(again);
    if (length < 0) {
        return length;
    }
    const std::string_view text(large.empty() ? small.data() : large.data(), size);
    if (as_name) {
        write_name(text);
    } else {
        write(text);
    }
    return length;
}

void OutStream::note(host::Written written)
{
    failed_ = written != host::Written::ALL;
    reader_gone_ = written == host::Written::READER_GONE;
}

bool OutStream::flush()
{
    if (!standard_) {
        return true;
    }
    if (!failed_) {
        note(host::write_output(host::Stream::STANDARD_OUTPUT, buffer_));
    }
    buffer_.clear();
    return !failed_;
}

bool OutStream::write_final(std::string_view text)
{
    if (!flush()) {
        return false;
    }
    if (!standard_) {
        buffer_.append(text);
        return true;
    }
    note(host::write_output(host::Stream::STANDARD_OUTPUT, text));
    return !failed_;
}

void write_error_line(std::string_view text)
{
    // In two writes, asking for no memory; nowhere is left to report their failure.
    host::write_output(host::Stream::STANDARD_ERROR, text);
    host::write_output(host::Stream::STANDARD_ERROR, "\n");
}
