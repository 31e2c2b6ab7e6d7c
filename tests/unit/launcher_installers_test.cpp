#include "errors.h"
#include "must.h"
#include "fake_services.h"
#include "form.h"
#include "installers.h"
#include "system_folder.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qz {
namespace {

using testing::FakeServices;
using testing::Must;

constexpr std::uint32_t kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7;

class Installers : public ::testing::Test {
protected:
    Installers() : form(services) { form.FormShow(form.Self()); }

    // The engine's key with "SQLPath" of this type and stored data.
    void EngineValue(std::uint32_t type, const std::string &data)
    {
        services.registry.keyExists = true;
        services.registry.size = static_cast<std::uint32_t>(data.size());
        services.registry.value = Registry::Value{type, data};
    }

    std::vector<std::string> Actions() const
    {
        std::vector<std::string> actions;
        for (const std::string &entry : services.database.log)
            if (entry.starts_with("shell") || entry.starts_with("run") || entry.starts_with("box"))
                actions.push_back(entry);
        return actions;
    }

    void ExpectPanelShown()
    {
        EXPECT_TRUE(form.Panel3.Visible());
        EXPECT_FALSE(form.Label2.Visible());
    }

    FakeServices services;
    TForm_qz form;
};

TEST(EngineKey, IsReadInThe32BitViewAskedForByNameOnlyBy64BitLaunchers)
{
    // A 32-bit launcher reads the 32-bit view by default; asking for it by
    // name would be refused on Windows 2000, hiding an installed engine.
    EXPECT_EQ(EngineKeyView(4), RegistryView::Default);
    EXPECT_EQ(EngineKeyView(8), RegistryView::Bits32);
}

TEST_F(Installers, AnInstalledEngineOpensThePanelAndStartsNothing)
{
    for (std::uint32_t type : {kRegSz, kRegExpandSz}) {
        FakeServices fresh;
        TForm_qz panel(fresh);
        fresh.registry.keyExists = true;
        fresh.registry.size = 22;
        fresh.registry.value = Registry::Value{type, std::string("%ProgramFiles%\\SQL\0", 19)};
        panel.Click(panel.Labelmsde);
        EXPECT_TRUE(panel.Panel3.Visible()) << type;
        EXPECT_FALSE(panel.Label2.Visible()) << type;
        EXPECT_TRUE(fresh.boxes.empty()) << type;
        EXPECT_TRUE(fresh.database.log.empty()) << "no setup, no service start";
        const std::vector<std::string> probe = {"open SOFTWARE\\Microsoft\\MSSQLServer\\Setup", "size SQLPath",
                                                "read SQLPath 22", "close"};
        EXPECT_EQ(fresh.registry.log, probe);
        EXPECT_EQ(fresh.registry.accessors, 0) << "the accessor is released within the click";
    }
}

TEST_F(Installers, TheStringEndsAtItsFirstZeroAndIsNotExpanded)
{
    EngineValue(kRegExpandSz, std::string("%SystemDrive%\\MSSQL\0garbage", 27));
    EXPECT_EQ(Must(EngineSetupPath(*services.OpenRegistry())), "%SystemDrive%\\MSSQL");
    // Stored without its terminating zero: all of it, nothing more.
    EngineValue(kRegSz, "C:\\MSSQL");
    EXPECT_EQ(Must(EngineSetupPath(*services.OpenRegistry())), "C:\\MSSQL");
    // A value far larger than any path is read whole.
    const std::string huge(1 << 20, 'x');
    EngineValue(kRegSz, huge);
    EXPECT_EQ(Must(EngineSetupPath(*services.OpenRegistry())), huge);
}

TEST_F(Installers, AMissingEngineStartsItsSetupThenAsks)
{
    services.registry.keyExists = false;
    services.programFolder = "E:\\Setup\\";
    services.answers = {kAnswerYes};
    form.Click(form.Labelmsde);
    const std::vector<std::string> expected = {"shell E:\\Setup\\\\Msde\\SETUP.EXE",
                                               "box 请等待MSDE安装完成后！点击确定加载数据文件！",
                                               "run net start mssqlserver"};
    EXPECT_EQ(Actions(), expected);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].title, "提示！");
    EXPECT_EQ(services.boxes[0].flags, 68u);
    ExpectPanelShown();
    EXPECT_EQ(services.registry.log, std::vector<std::string>{"open SOFTWARE\\Microsoft\\MSSQLServer\\Setup"})
        << "a key that did not open is not closed";
}

