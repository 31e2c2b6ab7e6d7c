// The qzdrive commands. Each takes the words after its name, prints its
// results as key=value lines, and throws Failure or UsageError.
#pragma once

#include "args.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qzdrive {

using Words = std::vector<std::wstring>;

// Top-level windows (commands_windows.cpp).
void WindowCommand(const Words &words);
void TextWidthCommand(const Words &words);
void WaitGoneCommand(const Words &words);
void WindowsCommand(const Words &words);
void FocusCommand(const Words &words);
void DpiCommand(const Words &words);
void DriveCommand(const Words &words);
void ProbeCommand(const Words &words);
void SysCommandCommand(const Words &words);

// Named controls and input (commands_controls.cpp).
void ControlCommand(const Words &words);
void ControlsCommand(const Words &words);
void GetTextCommand(const Words &words);
void SetTextCommand(const Words &words);
void TypeCommand(const Words &words);
void KeyCommand(const Words &words);
void ClickCommand(const Words &words);
void PostClickCommand(const Words &words);
void ShowCommand(const Words &words);

// The folder tree (commands_tree.cpp).
void TreeCommand(const Words &words);
void TreeSelectCommand(const Words &words);
void TreeClickCommand(const Words &words);

// Message boxes (commands_msgbox.cpp).
void MsgBoxCommand(const Words &words);
void MsgBoxPressCommand(const Words &words);
void WaitNoMsgBoxCommand(const Words &words);

// Shared by the commands.

// The --pid option, when given.
std::optional<DWORD> PidOption(const Args &args);
// The --timeout-ms option, or the default.
long long TimeoutOption(const Args &args);
// The launcher's main window (of --pid, when given), waited for up to the
// time-out; throws Failure when none came.
HWND WaitMain(const Args &args);

// Lets the thread of window handle what was posted or input to it: sends it
// rounds null messages, each one answered only between two of the messages
// it takes from its queue.
void Settle(HWND window, int rounds);

}  // namespace qzdrive
