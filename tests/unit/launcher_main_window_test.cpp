#include "errors.h"
#include "fake_services.h"
#include "form.h"
#include "layout.h"
#include "program_folder.h"
#include "texts.h"

#include <gtest/gtest.h>


#include <map>
#include <new>
#include <set>
#include <utility>
#include <string>
#include <vector>

namespace qz {
namespace {

using testing::FakeServices;

// Where a control lies in the main window's client area.
Rect AbsoluteRect(const ControlSpec &row)
{
    Rect rect = row.rect;
    for (const ControlSpec *parent = FindSpec(row.parent); parent != nullptr; parent = FindSpec(parent->parent)) {
        rect.left += parent->rect.left;
        rect.top += parent->rect.top;
    }
    return rect;
}

bool Overlap(const Rect &a, const Rect &b)
{
    return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

// --- The layout table ---------------------------------------------------

TEST(Layout, EveryControlHasOneRowAndParentsComeFirst)
{
    std::set<std::string_view> seen;
    for (const ControlSpec &row : Layout()) {
        EXPECT_TRUE(seen.insert(row.name).second) << "duplicate row " << row.name;
        if (!row.parent.empty()) {
            EXPECT_TRUE(seen.contains(row.parent)) << row.name << " precedes its parent " << row.parent;
            const ControlSpec *parent = FindSpec(row.parent);
            ASSERT_NE(parent, nullptr);
            EXPECT_TRUE(parent->kind == ControlKind::Panel || parent->kind == ControlKind::GroupBox)
                << row.name << " lies in " << row.parent << ", which is no container";
        }
    }
    EXPECT_EQ(seen.size(), 25u);
}

TEST(Layout, HotZonesLieOverThePaintedButtonsAndClearOfEverything)
{
    const std::map<std::string, Rect> painted = {
        {"Labelgzrj", {92, 200, 189, 57}}, {"Labelmsde", {92, 304, 189, 57}}, {"Labeltcqz", {92, 408, 189, 57}}};
    for (const auto &[name, button] : painted) {
        const ControlSpec *zone = FindSpec(name);
        ASSERT_NE(zone, nullptr) << name;
        EXPECT_EQ(zone->kind, ControlKind::Label) << name;
        EXPECT_EQ(zone->parent, "") << name;
        EXPECT_EQ(zone->rect.left, button.left) << name;
        EXPECT_EQ(zone->rect.top, button.top) << name;
        EXPECT_EQ(zone->rect.Right(), button.Right()) << name;
        EXPECT_EQ(zone->rect.Bottom(), button.Bottom()) << name;
        EXPECT_EQ(zone->cursor, CursorKind::Hand) << name;
        EXPECT_TRUE(zone->visible) << name;
        // In the layout a zone is an ordinary label captioned with its name.
        EXPECT_EQ(zone->text, zone->name);
        for (const char *other : {"Labelgzrj", "Labelmsde", "Labeltcqz", "Panel1", "Panel3"}) {
            if (name != other) {
                EXPECT_FALSE(Overlap(zone->rect, AbsoluteRect(*FindSpec(other)))) << name << " overlaps " << other;
            }
        }
    }
}

TEST(Layout, PanelsAreHiddenAndTheChooserCoversTheSettingsButtonsButTheBackEdge)
{
    const ControlSpec &settings = *FindSpec("Panel3");
    const ControlSpec &chooser = *FindSpec("Panel1");
    EXPECT_FALSE(settings.visible);
    EXPECT_FALSE(chooser.visible);
    EXPECT_EQ(settings.tabOrder, 0);
    EXPECT_EQ(chooser.tabOrder, 1);

    const Rect chooserRect = AbsoluteRect(chooser);
    auto covered = [&](const char *name) {
        const Rect r = AbsoluteRect(*FindSpec(name));
        return r.left >= chooserRect.left && r.Right() <= chooserRect.Right() && r.top >= chooserRect.top &&
               r.Bottom() <= chooserRect.Bottom();
    };
    EXPECT_TRUE(covered("SpeedBQD"));
    EXPECT_TRUE(covered("Label2"));
    const Rect back = AbsoluteRect(*FindSpec("SpeedBljfh"));
    EXPECT_EQ(back.Right() - chooserRect.Right(), 16) << "the Back button's visible edge";
    // The path field and the browse button stay visible just above it.
    EXPECT_LE(AbsoluteRect(*FindSpec("EditPath")).Bottom(), chooserRect.top);
    EXPECT_LE(AbsoluteRect(*FindSpec("SpeedBlj")).Bottom(), chooserRect.top);
}

TEST(Layout, FieldsAndButtonsOfThePanels)
{
    struct Expected {
        const char *name;
        ControlKind kind;
        const char *parent;
        Rect rect;
        const char *text;
        int tabOrder;
        bool visible;
    };
    const Expected rows[] = {
        {"GroupBox1", ControlKind::GroupBox, "Panel3", {15, 20, 326, 125}, "数据库设置", 0, true},
        {"Label3", ControlKind::Label, "GroupBox1", {239, 24, 60, 12}, "服务器名称", -1, false},
        {"Editserver", ControlKind::Edit, "GroupBox1", {308, 20, 121, 20}, "", 1, false},
        {"Label4", ControlKind::Label, "GroupBox1", {23, 28, 48, 12}, "用户名称", -1, true},
        {"Editusername", ControlKind::Edit, "GroupBox1", {80, 23, 121, 20}, "", 2, true},
        {"Label5", ControlKind::Label, "GroupBox1", {47, 60, 24, 12}, "密码", -1, true},
        {"EditPassW", ControlKind::Edit, "GroupBox1", {80, 54, 121, 20}, "", 3, true},
        {"Label6", ControlKind::Label, "GroupBox1", {11, 92, 60, 12}, "数据库路径", -1, true},
        {"EditPath", ControlKind::Edit, "GroupBox1", {80, 85, 201, 22}, "", 0, true},
        {"SpeedBlj", ControlKind::SpeedButton, "GroupBox1", {284, 85, 23, 22}, "", -1, true},
        {"Label2", ControlKind::Label, "Panel3", {24, 160, 42, 14}, "", -1, true},
        {"SpeedBQD", ControlKind::SpeedButton, "Panel3", {196, 160, 57, 25}, "确定", -1, true},
        {"SpeedBljfh", ControlKind::SpeedButton, "Panel3", {264, 160, 57, 25}, "返回", -1, true},
        {"GroupBox2", ControlKind::GroupBox, "Panel1", {4, 4, 285, 246}, "请选择安装数据库的路径", 0, true},
        {"ShellTreeV", ControlKind::FolderTree, "GroupBox2", {10, 13, 203, 222}, "", 0, true},
        {"SpeedBljqd", ControlKind::SpeedButton, "GroupBox2", {216, 200, 57, 25}, "确定", -1, true},
        {"SpeedBsjwj", ControlKind::PushButton, "", {608, 117, 125, 45}, "安装数据文件", -1, false},
    };
    for (const Expected &want : rows) {
        const ControlSpec *actual = FindSpec(want.name);
        ASSERT_NE(actual, nullptr) << want.name;
        EXPECT_EQ(actual->kind, want.kind) << want.name;
        EXPECT_EQ(actual->parent, want.parent) << want.name;
        EXPECT_EQ(actual->rect.left, want.rect.left) << want.name;
        EXPECT_EQ(actual->rect.top, want.rect.top) << want.name;
        EXPECT_EQ(actual->rect.width, want.rect.width) << want.name;
        EXPECT_EQ(actual->rect.height, want.rect.height) << want.name;
        EXPECT_EQ(actual->text, want.text) << want.name;
        EXPECT_EQ(actual->tabOrder, want.tabOrder) << want.name;
        EXPECT_EQ(actual->visible, want.visible) << want.name;
    }
    EXPECT_TRUE(FindSpec("EditPath")->flags & kReadOnly);
    EXPECT_EQ(FindSpec("EditPath")->font.height, 14);
    EXPECT_TRUE(FindSpec("EditPassW")->flags & kPassword);
    EXPECT_TRUE(FindSpec("Label2")->flags & kAutoWidth);
    EXPECT_EQ(FindSpec("Label2")->font.colour, kNavy);
    EXPECT_TRUE(FindSpec("SpeedBlj")->flags & kGlyph);
    EXPECT_TRUE(FindSpec("SpeedBlj")->flags & kRaised) << "the browse button is not flat";
    for (const char *name : {"SpeedBQD", "SpeedBljfh", "SpeedBljqd"})
        EXPECT_FALSE(FindSpec(name)->flags & kRaised) << name << " is flat";
    EXPECT_EQ(FindSpec("SpeedBsjwj")->font.face, "楷体_GB2312");
    EXPECT_TRUE(FindSpec("SpeedBsjwj")->font.bold);
    EXPECT_EQ(FindSpec("SpeedBsjwj")->font.height, 16);
    for (const char *name : {"SpeedBlj", "SpeedBQD", "SpeedBljfh", "SpeedBljqd", "SpeedBsjwj"})
        EXPECT_EQ(FindSpec(name)->cursor, CursorKind::Hand) << name;
}

TEST(Layout, TheWindowIsCentredByIntegerHalvesAlsoOnASmallerScreen)
{
    const Point wide = CentredPosition(1024, 768);
    EXPECT_EQ(wide.x, 114);
    EXPECT_EQ(wide.y, 96);
    const Point odd = CentredPosition(1280, 1025);
    EXPECT_EQ(odd.x, 242);
    EXPECT_EQ(odd.y, 224);
    // 640 x 480: (640 - 795) / 2 = -77.5 and (480 - 576) / 2 = -48, truncated toward zero.
    const Point small = CentredPosition(640, 480);
    EXPECT_EQ(small.x, -77);
    EXPECT_EQ(small.y, -48);
    EXPECT_EQ(FormSpec().text, "安装程序");
    EXPECT_EQ(kFormFont.face, "宋体");
    EXPECT_EQ(kFormFont.height, 12);
    EXPECT_EQ(kGb2312Charset, 134);
}

// --- The form -------------------------------------------------------------

class RecordingObserver : public ControlObserver {
public:
    void ControlChanged(Control &control, Property property) override
    {
        changes.push_back({std::string(control.Name()), property});
    }
    std::vector<std::pair<std::string, Property>> changes;
};

TEST(Form, MembersAreTheLayoutsControls)
{
    FakeServices services;
    TForm_qz form(services);
    EXPECT_EQ(form.Controls().size(), Layout().size());
    EXPECT_EQ(&form.Panel3, &form.ControlNamed("Panel3"));
    EXPECT_EQ(form.Labeltcqz.Name(), "Labeltcqz");
    EXPECT_EQ(form.ShellTreeV.Row().kind, ControlKind::FolderTree);
    EXPECT_DEATH(form.ControlNamed("Panel2"), "fatal: no control named Panel2") << "a fault of the program ends it";
}

TEST(Form, EachMemberIsTheControlOfItsNameInLayoutOrder)
{
    FakeServices services;
    TForm_qz form(services);
    const std::vector<std::pair<std::string_view, const Control *>> members = {
#define QZ_TEST_MEMBER(control, ...) {#control, &form.control},
        QZ_FORM_CONTROLS(QZ_TEST_MEMBER)
#undef QZ_TEST_MEMBER
    };
    ASSERT_EQ(members.size(), form.Controls().size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const auto &[name, control] = members[i];
        EXPECT_EQ(control, form.Controls()[i].get()) << name;
        EXPECT_EQ(control->Name(), name);
        EXPECT_EQ(&control->Row(), &Layout()[i]) << name;
    }
}

TEST(Form, EventsReachTheSendersOwnHandler)
{
    FakeServices services;
    TForm_qz form(services);
    form.Click(form.SpeedBsjwj);
    EXPECT_TRUE(form.Panel3.Visible()) << "the hidden button opens the settings panel";
    form.Click(form.SpeedBljfh);
    EXPECT_FALSE(form.Panel3.Visible()) << "Back closes it";
    EXPECT_EQ(services.closeCalls, 0);
    form.Click(form.Labeltcqz);
    EXPECT_EQ(services.closeCalls, 1) << "the exit zone";

    // Typed characters: the tree discards them, the fields keep theirs.
    char32_t key = U'a';
    form.KeyPress(form.Editusername, key);
    EXPECT_EQ(key, U'a');
    form.KeyPress(form.ShellTreeV, key);
    EXPECT_EQ(key, 0u);
}

TEST(Form, FormShowPresetsTheFieldsAndTurnsTheZonesIntoHotZones)
{
    FakeServices services;
    TForm_qz form(services);
    RecordingObserver observer;
    for (const auto &control : form.Controls())
        control->SetObserver(&observer);

    form.Show();  // the form's row names FormShow as its show event

    EXPECT_EQ(form.Editserver.Text(), "(local)");
    EXPECT_EQ(form.Editusername.Text(), "sa");
    EXPECT_EQ(form.EditPassW.Text(), "");
    EXPECT_EQ(form.EditPath.Text(), "C:\\");
    for (Control *zone : {&form.Labelmsde, &form.Labelgzrj, &form.Labeltcqz}) {
        EXPECT_EQ(zone->Text(), "") << zone->Name();
        EXPECT_TRUE(zone->Transparent()) << zone->Name();
        EXPECT_TRUE(zone->Visible()) << zone->Name();
        EXPECT_TRUE(zone->Enabled()) << zone->Name();
    }
    // The windows are told in the order the fields were set; the zones in
    // the order msde, gzrj, tcqz, caption before transparency.
    using P = ControlObserver::Property;
    const std::vector<std::pair<std::string, P>> expected = {
        {"Editserver", P::Text}, {"Editusername", P::Text}, {"EditPath", P::Text},
        {"Labelmsde", P::Text},  {"Labelmsde", P::Transparent}, {"Labelgzrj", P::Text},
        {"Labelgzrj", P::Transparent}, {"Labeltcqz", P::Text}, {"Labeltcqz", P::Transparent}};
    EXPECT_EQ(observer.changes, expected);
    // Nothing else moved: both panels stay hidden, no box was shown.
    EXPECT_FALSE(form.Panel3.Visible());
    EXPECT_FALSE(form.Panel1.Visible());
    EXPECT_FALSE(form.SpeedBsjwj.Visible());
    EXPECT_TRUE(services.boxes.empty());
}

TEST(Form, ExitZoneClosesTheMainWindowOnceAlsoWithAPanelOpen)
{
    FakeServices services;
    TForm_qz form(services);
    form.FormShow(form.Self());
    form.Panel3.SetVisible(true);
    form.Editusername.TextEditedByUser("operator");
    form.Click(form.Labeltcqz);
    EXPECT_EQ(services.closeCalls, 1);
    EXPECT_TRUE(services.boxes.empty()) << "no confirmation is asked";
}

TEST(Form, ControlsWithoutAHandlerIgnoreClicks)
{
    FakeServices services;
    TForm_qz form(services);
    form.Click(form.Image1);
    form.Click(form.Panel3);
    EXPECT_EQ(services.closeCalls, 0);
    EXPECT_TRUE(services.boxes.empty());
}

TEST(Form, ObserverHearsOnlyRealChanges)
{
    FakeServices services;
    TForm_qz form(services);
    RecordingObserver observer;
    form.Panel3.SetObserver(&observer);
    form.Panel3.SetVisible(false);  // already hidden
    form.Panel3.SetVisible(true);
    form.Panel3.SetVisible(true);
    ASSERT_EQ(observer.changes.size(), 1u);
    EXPECT_EQ(observer.changes[0].second, ControlObserver::Property::Visible);
}

// --- The application error box ---------------------------------------------

TEST(ApplicationError, FullStopOnlyAfterCharactersThatSortAfterTheDot)
{
    EXPECT_EQ(ApplicationErrorText("Invalid data type for 'SQLPath'"), "Invalid data type for 'SQLPath'");
    EXPECT_EQ(ApplicationErrorText("Connection failed"), "Connection failed.");
    EXPECT_EQ(ApplicationErrorText(""), "");
    EXPECT_EQ(ApplicationErrorText("Done."), "Done.");
    EXPECT_EQ(ApplicationErrorText("Why?"), "Why?.");  // '?' sorts after '.'
    EXPECT_EQ(ApplicationErrorText("Stop!"), "Stop!");
    EXPECT_EQ(ApplicationErrorText("code 7"), "code 7.");
    EXPECT_EQ(ApplicationErrorText("a-"), "a-");
    EXPECT_EQ(ApplicationErrorText("a/"), "a/.");
    EXPECT_EQ(ApplicationErrorText("数据库错误"), "数据库错误.");
}

TEST(ApplicationError, ShownWithTheApplicationTitleAndTheStopIcon)
{
    FakeServices services;
    services.ReportError("Failed to get data for 'SQLPath'");
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, "Failed to get data for 'SQLPath'");
    EXPECT_EQ(services.boxes[0].title, "安装程序");
    EXPECT_EQ(services.boxes[0].flags, 16u);
}

// Services that fail again while the box is up, as a paint under it would.
class FailingUnderTheBox : public FakeServices {
public:
    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override
    {
        const int answer = FakeServices::ShowMessageBox(text, title, flags);
        Guarded(*this, [] { return Status(Error("again")); });
        return answer;
    }
};

TEST(ApplicationError, TheGuardBoxesEveryFailureAndTheCallerGoesOn)
{
    FakeServices services;
    EXPECT_TRUE(Guarded(services, [] {}));
    EXPECT_TRUE(Guarded(services, [] { return Status(); }));
    EXPECT_TRUE(services.boxes.empty());
    EXPECT_FALSE(Guarded(services, [] { return Status(Error("Invalid data type for 'SQLPath'")); }));
    EXPECT_FALSE(Guarded(services, [] { return Status(Error("The connection failed")); }));
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_EQ(services.boxes[0].text, "Invalid data type for 'SQLPath'") << "a handler's error, as before";
    EXPECT_EQ(services.boxes[1].text, "The connection failed.");
    for (const testing::BoxCall &box : services.boxes)
        EXPECT_TRUE(box.title == "安装程序" && box.flags == 16u) << box.text;

    FailingUnderTheBox underTheBox;
    EXPECT_FALSE(Guarded(underTheBox, [] { return Status(Error("first")); }));
    ASSERT_EQ(underTheBox.boxes.size(), 1u) << "a failure while its box is up is not boxed again";
    EXPECT_EQ(underTheBox.boxes[0].text, "first.");
    EXPECT_FALSE(Guarded(underTheBox, [] { return Status(Error("later")); }));
    EXPECT_EQ(underTheBox.boxes.size(), 2u) << "once the box is gone, the next failure is boxed";
}

TEST(MessageBoxConvention, TitlesFlagsAndAnswers)
{
    EXPECT_STREQ(kNoticeTitle, "提示！");
    EXPECT_STREQ(kQuestionTitle, "问题？");
    EXPECT_EQ(kBoxNotice, 64u);
    EXPECT_EQ(kBoxError, 16u);
    EXPECT_EQ(kBoxSetupPrompt, 68u);
    EXPECT_EQ(kBoxQuestion, 36u);
    EXPECT_EQ(kAnswerYes, 6);
    EXPECT_EQ(kAnswerNo, 7);
    FakeServices services;
    services.answers = {kAnswerNo};
    EXPECT_EQ(services.ShowMessageBox("x", kQuestionTitle, kBoxQuestion), kAnswerNo);
}

// --- The program folder ------------------------------------------------------

TEST(ProgramFolder, CutAfterTheLastSeparatorOrColon)
{
    EXPECT_EQ(FolderOfPath("C:\\Setup\\qz.exe"), "C:\\Setup\\");
    EXPECT_EQ(FolderOfPath("D:\\qz.exe"), "D:\\");
    EXPECT_EQ(FolderOfPath("D:qz.exe"), "D:");
    EXPECT_EQ(FolderOfPath("\\\\server\\share\\qz.exe"), "\\\\server\\share\\");
    EXPECT_EQ(FolderOfPath("qz.exe"), "");
    // UTF-8 never carries a "\" byte inside a character, unlike code page 936.
    EXPECT_EQ(FolderOfPath("E:\\安装\\表\\qz.exe"), "E:\\安装\\表\\");
}

TEST(ProgramFolder, DeepFoldersAreNotCutAtTwoHundredAndSixtyCharacters)
{
    std::string folder = "C:\\";
    while (folder.size() < 400)
        folder += "a-rather-long-folder-name\\";
    EXPECT_EQ(FolderOfPath(folder + "qz.exe"), folder);
}

}  // namespace
}  // namespace qz
