#include "folder_tree.h"

#include "unique_handle.h"

#include <algorithm>
#include <array>

namespace qz {

namespace {

constexpr std::array<std::string_view, 4> kRefusedNames = {"我的电脑", "网上邻居", "回收站", "Internet Explorer"};

bool Contains(const FolderTree::Node &ancestor, const FolderTree::Node *node)
{
    for (; node != nullptr; node = node->parent)
        if (node == &ancestor)
            return true;
    return false;
}

}  // namespace

bool IsRefusedName(std::string_view text)
{
    return std::find(kRefusedNames.begin(), kRefusedNames.end(), text) != kRefusedNames.end();
}

void FolderTree::Build()
{
    if (root_)
        return;
    root_ = std::make_unique<Node>();
    root_->folder = shell_.Desktop();
    List(*root_);
    selected_ = root_.get();
    if (observer_ != nullptr)
        observer_->SelectionMoved(selected_);
}

void FolderTree::List(Node &node)
{
    std::vector<ShellFolder> folders;
    {
        if (observer_ != nullptr)
            observer_->Listing(true);
        // The hourglass goes also when the shell fails.
        const ScopeExit done([this] {
            if (observer_ != nullptr)
                observer_->Listing(false);
        });
        folders = shell_.Subfolders(*node.folder.item);
    }
    node.children.clear();
    node.children.reserve(folders.size());
    for (ShellFolder &folder : folders) {
        auto child = std::make_unique<Node>();
        child->folder = std::move(folder);
        child->parent = &node;
        node.children.push_back(std::move(child));
    }
    node.listed = true;
    if (observer_ != nullptr)
        observer_->ChildrenListed(node);
}

void FolderTree::Expand(Node &node)
{
    if (!node.listed)
        List(node);
}

void FolderTree::Relist(Node &node)
{
    for (const auto &child : node.children) {
        if (Contains(*child, selected_)) {
            selected_ = &node;
            if (observer_ != nullptr)
                observer_->SelectionMoved(selected_);
            break;
        }
    }
    if (observer_ != nullptr)
        observer_->ChildrenRemoving(node);
    node.children.clear();
    List(node);
}

bool FolderTree::SelectionExists()
{
    if (selected_ == nullptr || selected_->parent == nullptr)
        return true;
    if (!shell_.ParsingName(*selected_->folder.item).empty())
        return true;
    Relist(*selected_->parent);
    return false;
}

bool FolderTree::SelectionCanHoldFiles()
{
    // The virtual folders of later Windows ("此电脑", "网络", "库", "控制面板")
    // go by other names than the four; their display name would become the
    // path and the restore would fail.
    return selected_ != nullptr && !IsRefusedName(selected_->folder.name) && selected_->folder.inFileSystem &&
           !shell_.ParsingName(*selected_->folder.item).starts_with("::{");
}

std::string FolderTree::SelectedPath()
{
    if (selected_ == nullptr)
        return {};
    std::string path = shell_.ParsingName(*selected_->folder.item);
    if (path.starts_with("::{"))
        path = shell_.DisplayName(*selected_->folder.item);
    return path;
}

}  // namespace qz
