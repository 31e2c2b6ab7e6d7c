// The main window's controls, one line each: the one place that names them.
// A line gives the control's name, the member of TForm_qz that holds it and
// its row of the layout (the fields after the name are designated
// initialisers of ControlSpec, in its order; a field a line does not name
// keeps ControlSpec's default). Lines are in creation order within each
// parent; on the main window later lines lie above earlier ones, the panels
// above all. layout.cpp makes the rows from it (K is ControlKind there, and
// the fonts are its own), form.h the members.
#pragma once

// clang-format off
#define QZ_FORM_CONTROLS(ROW) \
    /* On the main window. */ \
    ROW(Image1, .kind = K::Image, .rect = {0, 0, 795, 576}) \
    ROW(SpeedBsjwj, .kind = K::PushButton, .rect = {608, 117, 125, 45}, .text = "安装数据文件", \
        .font = kKaiBold16, .visible = false, .cursor = CursorKind::Hand) \
    ROW(Labelmsde, .rect = {92, 304, 189, 57}, .text = "Labelmsde", .cursor = CursorKind::Hand) \
    ROW(Labelgzrj, .rect = {92, 200, 189, 57}, .text = "Labelgzrj", .cursor = CursorKind::Hand) \
    ROW(Labeltcqz, .rect = {92, 408, 189, 57}, .text = "Labeltcqz", .cursor = CursorKind::Hand) \
    ROW(Panel3, .kind = K::Panel, .rect = {284, 184, 365, 209}, .visible = false, .tabOrder = 0) \
    ROW(Panel1, .kind = K::Panel, .rect = {296, 312, 293, 255}, .visible = false, .tabOrder = 1) \
    ROW(ADOConn, .kind = K::Connection, .visible = false) \
    ROW(ADOQPb, .kind = K::Query, .visible = false) \
    /* The database settings panel. */ \
    ROW(GroupBox1, .kind = K::GroupBox, .parent = "Panel3", .rect = {15, 20, 326, 125}, .text = "数据库设置", \
        .tabOrder = 0) \
    ROW(Label3, .parent = "GroupBox1", .rect = {239, 24, 60, 12}, .text = "服务器名称", .visible = false) \
    ROW(Editserver, .kind = K::Edit, .parent = "GroupBox1", .rect = {308, 20, 121, 20}, .visible = false, \
        .tabOrder = 1) \
    ROW(Label4, .parent = "GroupBox1", .rect = {23, 28, 48, 12}, .text = "用户名称") \
    ROW(Editusername, .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 23, 121, 20}, .tabOrder = 2) \
    ROW(Label5, .parent = "GroupBox1", .rect = {47, 60, 24, 12}, .text = "密码") \
    ROW(EditPassW, .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 54, 121, 20}, .tabOrder = 3, \
        .flags = kPassword) \
    ROW(Label6, .parent = "GroupBox1", .rect = {11, 92, 60, 12}, .text = "数据库路径") \
    ROW(EditPath, .kind = K::Edit, .parent = "GroupBox1", .rect = {80, 85, 201, 22}, .font = kSong14, \
        .tabOrder = 0, .flags = kReadOnly) \
    ROW(SpeedBlj, .kind = K::SpeedButton, .parent = "GroupBox1", .rect = {284, 85, 23, 22}, \
        .cursor = CursorKind::Hand, .flags = kGlyph | kRaised) \
    ROW(Label2, .parent = "Panel3", .rect = {24, 160, 42, 14}, .font = kSong14Navy, .flags = kAutoWidth) \
    ROW(SpeedBQD, .kind = K::SpeedButton, .parent = "Panel3", .rect = {196, 160, 57, 25}, .text = "确定", \
        .cursor = CursorKind::Hand) \
    ROW(SpeedBljfh, .kind = K::SpeedButton, .parent = "Panel3", .rect = {264, 160, 57, 25}, .text = "返回", \
        .cursor = CursorKind::Hand) \
    /* The folder chooser panel. */ \
    ROW(GroupBox2, .kind = K::GroupBox, .parent = "Panel1", .rect = {4, 4, 285, 246}, \
        .text = "请选择安装数据库的路径", .tabOrder = 0) \
    ROW(ShellTreeV, .kind = K::FolderTree, .parent = "GroupBox2", .rect = {10, 13, 203, 222}, .tabOrder = 0) \
    ROW(SpeedBljqd, .kind = K::SpeedButton, .parent = "GroupBox2", .rect = {216, 200, 57, 25}, .text = "确定", \
        .cursor = CursorKind::Hand)
// clang-format on