TEST_F(Installers, AnsweringNoLeavesThePanelHiddenAndTheServiceAlone)
{
    services.answers = {kAnswerNo};
    form.Click(form.Labelmsde);
    const std::vector<std::string> expected = {"shell D:\\\\Msde\\SETUP.EXE",
                                               "box 请等待MSDE安装完成后！点击确定加载数据文件！"};
    EXPECT_EQ(Actions(), expected);
    EXPECT_FALSE(form.Panel3.Visible());
}

TEST_F(Installers, AnEmptyOrMissingValueCountsAsNoEngine)
{
    struct Case {
        const char *what;
        std::optional<std::uint32_t> size;
        std::optional<Registry::Value> value;
    };
    const std::vector<Case> cases = {
        {"value missing", std::nullopt, std::nullopt},
        {"size zero", 0u, Registry::Value{kRegSz, ""}},
        {"empty string", 2u, Registry::Value{kRegSz, std::string("\0", 1)}},
    };
    for (const Case &c : cases) {
        FakeServices fresh;
        TForm_qz panel(fresh);
        fresh.registry.keyExists = true;
        fresh.registry.size = c.size;
        fresh.registry.value = c.value;
        fresh.answers = {kAnswerNo};
        panel.Click(panel.Labelmsde);
        ASSERT_FALSE(fresh.database.log.empty()) << c.what;
        EXPECT_EQ(fresh.database.log[0], "shell D:\\\\Msde\\SETUP.EXE") << c.what;
        EXPECT_EQ(fresh.registry.log.back(), "close") << c.what;
    }
}

TEST_F(Installers, AValueOfAnotherTypeRaisesTheErrorAfterTheKeyIsClosed)
{
    for (std::uint32_t type : {kRegDword, kRegBinary, kRegMultiSz}) {
        FakeServices fresh;
        TForm_qz panel(fresh);
        fresh.registry.keyExists = true;
        fresh.registry.size = 4;
        fresh.registry.value = Registry::Value{type, std::string("\1\0\0\0", 4)};
        panel.Click(panel.Labelmsde);
        ASSERT_EQ(fresh.boxes.size(), 1u) << "type " << type << " was taken";
        EXPECT_EQ(fresh.boxes[0].text, "Invalid data type for 'SQLPath'") << "no full stop";
        EXPECT_EQ(fresh.boxes[0].title, kApplicationTitle);
        EXPECT_EQ(fresh.boxes[0].flags, kBoxError);
        EXPECT_EQ(fresh.registry.log.back(), "close") << type;
        EXPECT_EQ(fresh.registry.accessors, 0);
        EXPECT_EQ(fresh.database.log, std::vector<std::string>{"box Invalid data type for 'SQLPath'"})
            << "no setup started, only the box";
        EXPECT_FALSE(panel.Panel3.Visible());
    }
}

TEST_F(Installers, ASecondQueryThatFailsRaisesFailedToGetData)
{
    services.registry.keyExists = true;
    services.registry.size = 10;
    services.registry.value = std::nullopt;
    form.Click(form.Labelmsde);
    ASSERT_EQ(services.boxes.size(), 1u) << "no error";
    EXPECT_EQ(services.boxes[0].text, "Failed to get data for 'SQLPath'");
    EXPECT_EQ(services.registry.log.back(), "close");
    EXPECT_EQ(services.database.log, std::vector<std::string>{"box Failed to get data for 'SQLPath'"})
        << "nothing started, only the box";
}

