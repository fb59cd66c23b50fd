// The program's arguments on Win32: the host keeps the command line in
// UTF-16 and hands the C runtime its conversion to the ANSI code page, in
// which a character the code page cannot hold becomes '?' or a look-alike
// ("best fit"). An argument lost characters when the wide command line's
// argument of the same number converts to it but does not come back from it.
// (With the UTF-8 code page only a lone surrogate is lost, as U+FFFD.)
#include "fs/win32/win32_host.h"

#include <string>
#include <vector>

namespace host {

namespace {

bool is_blank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Backslashes before a '"': an even run halves and the quote counts, an odd
// run halves and the quote is a character of the argument.
void take_backslashes(std::wstring_view& rest, std::wstring& argument, bool& quoted)
{
    std::size_t count = 0;
    while (count < rest.size() && rest[count] == L'\\') {
        ++count;
    }
    if (count == rest.size() || rest[count] != L'"') {
        argument.append(count, L'\\');
        rest.remove_prefix(count);
        return;
    }
    argument.append(count / 2, L'\\');
    rest.remove_prefix(count + 1);
    if (count % 2 != 0) {
        argument.push_back(L'"');
    } else if (quoted && !rest.empty() && rest.front() == L'"') {
        argument.push_back(L'"'); // "" inside quotes: one '"'
        rest.remove_prefix(1);
    } else {
        quoted = !quoted;
    }
}

// The command line split as the C runtime splits it: the program's name up to
// a blank (or in quotes), then blank-separated arguments with '"' and '\'.
std::vector<std::wstring> wide_arguments(std::wstring_view line)
{
    std::vector<std::wstring> arguments;
    const bool quoted_name = !line.empty() && line.front() == L'"';
    const std::size_t name_end = quoted_name ? line.find(L'"', 1) : line.find_first_of(L" \t");
    arguments.emplace_back(line.substr(quoted_name ? 1 : 0, name_end));
    line.remove_prefix(name_end == std::wstring_view::npos ? line.size()
                                                           : name_end + (quoted_name ? 1 : 0));
    while (true) {
        while (!line.empty() && is_blank(line.front())) {
            line.remove_prefix(1);
        }
        if (line.empty()) {
            return arguments;
        }
        std::wstring argument;
        bool quoted = false;
        while (!line.empty() && (quoted || !is_blank(line.front()))) {
            if (line.front() == L'\\' || line.front() == L'"') {
                take_backslashes(line, argument, quoted);
            } else {
                argument.push_back(line.front());
                line.remove_prefix(1);
            }
        }
        arguments.push_back(std::move(argument));
    }
}

// The argument as the C runtime made it narrow: the host's "best fit"
// included, which is what is to be caught.
std::string narrow_as_runtime(const std::wstring& wide)
{
    const int room = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(room > 0 ? room : 1), '\0');
    if (room <= 0 ||
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), room, nullptr, nullptr) != room) {
        return {};
    }
    text.pop_back(); // the NUL the count included
    return text;
}

} // namespace

bool argument_lost_characters(int index, const char* argument)
{
    if (index < 0 || argument == nullptr) {
        return false;
    }
    static const std::vector<std::wstring> typed = wide_arguments(::GetCommandLineW());
    const auto number = static_cast<std::size_t>(index);
    if (number >= typed.size()) {
        return false;
    }
    const std::wstring& wide = typed[number];
    // An argument the split took otherwise than the runtime did is no
    // argument of the same number: nothing is known about it.
    return narrow_as_runtime(wide) == argument && wide_of(argument) != wide;
}

} // namespace host
