// Matching directory entry names against a search pattern the way a
// case-blind host does: case-blind for A-Z only, '*' and '?', and the two
// trailing-dot forms ("*.*" and "*.") that also catch names without a '.'.
// Both texts are read a whole character at a time: '?' stands for one
// character, and no byte inside a character is taken for one.
#include "text/name_match.h"

#include "text/case_map.h"
#include "text/fixed_text.h"

#include <cstddef>

namespace {

// Two whole characters, case-blind for A-Z against a-z.
bool chars_equal_blind(std::string_view a, std::string_view b)
{
    if (a.size() == 1 && b.size() == 1) {
        return to_lower_case(a[0]) == to_lower_case(b[0]);
    }
    return a == b;
}

// The character at `at` of text, whole.
std::string_view char_at(std::string_view text, std::size_t at)
{
    return text.substr(at, char_length(text, at));
}

// Greedy two-pointer glob; on a mismatch it backtracks only to the last '*',
// so the cost stays linear in pattern length times name length at worst.
bool glob_matches(std::string_view pattern, std::string_view name)
{
    constexpr std::size_t none = std::string_view::npos;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = none;
    std::size_t star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_name = n;
            continue;
        }
        const std::string_view name_char = char_at(name, n);
        const std::string_view pattern_char = p < pattern.size() ? char_at(pattern, p) : "";
        if (!pattern_char.empty() &&
            (pattern_char == "?" || chars_equal_blind(pattern_char, name_char))) {
            p += pattern_char.size();
            n += name_char.size();
        } else if (star != none) {
            p = star + 1;
            star_name += char_length(name, star_name);
            n = star_name;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool has_dot(std::string_view name)
{
    return find_single_byte_char(name, '.') != std::string_view::npos;
}

// "x.*": the ".*" may also stand for no extension at all.
bool matches_without_dot_star(std::string_view pattern, std::string_view name)
{
    return pattern.ends_with(".*") && !has_dot(name) &&
           glob_matches(pattern.substr(0, pattern.size() - 2), name);
}

// "x*.": a lone trailing '.' after the last wildcard asks for no extension.
bool matches_without_extension(std::string_view pattern, std::string_view name)
{
    if (!pattern.ends_with('.') || pattern.ends_with("..")) {
        return false;
    }
    const std::string_view stem = pattern.substr(0, pattern.size() - 1);
    return has_wildcards(stem) && !has_dot(name) && glob_matches(stem, name);
}

} // namespace

bool names_equal_blind(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t at = 0; at < a.size();) {
        const std::string_view a_char = char_at(a, at);
        if (!chars_equal_blind(a_char, char_at(b, at))) {
            return false;
        }
        at += a_char.size();
    }
    return true;
}

bool has_wildcards(std::string_view name)
{
    return find_single_byte_char(name, '*') != std::string_view::npos ||
           find_single_byte_char(name, '?') != std::string_view::npos;
}

bool matches_every_name(std::string_view pattern)
{
    return pattern == "*" || pattern == "*.*"; // with a '.' or without
}

bool name_matches(std::string_view pattern, std::string_view name)
{
    if (matches_every_name(pattern)) {
        return true;
    }
    return glob_matches(pattern, name) || matches_without_dot_star(pattern, name) ||
           matches_without_extension(pattern, name);
}