TEST_F(Installers, AClickAfterTheSetupWroteTheValueOpensThePanelDirectly)
{
    services.answers = {kAnswerNo};
    form.Click(form.Labelmsde);
    EngineValue(kRegSz, std::string("C:\\MSSQL\0", 9));
    services.database.log.clear();
    form.Click(form.Labelmsde);
    EXPECT_TRUE(Actions().empty());
    ExpectPanelShown();
}

TEST_F(Installers, AClickWhileThePanelIsOpenHidesTheStatusLabelAgain)
{
    EngineValue(kRegSz, "C:\\MSSQL");
    form.Click(form.Labelmsde);
    form.Label2.SetVisible(true);
    form.Label2.SetText(kLoading);
    form.Click(form.Labelmsde);
    ExpectPanelShown();
}

TEST_F(Installers, ThePayrollZoneStartsItsSetupEachTime)
{
    services.programFolder = "D:\\";
    form.Click(form.Labelgzrj);
    form.Click(form.Labelgzrj);
    const std::vector<std::string> expected = {"shell D:\\\\tovk\\setup.exe", "shell D:\\\\tovk\\setup.exe"};
    EXPECT_EQ(Actions(), expected);
    EXPECT_TRUE(services.boxes.empty());
    EXPECT_FALSE(form.Panel3.Visible());
    EXPECT_TRUE(services.registry.log.empty());
}

TEST(SystemPrograms, TheServiceStartNamesTheSystemsNetByItsFullPath)
{
    struct Case {
        const char *folder;
        const char *application;
    };
    // A system folder with a space stays one word in the command line.
    for (const Case &c : {Case{"C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\net.exe"},
                          Case{"C:\\WINNT\\system32\\", "C:\\WINNT\\system32\\net.exe"},
                          Case{"D:\\My Windows\\system32", "D:\\My Windows\\system32\\net.exe"}}) {
        const SystemCommand command = Must(SystemCommandFor(kServiceStart, c.folder));
        EXPECT_EQ(command.application, c.application) << c.folder;
        EXPECT_EQ(command.commandLine, "\"" + std::string(c.application) + "\" start mssqlserver") << c.folder;
        EXPECT_EQ(command.parameters, "start mssqlserver") << c.folder << ": the elevated start's arguments";
        EXPECT_EQ(command.directory, c.folder) << "not the launcher's current folder";
    }
    EXPECT_EQ(Must(SystemCommandFor("regedit.exe", "C:\\W")).commandLine, "\"C:\\W\\regedit.exe\"")
        << "an extension is kept, no arguments added";
    for (const char *line : {"", " start", "..\\net start", "C:\\net.exe start", "net*"})
        EXPECT_THROW(Must(SystemCommandFor(line, "C:\\W")), Error) << "'" << line << "' leaves the system folder";
    EXPECT_THROW(Must(SystemCommandFor("net start", "")), Error) << "no system folder, no bare name either";
}

TEST(SystemPrograms, LibrariesLoadedLaterAreNamedInTheSystemFolder)
{
    for (const char *library : {"odbc32.dll", "shell32.dll", "comctl32.dll"})
        EXPECT_EQ(Must(SystemLibraryPath("C:\\Windows\\system32", library)),
                  "C:\\Windows\\system32\\" + std::string(library));
    EXPECT_EQ(Must(SystemLibraryPath("C:\\", "odbc32.dll")), "C:\\odbc32.dll") << "a root keeps one separator";
    for (const char *library : {"", "..", "sub\\odbc32.dll", "C:odbc32.dll", "/tmp/x.dll"})
        EXPECT_THROW(Must(SystemLibraryPath("C:\\W", library)), Error) << "'" << library << "'";
}

}  // namespace
}  // namespace qz
