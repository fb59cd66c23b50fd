// The host's case mapping: only A-Z and a-z have two forms; every other
// byte, those from 0x80 up included, is its own lower and upper case.
#pragma once

#include <cstddef>

constexpr char to_lower_case(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char to_upper_case(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Lower-cases at most n bytes of text in place, stopping after the first
// NUL it writes (the NUL counts toward n). A character of more than one byte
// is left whole: a trail byte of a double-byte page may be a capital letter.
void lowercase_n(char* text, std::size_t n);
