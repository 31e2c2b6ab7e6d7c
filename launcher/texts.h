// The launcher's own texts: titles, captions and message box flags. Held in
// UTF-8 and shown through the wide Windows functions.
#pragma once

namespace qz {

inline constexpr const char *kApplicationTitle = "安装程序";

// Message box titles.
inline constexpr const char *kNoticeTitle = "提示！";
inline constexpr const char *kQuestionTitle = "问题？";

// Message box flags (MB_* values), and the answers that are tested.
inline constexpr unsigned kBoxNotice = 0x40;     // MB_OK | MB_ICONINFORMATION
inline constexpr unsigned kBoxError = 0x10;      // MB_OK | MB_ICONERROR
inline constexpr unsigned kBoxSetupPrompt = 0x44;  // MB_YESNO | MB_ICONINFORMATION
inline constexpr unsigned kBoxQuestion = 0x24;   // MB_YESNO | MB_ICONQUESTION
inline constexpr int kAnswerYes = 6;             // IDYES
inline constexpr int kAnswerNo = 7;              // IDNO

}  // namespace qz
