#include "layout.h"

#include "form_controls.h"

#include <iterator>

namespace qz {

namespace {

constexpr FontSpec kKaiBold16{"楷体_GB2312", 16, true, kWindowTextColour};
constexpr FontSpec kSong14{"宋体", 14, false, kWindowTextColour};
constexpr FontSpec kSong14Navy{"宋体", 14, false, kNavy};

using K = ControlKind;

#define QZ_LAYOUT_ROW(control, ...) {.name = #control, __VA_ARGS__},
constexpr ControlSpec kLayout[] = {QZ_FORM_CONTROLS(QZ_LAYOUT_ROW)};
#undef QZ_LAYOUT_ROW

// Each name once, and each parent a row made before its children.
constexpr bool NamesAndParentsHold()
{
    for (std::size_t row = 0; row < std::size(kLayout); ++row) {
        bool parentBefore = kLayout[row].parent.empty();
        for (std::size_t before = 0; before < row; ++before) {
            if (kLayout[before].name == kLayout[row].name)
                return false;
            parentBefore = parentBefore || kLayout[before].name == kLayout[row].parent;
        }
        if (!parentBefore)
            return false;
    }
    return true;
}
static_assert(NamesAndParentsHold(), "a control named twice, or its parent not made before it");

constexpr ControlSpec kForm = {.name = kFormName,
                           .kind = K::Form,
                           .rect = {121, 59, kClientWidth, kClientHeight},
                           .text = "安装程序",
                           .font = kFormFont};

}  // namespace

const ControlSpec &FormSpec()
{
    return kForm;
}

std::span<const ControlSpec> Layout()
{
    return kLayout;
}

const ControlSpec *FindSpec(std::string_view name)
{
    for (const ControlSpec &row : kLayout)
        if (row.name == name)
            return &row;
    return nullptr;
}

Point CentredPosition(int screenWidth, int screenHeight)
{
    // Integer division truncates toward zero, also when the screen is smaller.
    return {(screenWidth - kClientWidth) / 2, (screenHeight - kClientHeight) / 2};
}

}  // namespace qz
