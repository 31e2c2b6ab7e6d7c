#include "fonts.h"

#include "wide.h"

namespace qz::win {

HFONT Fonts::For(const FontSpec &asked)
{
    const FontSpec &font = asked.face.empty() ? kFormFont : asked;
    auto &handle = fonts_[std::make_tuple(font.face, font.height, font.bold)];
    if (!handle) {
        handle.reset(CreateFontW(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 kGb2312Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Widen(font.face).c_str()));
    }
    return handle.get();
}

}  // namespace qz::win
