#include "fake_services.h"
#include "folder_tree.h"
#include "form.h"

#include <gtest/gtest.h>

#include <string>

namespace qz {
namespace {

using testing::FakeServices;
using Folder = testing::FakeNamespace::Folder;

// The desktop of a Simplified Chinese Windows, with drives and folders.
class FolderChooser : public ::testing::Test {
protected:
    FolderChooser() : form(services)
    {
        auto &shell = services.shell;
        computer = shell.Add(nullptr, "我的电脑", "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
        documents = shell.Add(nullptr, "我的文档", "C:\\Users\\operator\\Documents");
        network = shell.Add(nullptr, "网上邻居", "::{208D2C60-3AEA-1069-A2D7-08002B30309D}");
        recycle = shell.Add(nullptr, "回收站", "::{645FF040-5081-101B-9F08-00AA002F954E}");
        browser = shell.Add(nullptr, "Internet Explorer", "::{871C5380-42A0-1069-A2EA-08002B30309D}");
        control = shell.Add(nullptr, "控制面板", "::{21EC2020-3AEA-1069-A2DD-08002B30309D}");
        driveC = shell.Add(computer, "本地磁盘 (C:)", "C:\\");
        driveD = shell.Add(computer, "数据 (D:)", "D:\\");
        driveE = shell.Add(computer, "备份 (E:)", "E:\\");
        db = shell.Add(driveE, "Db", "E:\\Db");
        form.FormShow(form.Self());
        EXPECT_EQ(form.Folders().Root(), nullptr) << "nothing is listed before the chooser opens";
        form.Click(form.SpeedBlj);
    }

    FolderTree::Node *Child(FolderTree::Node &parent, const std::string &name)
    {
        form.Folders().Expand(parent);
        for (const auto &child : parent.children)
            if (child->folder.name == name)
                return child.get();
        ADD_FAILURE() << "no " << name << " under " << parent.folder.name;
        return nullptr;
    }

    // A click on a node: it becomes the selection, then the click handler.
    void ClickOn(FolderTree::Node *node)
    {
        form.Folders().Select(node);
        form.Click(form.ShellTreeV);
    }

    FolderTree::Node &Root() { return *form.Folders().Root(); }

    FakeServices services;
    TForm_qz form;
    std::shared_ptr<Folder> computer, documents, network, recycle, browser, control, driveC, driveD, driveE, db;
};

TEST_F(FolderChooser, TheTreeStartsAtTheDesktopExpandedOneLevelAndSelected)
{
    FolderTree &tree = form.Folders();
    ASSERT_NE(tree.Root(), nullptr);
    EXPECT_EQ(tree.Root()->folder.name, "桌面");
    EXPECT_EQ(tree.Selected(), tree.Root());
    EXPECT_TRUE(tree.Root()->listed);
    ASSERT_EQ(tree.Root()->children.size(), 6u);
    EXPECT_EQ(tree.Root()->children[0]->folder.name, "我的电脑") << "the shell's own order";
    EXPECT_FALSE(tree.Root()->children[0]->listed) << "grandchildren wait for their expansion";
    EXPECT_TRUE(tree.Root()->children[0]->folder.hasSubfolders);
    form.Click(form.SpeedBlj);
    EXPECT_EQ(services.shell.listings["桌面"], 1) << "built once, when the chooser first opens";
}

TEST_F(FolderChooser, OkWithoutAnyClickTakesTheDesktopsParsingName)
{
    form.Click(form.SpeedBlj);
    EXPECT_TRUE(form.Panel1.Visible());
    form.Click(form.SpeedBljqd);
    EXPECT_EQ(form.EditPath.Text(), "C:\\users\\operator\\Desktop");
    EXPECT_FALSE(form.Panel1.Visible());
}

TEST_F(FolderChooser, DriveRootsKeepTheirSeparatorAndFoldersHaveNone)
{
    FolderTree::Node *computerNode = Child(Root(), "我的电脑");
    ClickOn(Child(*computerNode, "数据 (D:)"));
    form.Click(form.SpeedBljqd);
    EXPECT_EQ(form.EditPath.Text(), "D:\\");

    form.Click(form.SpeedBlj);
    ClickOn(Child(*Child(*computerNode, "备份 (E:)"), "Db"));
    form.Click(form.SpeedBljqd);
    EXPECT_EQ(form.EditPath.Text(), "E:\\Db");
}

TEST_F(FolderChooser, EachRefusedNameDisablesOkAndAnyOtherEnablesItAgain)
{
    for (const char *name : {"我的电脑", "网上邻居", "回收站", "Internet Explorer"}) {
        ClickOn(Child(Root(), name));
        EXPECT_FALSE(form.SpeedBljqd.Enabled()) << name;
        ClickOn(Child(*Child(Root(), "我的电脑"), "本地磁盘 (C:)"));
        EXPECT_TRUE(form.SpeedBljqd.Enabled()) << "after " << name;
    }
}

TEST_F(FolderChooser, EveryFolderOutsideTheFileSystemDisablesOkWhateverItsName)
{
    // The virtual folders of later Windows, by their class identifier.
    auto &shell = services.shell;
    shell.Add(nullptr, "此电脑", "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    shell.Add(nullptr, "网络", "::{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}");
    shell.Add(nullptr, "库", "::{031E4825-7B94-4DC3-B131-E946B44C8DD5}");
    // A folder whose parsing name looks like a path, but that the shell
    // says is no place in the file system.
    shell.Add(nullptr, "收藏夹", "C:\\Favorites")->inFileSystem = false;
    // Added after the desktop was listed: listed again.
    form.Folders().Relist(Root());
    for (const char *name : {"控制面板", "此电脑", "网络", "库", "收藏夹"}) {
        ClickOn(Child(Root(), "我的文档"));
        ClickOn(Child(Root(), name));
        EXPECT_FALSE(form.SpeedBljqd.Enabled()) << name;
    }
    // The desktop root, drives and ordinary folders as before.
    for (FolderTree::Node *place : {&Root(), Child(*Child(Root(), "我的电脑"), "数据 (D:)"), Child(Root(), "我的文档")}) {
        ClickOn(Child(Root(), "库"));
        ClickOn(place);
        EXPECT_TRUE(form.SpeedBljqd.Enabled()) << place->folder.name;
    }
}

TEST_F(FolderChooser, RefusedNamesCompareByteForByte)
{
    EXPECT_TRUE(IsRefusedName("Internet Explorer"));
    EXPECT_FALSE(IsRefusedName("internet explorer"));
    EXPECT_FALSE(IsRefusedName("Internet Explorer "));
    EXPECT_FALSE(IsRefusedName("Ｉｎｔｅｒｎｅｔ Ｅｘｐｌｏｒｅｒ"));  // full width
    EXPECT_FALSE(IsRefusedName("我的电脑 "));
    EXPECT_FALSE(IsRefusedName("我的電腦"));  // traditional characters
    EXPECT_FALSE(IsRefusedName(""));
    EXPECT_TRUE(IsRefusedName("网上邻居"));
    EXPECT_TRUE(IsRefusedName("回收站"));
}

TEST_F(FolderChooser, ArrowMovesKeepOkAsTheLastClickLeftIt)
{
    ClickOn(Child(Root(), "我的文档"));
    EXPECT_TRUE(form.SpeedBljqd.Enabled());
    // An arrow key moves the selection onto a refused name, or another
    // virtual folder: no click.
    for (const char *name : {"我的电脑", "控制面板"}) {
        form.Folders().Select(Child(Root(), name));
        EXPECT_TRUE(form.SpeedBljqd.Enabled()) << name;
        form.Click(form.SpeedBljqd);
        EXPECT_EQ(form.EditPath.Text(), name) << "OK then writes the display name";
        form.Click(form.SpeedBlj);
    }
}

TEST_F(FolderChooser, ReopeningShowsTheTreeAndOkAsTheyWereLeft)
{
    form.Click(form.SpeedBlj);
    FolderTree::Node *recycleNode = Child(Root(), "回收站");
    ClickOn(recycleNode);
    EXPECT_FALSE(form.SpeedBljqd.Enabled());
    form.Panel1.SetVisible(false);  // closed (only OK closes it; the state is what counts)
    form.Click(form.SpeedBlj);
    EXPECT_TRUE(form.Panel1.Visible());
    EXPECT_EQ(form.Folders().Selected(), recycleNode);
    EXPECT_FALSE(form.SpeedBljqd.Enabled());
    EXPECT_EQ(services.shell.listings["桌面"], 1);
}

TEST_F(FolderChooser, TypedCharactersAreDiscarded)
{
    for (char32_t typed : {U'a', U'Z', U'1', U'数', U' ', U'\r'}) {
        char32_t key = typed;
        form.ShellTreeVKeyPress(form.ShellTreeV, key);
        EXPECT_EQ(key, U'\0');
    }
    EXPECT_EQ(form.Folders().Selected(), form.Folders().Root());
}

TEST_F(FolderChooser, ChildrenAreListedOnceOnFirstExpansion)
{
    FolderTree::Node *computerNode = Child(Root(), "我的电脑");
    FolderTree::Node *driveNode = Child(*computerNode, "备份 (E:)");
    form.Folders().Expand(*driveNode);
    form.Folders().Expand(*driveNode);
    form.Folders().Expand(*computerNode);
    EXPECT_EQ(services.shell.listings["我的电脑"], 1);
    EXPECT_EQ(services.shell.listings["备份 (E:)"], 1);
    // No refresh: a folder made since stays unseen.
    services.shell.Add(driveE, "New", "E:\\New");
    form.Folders().Expand(*driveNode);
    EXPECT_EQ(driveNode->children.size(), 1u);
}

TEST_F(FolderChooser, AFolderDeletedUnderTheSelectionIsNeverWrittenAsAPath)
{
    FolderTree::Node *driveNode = Child(*Child(Root(), "我的电脑"), "备份 (E:)");
    ClickOn(Child(*driveNode, "Db"));
    services.shell.Remove(driveE, db);
    form.EditPath.SetText("C:\\");
    form.Click(form.SpeedBlj);
    form.Click(form.SpeedBljqd);
    EXPECT_EQ(form.EditPath.Text(), "C:\\") << "nothing written";
    EXPECT_TRUE(form.Panel1.Visible()) << "the chooser stays open";
    EXPECT_EQ(form.Folders().Selected(), driveNode) << "its parent is selected instead";
    EXPECT_TRUE(driveNode->children.empty()) << "and listed again";
    form.Click(form.SpeedBljqd);
    EXPECT_EQ(form.EditPath.Text(), "E:\\");
}

TEST_F(FolderChooser, WithoutASelectionOkIsDisabledAndThePathWouldBeEmpty)
{
    form.Folders().Select(nullptr);
    form.Click(form.ShellTreeV);
    EXPECT_FALSE(form.SpeedBljqd.Enabled());
    EXPECT_EQ(form.Folders().SelectedPath(), "");
}

TEST_F(FolderChooser, ListingAThousandFoldersKeepsTheShellsOrder)
{
    auto big = services.shell.Add(driveD, "big", "D:\\big");
    for (int i = 0; i < 1000; ++i) {
        std::string name = "f";
        name += std::to_string(i);
        services.shell.Add(big, name, std::string("D:\\big\\").append(name));
    }
    FolderTree::Node *bigNode = Child(*Child(*Child(Root(), "我的电脑"), "数据 (D:)"), "big");
    form.Folders().Expand(*bigNode);
    ASSERT_EQ(bigNode->children.size(), 1000u);
    EXPECT_EQ(bigNode->children[999]->folder.name, "f999");
    EXPECT_EQ(bigNode->children[999]->parent, bigNode);
}

}  // namespace
}  // namespace qz
