// The program's one output stream: text buffered and written out in large
// pieces, every '\n' sent as "\r\n", the program's line end on every host.
// Names from the file system go out byte for byte, or, on a terminal, with
// their control characters and the bytes that are no character of the code
// page shown as '?'.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "fs/fs_services.h"

// Checks print's arguments against its format where the compiler can.
#if defined(__GNUC__)
#define WENDEX_PRINTF_FORMAT __attribute__((format(printf, 2, 3)))
#else
#define WENDEX_PRINTF_FORMAT
#endif

// Thrown when standard output can no longer be written: the run cannot go on,
// since nothing it lists would reach its reader.
struct OutputFailure {};

// Whether names and labels from the file system are written as they are, or
// for a terminal with every control character (0x00-0x1F, 0x7F and the C1
// controls) and every byte that is no character of the code page shown as '?'.
enum class NameBytes { AS_THEY_ARE, CONTROLS_SHOWN };

// The standard stream writes to standard output whenever its buffer fills and
// on flush(); a constructed stream keeps everything in memory.
class OutStream {
public:
    OutStream() = default;
    explicit OutStream(NameBytes names) : names_(names) {}
    OutStream(const OutStream&) = delete;
    OutStream& operator=(const OutStream&) = delete;
    ~OutStream();

    static OutStream& standard();

    // Throws OutputFailure when a full buffer cannot be written out.
    void write(std::string_view text);
    // A name or label from the file system: on a terminal no name can steer
    // it (colours, title, a forged line); elsewhere every byte goes out as it
    // is, a line feed included (no "\r" is added inside a name).
    void write_name(std::string_view name);
    void put(char c);
    // "\n" as the stream writes it: "\r\n".
    void write_line_end();
    // write_name, then write_line_end: a whole line that is a name.
    void write_name_line(std::string_view name);
    // printf-style; returns the number of characters formatted (newlines
    // counted once), like printf.
    int print(const char* format, ...) WENDEX_PRINTF_FORMAT;
    // print, with the formatted text written as write_name writes a name; the
    // format holds no line end of its own.
    int print_name(const char* format, ...) WENDEX_PRINTF_FORMAT;
    // Writes out what is held. False when standard output could not be
    // written, now or before; nothing is written after a failure.
    bool flush();
    // Writes out what is held, then text straight after it without asking
    // for memory (the last words of a run that has none). False as flush.
    bool write_final(std::string_view text);
    // The failure was the reader going away (a closed pipe): no message then.
    bool reader_gone() const { return reader_gone_; }

    // What a memory stream holds (after newline translation).
    const std::string& text() const { return buffer_; }
    void clear() { buffer_.clear(); }

private:
    struct Standard {};
    explicit OutStream(Standard);
    int print_formatted(const char* format, std::va_list arguments, bool as_name);
    // Writes out a full buffer of the standard stream; throws OutputFailure
    // when it cannot.
    void write_out_when_full();
    // Appends a name with what a terminal must not be sent shown as '?'.
    void append_shown(std::string_view name);
    // Takes the outcome of a write to standard output.
    void note(host::Written written);

    std::string buffer_;
    bool standard_ = false; // false: a memory stream
    NameBytes names_ = NameBytes::AS_THEY_ARE;
    bool failed_ = false;
    bool reader_gone_ = false;
};

// A line on the standard error stream, for the one failure that standard
// output cannot carry: its own.
void write_error_line(std::string_view text);
