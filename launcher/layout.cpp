#include "layout.h"

#include "form.h"

namespace qz {

namespace {

constexpr FontSpec kWindowFont{};
constexpr FontSpec kKaiBold16{"楷体_GB2312", 16, true, kWindowTextColour};
constexpr FontSpec kSong14{"宋体", 14, false, kWindowTextColour};
constexpr FontSpec kSong14Navy{"宋体", 14, false, kNavy};

using K = ControlKind;
using C = CursorKind;

// name, kind, parent, {left, top, width, height}, text, font, visible, tab
// order, cursor, enabled, flags, click.
const ControlSpec kLayout[] = {
    // On the main window; later rows lie above earlier ones, the panels above all.
    {"Image1", K::Image, "", {0, 0, 795, 576}, "", kWindowFont, true, -1, C::Normal, true, 0, nullptr},
    {"SpeedBsjwj", K::PushButton, "", {608, 117, 125, 45}, "安装数据文件", kKaiBold16, false, -1, C::Hand, true, 0, &TForm_qz::SpeedBsjwjClick},
    {"Labelmsde", K::Label, "", {92, 304, 189, 57}, "Labelmsde", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::LabelmsdeClick},
    {"Labelgzrj", K::Label, "", {92, 200, 189, 57}, "Labelgzrj", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::LabelgzrjClick},
    {"Labeltcqz", K::Label, "", {92, 408, 189, 57}, "Labeltcqz", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::LabeltcqzClick},
    {"Panel3", K::Panel, "", {284, 184, 365, 209}, "", kWindowFont, false, 0, C::Normal, true, 0, nullptr},
    {"Panel1", K::Panel, "", {296, 312, 293, 255}, "", kWindowFont, false, 1, C::Normal, true, 0, nullptr},
    {"ADOConn", K::Connection, "", {0, 0, 0, 0}, "", kWindowFont, false, -1, C::Normal, true, 0, nullptr},
    {"ADOQPb", K::Query, "", {0, 0, 0, 0}, "", kWindowFont, false, -1, C::Normal, true, 0, nullptr},

    // The database settings panel.
    {"GroupBox1", K::GroupBox, "Panel3", {15, 20, 326, 125}, "数据库设置", kWindowFont, true, 0, C::Normal, true, 0, nullptr},
    {"Label3", K::Label, "GroupBox1", {239, 24, 60, 12}, "服务器名称", kWindowFont, false, -1, C::Normal, true, 0, nullptr},
    {"Editserver", K::Edit, "GroupBox1", {308, 20, 121, 20}, "", kWindowFont, false, 1, C::Normal, true, 0, nullptr},
    {"Label4", K::Label, "GroupBox1", {23, 28, 48, 12}, "用户名称", kWindowFont, true, -1, C::Normal, true, 0, nullptr},
    {"Editusername", K::Edit, "GroupBox1", {80, 23, 121, 20}, "", kWindowFont, true, 2, C::Normal, true, 0, nullptr},
    {"Label5", K::Label, "GroupBox1", {47, 60, 24, 12}, "密码", kWindowFont, true, -1, C::Normal, true, 0, nullptr},
    {"EditPassW", K::Edit, "GroupBox1", {80, 54, 121, 20}, "", kWindowFont, true, 3, C::Normal, true, kPassword, nullptr},
    {"Label6", K::Label, "GroupBox1", {11, 92, 60, 12}, "数据库路径", kWindowFont, true, -1, C::Normal, true, 0, nullptr},
    {"EditPath", K::Edit, "GroupBox1", {80, 85, 201, 22}, "", kSong14, true, 0, C::Normal, true, kReadOnly, nullptr},
    {"SpeedBlj", K::SpeedButton, "GroupBox1", {284, 85, 23, 22}, "", kWindowFont, true, -1, C::Hand, true, kGlyph, &TForm_qz::SpeedBljClick},
    {"Label2", K::Label, "Panel3", {24, 160, 42, 14}, "", kSong14Navy, true, -1, C::Normal, true, kAutoWidth, nullptr},
    {"SpeedBQD", K::SpeedButton, "Panel3", {196, 160, 57, 25}, "确定", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::SpeedBQDClick},
    {"SpeedBljfh", K::SpeedButton, "Panel3", {264, 160, 57, 25}, "返回", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::SpeedBljfhClick},

    // The folder chooser panel.
    {"GroupBox2", K::GroupBox, "Panel1", {4, 4, 285, 246}, "请选择安装数据库的路径", kWindowFont, true, 0, C::Normal, true, 0, nullptr},
    {"ShellTreeV", K::FolderTree, "GroupBox2", {10, 13, 203, 222}, "", kWindowFont, true, 0, C::Normal, true, 0, &TForm_qz::ShellTreeVClick},
    {"SpeedBljqd", K::SpeedButton, "GroupBox2", {216, 200, 57, 25}, "确定", kWindowFont, true, -1, C::Hand, true, 0, &TForm_qz::SpeedBljqdClick},
};

const ControlSpec kForm = {kFormName, K::Form, "", {121, 59, kClientWidth, kClientHeight}, "安装程序", kFormFont, true, -1, C::Normal, true, 0, nullptr};

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
