// The output stream: newline translation, printf-style formatting without
// truncation, and writing out through standard output.
#include "report/out_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "tests/unit/code_pages.h"

namespace {

struct WriteCase {
    const char* text;
    const char* stored;
};

constexpr WriteCase WRITE_CASES[] = {
    {"plain", "plain"},
    {"a\nb", "a\r\nb"},
    {"\n\n", "\r\n\r\n"},
    {"end\n", "end\r\n"},
    {"already\r\n", "already\r\r\n"}, // every '\n' is translated, as a text stream does
};

TEST(OutStream, WriteTranslatesEveryNewline)
{
    for (const WriteCase& c : WRITE_CASES) {
        OutStream stream;
        stream.write(c.text);
        EXPECT_EQ(stream.text(), c.stored) << c.text;
    }
    OutStream stream;
    stream.put('x');
    stream.put('\n');
    EXPECT_EQ(stream.text(), "x\r\n");
}

// A name as a terminal gets it, and as a pipe or a file gets it.
struct NameCase {
    Page page;
    const char* name;
    const char* on_terminal;
};

constexpr NameCase NAME_CASES[] = {
    {Page::SINGLE, "a\x1b[31m\x7f", "a?[31m?"},
    {Page::SINGLE,
     "\x9b"
     "31m\x80\x9f\xa0\xe9",
     "?31m??\xa0\xe9"},                        // C1 bytes
    {Page::ANSI, "\x80\x9f\x1b", "\x80\x9f?"}, // 0x80: the euro sign of 1252
    {Page::UTF8, "café 日本 😀", "café 日本 😀"},
    {Page::UTF8,
     "c1\xc2\x9b"
     "31m",
     "c1?31m"},                                                // U+009B, one '?'
    {Page::UTF8, "\xc2\xa0\xc2\x80\xc2\x9f", "\xc2\xa0??"},    // U+00A0 is no control
    {Page::UTF8, "bad\xff\xfe\xc3(\xe6\x97", "bad??\?(??"},    // invalid bytes, a cut sequence
    {Page::UTF8, "\xed\xa0\x80\xc0\xaf", "?????"},             // a surrogate, an overlong form
    {Page::UTF8, "invoice\u202Eexe.txt \u061C\u200E\u200F\u2066\u2069\u202A\u202C",
     "invoice?exe.txt ???????"},                               // direction controls
    {Page::UTF8, "\u200D\u2060\u202F", "\u200D\u2060\u202F"}, // their neighbours are no controls
    {Page::DBCS, "\x83\x5c\x95\x80\x80", "\x83\x5c\x95\x80?"}, // lead+trail whole
    {Page::DBCS, "x\x83", "x?"},                               // a lead byte with no trail
};

TEST(OutStream, NamesOnATerminalShowWhatWouldActAsQuestionMarks)
{
    for (const NameCase& c : NAME_CASES) {
        const UsingPage page(c.page);
        OutStream terminal(NameBytes::CONTROLS_SHOWN);
        OutStream pipe;
        terminal.write_name(c.name);
        pipe.write_name(c.name);
        EXPECT_EQ(terminal.text(), c.on_terminal) << c.name;
        EXPECT_EQ(pipe.text(), c.name) << c.name;
    }
}

TEST(OutStream, PrintCountsNewlinesOnce)
{
    OutStream stream;
    EXPECT_EQ(stream.print("%s %5d\n", "n", 42), 8);
    EXPECT_EQ(stream.text(), "n    42\r\n");
    stream.clear();
    EXPECT_EQ(stream.text(), "");
}

TEST(OutStream, LongPrintIsNeverCut)
{
    const std::string long_text(5000, 'w');
    OutStream stream;
    EXPECT_EQ(stream.print("<%s>\n", long_text.c_str()), 5003);
    EXPECT_EQ(stream.text(), "<" + long_text + ">\r\n");
}

// Points standard output at a temporary file for the life of the object.
class CapturedOutput {
public:
    CapturedOutput() : file_(std::tmpfile()), saved_(dup(1))
    {
        std::fflush(stdout);
        dup2(fileno(file_), 1);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    ~CapturedOutput()
    {
        dup2(saved_, 1);
        close(saved_);
        std::fclose(file_);
    }
    std::string written() const
    {
        std::string text(static_cast<std::size_t>(lseek(fileno(file_), 0, SEEK_END)), '\0');
        const ssize_t got = pread(fileno(file_), text.data(), text.size(), 0);
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return text;
    }

private:
    std::FILE* file_;
    int saved_;
};

TEST(OutStream, StandardStreamWritesWhenFullAndOnFlush)
{
    OutStream& out = OutStream::standard();
    out.flush();
    const CapturedOutput captured;
    out.write("held\n");
    EXPECT_EQ(captured.written(), "");
    const std::string block(70 * 1024, 'b');
    out.write(block);
    EXPECT_EQ(captured.written(), "held\r\n" + block);
    out.print("%d\n", 7);
    out.flush();
    EXPECT_EQ(captured.written(), "held\r\n" + block + "7\r\n");
    EXPECT_EQ(out.text(), "");
}

} // namespace
