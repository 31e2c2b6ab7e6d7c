#include "cursors.h"

namespace qz::win {

Cursors::Cursors(HINSTANCE instance) : hand_(LoadCursorW(instance, L"HANDPOINT"))
{
    if (hand_ == nullptr)
        hand_ = LoadCursorW(nullptr, IDC_HAND);
}

HCURSOR Cursors::For(CursorKind kind) const
{
    if (busy_)
        return Wait();
    return kind == CursorKind::Hand ? hand_ : LoadCursorW(nullptr, IDC_ARROW);
}

}  // namespace qz::win
