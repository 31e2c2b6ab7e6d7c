// The launcher's own texts: titles, captions and message box flags. Held in
// UTF-8 and shown through the wide Windows functions.
#pragma once

namespace qz {

inline constexpr const char *kApplicationTitle = "安装程序";

// Message box titles.
inline constexpr const char *kNoticeTitle = "提示！";
inline constexpr const char *kQuestionTitle = "问题？";

// Message box flags (MB_* values), and the answers that are tested.
inline constexpr unsigned kBoxNotice = 0x40;       // MB_OK | MB_ICONINFORMATION
inline constexpr unsigned kBoxError = 0x10;        // MB_OK | MB_ICONERROR
inline constexpr unsigned kBoxSetupPrompt = 0x44;  // MB_YESNO | MB_ICONINFORMATION
inline constexpr unsigned kBoxQuestion = 0x24;     // MB_YESNO | MB_ICONQUESTION
inline constexpr int kAnswerYes = 6;               // IDYES
inline constexpr int kAnswerNo = 7;                // IDNO

// The component installers.
inline constexpr const char *kMsdeSetup = "\\Msde\\SETUP.EXE";
inline constexpr const char *kPayrollSetup = "\\tovk\\setup.exe";
inline constexpr const char *kMsdePrompt = "请等待MSDE安装完成后！点击确定加载数据文件！";
inline constexpr const char *kServiceStart = "net start mssqlserver";
inline constexpr const char *kEngineKey = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
inline constexpr const char *kEngineValue = "SQLPath";

// The database settings panel and the restore.
inline constexpr const char *kEnterServer = "请输入服务器名称！";
inline constexpr const char *kEnterUser = "请输入用户名！";
inline constexpr const char *kChoosePath = "请选择数据库路径！";
inline constexpr const char *kLoading = "正在加载数据。。。";
inline constexpr const char *kConnectFailed = "连接数据库错误，请确认SQLSERVER是否安装或用户名称和密码是否正确";
inline constexpr const char *kDatabaseExists = "数据库已经存在，继续安装将清空现有的数据,继续吗？";
inline constexpr const char *kDatabaseInUse = "数据库正在使用中，请退出后再安装！";
inline constexpr const char *kLoaded = "数据加载成功！";
inline constexpr const char *kInstalled = "安装数据库成功！";

// Shown by the system, before the launcher loads anything, when a
// "<program>.local" beside it would make Windows 2000 take the system's
// libraries from the launcher's folder; the name goes between the two parts.
inline constexpr const char *kRedirectedBefore = "安装程序所在的文件夹中有“";
inline constexpr const char *kRedirectedAfter =
    "”。有了它，Windows 会先从这个文件夹加载系统组件，安装程序不能安全运行。请删除它后再运行安装程序。";

}  // namespace qz
