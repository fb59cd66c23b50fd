// The time of day as a text of its own, for the lines not written in place.
#include "report/column_texts.h"

const char* format_time(std::uint16_t dos_time)
{
    static std::array<char, TIME_TEXT_LENGTH + 1> text{};
    put_time(text.data(), dos_time);
    return text.data();
}
