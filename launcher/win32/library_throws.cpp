// The throws of the C++ library's containers and strings (a length beyond
// the largest, a position past the end, memory that cannot be had), and the
// allocation that throws, defined for the launcher, which is built without
// exceptions. The library's own definitions throw (and bring the unwinder,
// and a second copy of the string code in their exception classes: some
// 80 KB of the i686 program). Here each shows its text in the application
// error box and ends the program (see Fatal).
#include "../errors.h"

#include <cstdarg>
#include <cstddef>
#include <cstdlib>
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
    qz::Fatal("std::bad_alloc");
}

void __throw_bad_array_new_length()
{
    qz::Fatal("std::bad_array_new_length");
}

void __throw_length_error(const char *message)
{
    qz::Fatal(message);
}

void __throw_logic_error(const char *message)
{
    qz::Fatal(message);
}

void __throw_out_of_range_fmt(const char *format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = Format(format, arguments);
    va_end(arguments);
    qz::Fatal(text);
}

}  // namespace std

// The library's operator new throws std::bad_alloc itself.
void *operator new(std::size_t size)
{
    if (void *memory = std::malloc(size != 0 ? size : 1))
        return memory;
    std::__throw_bad_alloc();
}

void *operator new[](std::size_t size)
{
    return operator new(size);
}

// The library's own calls the plain one and catches what it throws.
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void *memory, const std::nothrow_t &) noexcept
{
    std::free(memory);
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}
