#include "layout.h"

#include "form.h"

namespace qz {

namespace {

constexpr FontSpec kKaiBold16{"楷体_GB2312", 16, true, kWindowTextColour};
constexpr FontSpec kSong14{"宋体", 14, false, kWindowTextColour};
constexpr FontSpec kSong14Navy{"宋体", 14, false, kNavy};

using K = ControlKind;
using T = TForm_qz;

// A row a control, kept as rows (the formatter would give each field a line).
// clang-format off
constexpr ControlSpec kLayout[] = {
    // On the main window; later rows lie above earlier ones, the panels above all.
    {.name = "Image1", .kind = K::Image, .rect = {0, 0, 795, 576}},
    {.name = "SpeedBsjwj", .kind = K::PushButton, .rect = {608, 117, 125, 45}, .text = "安装数据文件",
     .font = kKaiBold16, .visible = false, .cursor = CursorKind::Hand, .click = &T::SpeedBsjwjClick},
    {.name = "Labelmsde", .rect = {92, 304, 189, 57}, .text = "Labelmsde", .cursor = CursorKind::Hand,
     .click = &T::LabelmsdeClick},
    {.name = "Labelgzrj", .rect = {92, 200, 189, 57}, .text = "Labelgzrj", .cursor = CursorKind::Hand,
     .click = &T::LabelgzrjClick},
    {.name = "Labeltcqz", .rect = {92, 408, 189, 57}, .text = "Labeltcqz", .cursor = CursorKind::Hand,
     .click = &T::LabeltcqzClick},
    {.name = "Panel3", .kind = K::Panel, .rect = {284, 184, 365, 209}, .visible = false, .tabOrder = 0},
    {.name = "Panel1", .kind = K::Panel, .rect = {296, 312, 293, 255}, .visible = false, .tabOrder = 1},
    {.name = "ADOConn", .kind = K::Connection, .visible = false},
    {.name = "ADOQPb", .kind = K::Query, .visible = false},

    // The database settings panel.
    {.name = "GroupBox1", .kind = K::GroupBox, .parent = "Panel3", .rect = {15, 20, 326, 125}, .text = "数据库设置",
     .tabOrder = 0},
    {.name = "Label3", .parent = "GroupBox1", .rect = {239, 24, 60, 12}, .text = "服务器名称", .visible = false},
    {.name = "Editserver", .kind = K::Edit, .parent = "GroupBox1", .rect = {308, 20, 121, 20}, .visible = false,
     .tabOrder = 1},
    {.name = "Label4", .parent = "GroupBox1", .rect = {23, 28, 48, 12}, .text = "用户名称"},
    {.name = "Editusername", .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 23, 121, 20}, .tabOrder = 2},
    {.name = "Label5", .parent = "GroupBox1", .rect = {47, 60, 24, 12}, .text = "密码"},
    {.name = "EditPassW", .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 54, 121, 20}, .tabOrder = 3,
     .flags = kPassword},
    {.name = "Label6", .parent = "GroupBox1", .rect = {11, 92, 60, 12}, .text = "数据库路径"},
    {.name = "EditPath", .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 85, 201, 22}, .font = kSong14,
     .tabOrder = 0, .flags = kReadOnly},
    {.name = "SpeedBlj", .kind = K::SpeedButton, .parent = "GroupBox1", .rect = {284, 85, 23, 22},
     .cursor = CursorKind::Hand, .flags = kGlyph | kRaised, .click = &T::SpeedBljClick},
    {.name = "Label2", .parent = "Panel3", .rect = {24, 160, 42, 14}, .font = kSong14Navy, .flags = kAutoWidth},
    {.name = "SpeedBQD", .kind = K::SpeedButton, .parent = "Panel3", .rect = {196, 160, 57, 25}, .text = "确定",
     .cursor = CursorKind::Hand, .click = &T::SpeedBQDClick},
    {.name = "SpeedBljfh", .kind = K::SpeedButton, .parent = "Panel3", .rect = {264, 160, 57, 25}, .text = "返回",
     .cursor = CursorKind::Hand, .click = &T::SpeedBljfhClick},

    // The folder chooser panel.
    {.name = "GroupBox2", .kind = K::GroupBox, .parent = "Panel1", .rect = {4, 4, 285, 246},
     .text = "请选择安装数据库的路径", .tabOrder = 0},
    {.name = "ShellTreeV", .kind = K::FolderTree, .parent = "GroupBox2", .rect = {10, 13, 203, 222}, .tabOrder = 0,
     .click = &T::ShellTreeVClick, .keyPress = &T::ShellTreeVKeyPress},
    {.name = "SpeedBljqd", .kind = K::SpeedButton, .parent = "GroupBox2", .rect = {216, 200, 57, 25}, .text = "确定",
     .cursor = CursorKind::Hand, .click = &T::SpeedBljqdClick},
};
// clang-format on

constexpr ControlSpec kForm = {.name = kFormName,
                           .kind = K::Form,
                           .rect = {121, 59, kClientWidth, kClientHeight},
                           .text = "安装程序",
                           .font = kFormFont,
                           .show = &T::FormShow};

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
