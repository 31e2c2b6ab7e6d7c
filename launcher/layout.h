// The fixed layout of the main window: one row per control, in creation order
// within each parent, made from the list of the controls (form_controls.h).
// The Win32 layer creates the windows from it in one loop, and the tests read
// the same rows.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qz {

enum class ControlKind {
    Form,         // the main window itself
    Image,        // picture box holding the background picture
    PushButton,   // flat push button
    Label,        // text, or a hot zone once transparent
    Panel,        // raised panel, no caption
    GroupBox,     // framed box with a caption
    Edit,         // single-line edit field
    SpeedButton,  // flat button that takes no focus
    FolderTree,   // the shell folder tree
    Connection,   // database connection (not visible)
    Query,        // query on the connection (not visible)
};

enum class CursorKind { Normal, Hand };

// A colour as 0x00BBGGRR, or the system's window-text colour.
inline constexpr std::uint32_t kWindowTextColour = 0xFF000000u;
inline constexpr std::uint32_t kNavy = 0x00800000u;

struct FontSpec {
    std::string_view face;  // empty: the main window's font
    int height = 0;         // character height in pixels
    bool bold = false;
    std::uint32_t colour = kWindowTextColour;
};

// Flags of a row.
enum ControlFlags : unsigned {
    kReadOnly = 1u << 0,
    kPassword = 1u << 1,   // shows "*" for every character
    kAutoWidth = 1u << 2,  // the width follows the text
    kGlyph = 1u << 3,      // a speed button drawing the browse glyph
    kRaised = 1u << 4,     // a speed button that is not flat: its edge always shows
};

struct Rect {
    int left, top, width, height;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
};


// One control of the layout. Rows are written with designated initialisers
// and name only what differs from these defaults.
struct ControlSpec {
    std::string_view name = {};
    ControlKind kind = ControlKind::Label;
    std::string_view parent = {};  // empty: the main window
    Rect rect{};                   // relative to the parent's client area
    std::string_view text = {};    // caption, or an edit field's text
    FontSpec font{};               // no face: the main window's font
    bool visible = true;
    int tabOrder = -1;  // -1: not a tab stop
    CursorKind cursor = CursorKind::Normal;
    bool enabled = true;
    unsigned flags = 0;
};

// The main window itself.
inline constexpr std::string_view kFormName = "Form_qz";
inline constexpr int kClientWidth = 795;
inline constexpr int kClientHeight = 576;
inline constexpr FontSpec kFormFont = {"宋体", 12, false, kWindowTextColour};
inline constexpr int kGb2312Charset = 134;

// The main window's own row (not part of Layout()).
const ControlSpec &FormSpec();

// Every control of the main window and its two panels.
std::span<const ControlSpec> Layout();

// The row of a control by name, or nullptr.
const ControlSpec *FindSpec(std::string_view name);

// Left and top of the main window centred on a screen of the given size;
// negative when the screen is smaller than the window.
struct Point {
    int x, y;
};
Point CentredPosition(int screenWidth, int screenHeight);

}  // namespace qz
