// The fonts of the layout's rows: each face, height and weight made once, on
// first use, and kept as long as the windows that show it.
#pragma once

#include "../layout.h"
#include "handles.h"

#include <windows.h>

#include <map>
#include <string_view>
#include <tuple>

namespace qz::win {

class Fonts {
public:
    // The font of a row: its own, or the main window's when it names no face.
    HFONT For(const FontSpec &font);

private:
    std::map<std::tuple<std::string_view, int, bool>, UniqueFont> fonts_;
};

}  // namespace qz::win
