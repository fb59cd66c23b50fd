// A report line's fixed columns assembled in place, without formatted
// printing: the adorned columns are written for every entry of a listing, so
// they are put byte by byte into a buffer of the line's room. Columns are what
// a terminal shows: a name's character may take more bytes than columns.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "text/code_page.h"

template <std::size_t Room> class LineBuilder {
public:
    void put(char c)
    {
        if (length_ < Room) {
            text_[length_++] = c;
        }
    }

    void put(std::string_view text)
    {
        const std::size_t count = std::min(text.size(), Room - length_);
        std::memcpy(text_.data() + length_, text.data(), count);
        length_ += count;
    }

    // A name's text (at most width bytes) left-aligned in width columns,
    // blank-filled.
    void put_left(std::string_view text, std::size_t width)
    {
        const std::size_t start = column();
        put_shown(text.substr(0, width));
        pad_to(start + width);
    }

    // A name's text, whose columns are counted as a terminal shows them
    // (one a byte for ASCII, which is most names, under every code page).
    void put_shown(std::string_view text)
    {
        const std::size_t before = length_;
        put(text);
        const std::size_t written = length_ - before;
        const auto is_ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
        if (!std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(written),
                         is_ascii)) {
            extra_bytes_ += written - std::min(written, display_columns(text.substr(0, written)));
        }
    }

    // text right-aligned in width columns, blank-filled.
    void put_right(std::string_view text, std::size_t width)
    {
        if (text.size() < width) {
            pad_to(column() + width - text.size());
        }
        put(text);
    }

    // n (below 100) in two columns, led by lead ('0' or a blank) when below 10.
    void put_two_digits(unsigned n, char lead)
    {
        put(n >= 10 ? static_cast<char>('0' + n / 10 % 10) : lead);
        put(static_cast<char>('0' + n % 10));
    }

    // Blanks up to column.
    void pad_to(std::size_t column)
    {
        const std::size_t end = std::min(column + extra_bytes_, Room);
        if (end > length_) {
            std::memset(text_.data() + length_, ' ', end - length_);
            length_ = end;
        }
    }

    std::size_t column() const { return length_ - extra_bytes_; }
    std::string_view view() const { return {text_.data(), length_}; }

private:
    std::array<char, Room> text_; // written before it is read
    std::size_t length_ = 0;
    std::size_t extra_bytes_ = 0; // bytes written beyond the columns they take
};
