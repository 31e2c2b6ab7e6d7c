// The throws of the C++ library's containers and strings (a length beyond
// the largest, a position past the end, memory that cannot be had), defined
// for the launcher. The library's own definitions share one object with the
// rest of its exception classes, whose texts live in a reference-counted
// string of their own: linking them brings a second copy of the string code
// and more (some 80 KB of the i686 program). These throw the same kinds of
// failure with the same texts, which reach the application error box as
// before: every handler catches std::exception.
#include "../errors.h"

#include <cstdarg>
#include <cstddef>
#include <new>
#include <string>

namespace {

// The library's messages use "%s", "%zu" and "%%" only (its snprintf_lite).
std::string Format(const char *format, std::va_list arguments)
{
    std::string text;
    for (const char *at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            text += *at;
            continue;
        }
        if (at[1] == 's') {
            text += va_arg(arguments, const char *);
            ++at;
        } else if (at[1] == 'z' && at[2] == 'u') {
            text += std::to_string(va_arg(arguments, std::size_t));
            at += 2;
        } else if (at[1] == '%') {
            text += '%';
            ++at;
        } else {
            text += *at;
        }
    }
    return text;
}

}  // namespace

namespace std {

void __throw_bad_alloc()
{
    throw std::bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw std::bad_array_new_length();
}

void __throw_length_error(const char *message)
{
    throw qz::Error(message);
}

void __throw_logic_error(const char *message)
{
    throw qz::Error(message);
}

void __throw_out_of_range_fmt(const char *format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::string text = Format(format, arguments);
    va_end(arguments);
    throw qz::Error(std::move(text));
}

}  // namespace std
