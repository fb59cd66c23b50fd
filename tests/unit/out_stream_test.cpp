// The output stream: newline translation, printf-style formatting without
// truncation, and writing out through standard output.
#include "fs/out_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

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
