#include <cstdint>

#if defined(_WIN32)
#define VORTA_API
#else
#define VORTA_API __attribute__((visibility("default")))
#endif
#include "vorta.h"

namespace {

// Position 0 never takes part; position 15 is the text's own zero byte.
constexpr char kKey[16] = "/kmpqwertzulob/";

constexpr unsigned KeyNibble(std::size_t position)
{
    return position < sizeof kKey ? static_cast<unsigned char>(kKey[position]) & 0x0Fu : 0u;
}

}  // namespace

extern "C" VORTA_API int VORTA_CALL jmPass(const char *password)
{
    if (password == nullptr)
        return 0;
    const auto *text = reinterpret_cast<const unsigned char *>(password);
    std::uint32_t sum = 0;
    // One pass, no separate length scan: offset i is read only after offset
    // i - 1 was seen to be non-zero, so offsets 0 .. L are all that is touched.
    for (std::size_t i = 1; text[i - 1] != 0; ++i)
        sum += text[i] ^ KeyNibble(i);
    return static_cast<int>(sum);
}
