// The texts of the C++ library's own failures (a position past the end, a
// length beyond the largest, memory that cannot be had), one line each.
// Built twice: with the library's throws, and with the launcher's own
// definitions of them, which hand the text to the end of the program
// (qz::Fatal; here it throws it back, so that every case can be read). Given
// the first one's lines in a file, the second checks that every failure
// still says exactly the same.
#include "checks.h"
#include "errors.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

// What the launcher's end of the program was given.
struct FatalText {
    std::string text;
};

}  // namespace

// The launcher's end of the program, as a throw that TextOf catches.
void qz::Fatal(std::string_view message)
{
    throw FatalText{std::string(message)};
}

namespace {

template <typename Failing>
std::string TextOf(Failing failing)
{
    try {
        failing();
    } catch (const std::exception &error) {
        return error.what();
    } catch (const FatalText &fatal) {
        return fatal.text;
    }
    return "(no failure)";
}

std::vector<std::string> Texts()
{
    // Sizes the optimiser cannot see through.
    volatile std::size_t position = 5;
    volatile std::size_t huge = SIZE_MAX / 2;
    volatile std::size_t most = SIZE_MAX;
    std::string text = "abc";
    std::vector<int> numbers(3);
    return {
        TextOf([&] { (void)text.substr(position); }),
        TextOf([&] { (void)text.at(position); }),
        TextOf([&] { (void)text.compare(position, 1, "x"); }),
        TextOf([&] { (void)numbers.at(position); }),
        TextOf([&] { numbers.reserve(huge); }),
        TextOf([&] { text.reserve(huge); }),
        TextOf([&] { text.resize(huge); }),
        TextOf([&] { text.reserve(most); }),
        TextOf([&] { text.append(most, 'x'); }),
        TextOf([&] {
            const char *none = nullptr;
            std::string made(none);
        }),
        TextOf([&] { std::string(huge, 'x'); }),
        TextOf([&] { std::vector<char> big(huge); }),
        TextOf([&] { std::string(huge, 'x').swap(text); }),
        TextOf([&] {
            volatile int count = -1;
            delete[] new int[count];
        }),
    };
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> texts = Texts();
    if (argc < 2) {
        for (const std::string &line : texts)
            std::printf("%s\n", line.c_str());
        return 0;
    }
    // Plain C reading: the stream classes would bring the library's own
    // throws back into this program.
    std::FILE *expected = std::fopen(argv[1], "r");
    qz::wine::Check(expected != nullptr, "the library's texts can be read");
    if (expected == nullptr)
        return qz::wine::Finish();
    char buffer[512];
    std::size_t index = 0;
    while (std::fgets(buffer, sizeof buffer, expected) != nullptr) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const std::string actual = index < texts.size() ? texts[index] : "(none)";
        qz::wine::Check(actual == line, "failure " + std::to_string(index + 1) + " says \"" + line + "\"",
                        "says \"" + actual + "\"");
        ++index;
    }
    std::fclose(expected);
    qz::wine::Check(index == texts.size(), "every failure was compared",
                    std::to_string(index) + " of " + std::to_string(texts.size()));
    return qz::wine::Finish();
}
