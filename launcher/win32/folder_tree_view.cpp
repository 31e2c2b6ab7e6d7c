#include "folder_tree_view.h"

#include "../unique_handle.h"
#include "cursors.h"
#include "shell_namespace_win32.h"
#include "wide.h"

#include <string>
#include <utility>
#include <vector>

namespace qz::win {

namespace {

// Posted to the tree itself after a click: the tree view reports the click
// before it moves the selection to the clicked item, and the handler must
// see the new selection.
constexpr UINT kClicked = WM_APP + 1;
// Posted to the tree itself after a context menu's command: the folders are
// listed again once the right-click notification has returned, since the
// tree view's own handling of the right button is still on the stack then
// and may touch the clicked item, which listing again deletes.
constexpr UINT kRelist = WM_APP + 2;

FolderTree::Node *NodeOf(LPARAM item)
{
    return reinterpret_cast<FolderTree::Node *>(item);
}

}  // namespace

FolderTreeView::FolderTreeView(FolderTree &tree, ControlEvents &events, Control &control, HWND menuOwner)
    : tree_(tree), events_(events), control_(control), menuOwner_(menuOwner)
{
    tree_.SetObserver(this);
}

FolderTreeView::~FolderTreeView()
{
    tree_.SetObserver(nullptr);
}

void FolderTreeView::Attach(HWND window)
{
    window_ = window;
    SendMessageW(window, TVM_SETINDENT, 19, 0);
    subclass_.Install(window, *this);
}

HTREEITEM FolderTreeView::Insert(FolderTree::Node &node, HTREEITEM parent)
{
    // The shell and its system image list are brought in with the first
    // item, when the chooser opens, not with the window at start.
    if (!iconsAttached_) {
        TreeView_SetImageList(window_, SmallSystemImageList(), TVSIL_NORMAL);
        iconsAttached_ = true;
    }
    std::wstring text = Widen(node.folder.name);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = text.data();
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    insert.item.cChildren = node.folder.hasSubfolders ? 1 : 0;
    // The shell is asked for an item's icons only when the item is first
    // shown: asking for them all makes a large folder slow to open.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    HTREEITEM item =
        reinterpret_cast<HTREEITEM>(SendMessageW(window_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    items_[&node] = item;
    return item;
}

void FolderTreeView::ChildrenRemoving(FolderTree::Node &node)
{
    const auto found = items_.find(&node);
    if (found == items_.end())
        return;
    // Items first, then their nodes: no item may outlive the node it names.
    for (HTREEITEM child = TreeView_GetChild(window_, found->second); child != nullptr;) {
        HTREEITEM next = TreeView_GetNextSibling(window_, child);
        TreeView_DeleteItem(window_, child);
        child = next;
    }
    std::vector<const FolderTree::Node *> stack;
    for (const auto &child : node.children)
        stack.push_back(child.get());
    while (!stack.empty()) {
        const FolderTree::Node *gone = stack.back();
        stack.pop_back();
        items_.erase(gone);
        // A folder waiting to be listed again is gone with its parent's
        // listing, which already shows what the command left.
        if (gone == pendingRelist_)
            pendingRelist_ = nullptr;
        for (const auto &child : gone->children)
            stack.push_back(child.get());
    }
}

void FolderTreeView::ChildrenListed(FolderTree::Node &node)
{
    const auto found = items_.find(&node);
    const bool root = found == items_.end();
    // Items added under a collapsed item are not drawn; only when they show
    // (the tree's first level, a folder listed again while open) is drawing
    // held until all are in. Turning drawing back on costs the tree a full
    // recount, so it is not done when nothing shows.
    const bool shown = root || (TreeView_GetItemState(window_, found->second, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    HTREEITEM parent = root ? Insert(node, TVI_ROOT) : found->second;
    {
        if (shown)
            SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
        const ScopeExit redraw([this, shown] {
            if (shown) {
                SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
                InvalidateRect(window_, nullptr, TRUE);
            }
        });
        for (const auto &child : node.children)
            Insert(*child, parent);
        if (node.children.empty()) {
            // Nothing there after all: no expand button.
            TVITEMW item{};
            item.mask = TVIF_CHILDREN;
            item.hItem = parent;
            item.cChildren = 0;
            TreeView_SetItem(window_, &item);
        }
    }
    // The root shows its first level from the start.
    if (root)
        TreeView_Expand(window_, parent, TVE_EXPAND);
}

void FolderTreeView::SelectionMoved(FolderTree::Node *node)
{
    const auto found = items_.find(node);
    if (found != items_.end())
        TreeView_SelectItem(window_, found->second);
}

void FolderTreeView::Listing(bool busy)
{
    if (busy)
        beforeListing_ = SetCursor(Cursors::Wait());
    else
        SetCursor(beforeListing_ != nullptr ? beforeListing_ : LoadCursorW(nullptr, IDC_ARROW));
}

LRESULT FolderTreeView::OnNotify(NMHDR &header)
{
    switch (header.code) {
    case TVN_GETDISPINFOW: {
        auto &asked = reinterpret_cast<NMTVDISPINFOW &>(header);
        const FolderTree::Node *node = NodeOf(asked.item.lParam);
        if (node == nullptr || !node->folder.item)
            return 0;
        if (asked.item.mask & TVIF_IMAGE)
            asked.item.iImage = SmallIconIndex(*node->folder.item, false);
        if (asked.item.mask & TVIF_SELECTEDIMAGE)
            asked.item.iSelectedImage = SmallIconIndex(*node->folder.item, true);
        // The tree keeps the answer and does not ask again.
        asked.item.mask |= TVIF_DI_SETITEM;
        return 0;
    }
    case TVN_ITEMEXPANDINGW: {
        const auto &change = reinterpret_cast<const NMTREEVIEWW &>(header);
        if (change.action & TVE_EXPAND)
            if (FolderTree::Node *node = NodeOf(change.itemNew.lParam))
                tree_.Expand(*node);
        return FALSE;
    }
    case TVN_SELCHANGEDW: tree_.Select(NodeOf(reinterpret_cast<const NMTREEVIEWW &>(header).itemNew.lParam)); return 0;
    case NM_CLICK: PostMessageW(window_, kClicked, 0, 0); return 0;
    case NM_RCLICK: ShowContextMenu(); return TRUE;
    default: return 0;
    }
}

void FolderTreeView::ShowContextMenu()
{
    // The node under the pointer becomes the selection and the menu's subject.
    POINT screen{};
    GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(window_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(window_, &hit);
    if (item == nullptr || !(hit.flags & TVHT_ONITEM))
        return;
    TreeView_SelectItem(window_, item);
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    TreeView_GetItem(window_, &data);
    FolderTree::Node *node = NodeOf(data.lParam);
    if (node == nullptr)
        return;
    if (win::ShowContextMenu(menuOwner_, *node->folder.item, screen)) {
        // The command may have renamed, deleted or filled folders: the
        // folder's parent is listed again (the folder itself when it is the
        // desktop), after this notification.
        pendingRelist_ = node->parent != nullptr ? node->parent : node;
        PostMessageW(window_, kRelist, 0, 0);
    }
}

LRESULT FolderTreeView::HandleSubclassMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kClicked) {
        events_.Click(control_);
        return 0;
    }
    if (message == kRelist) {
        if (FolderTree::Node *node = std::exchange(pendingRelist_, nullptr))
            tree_.Relist(*node);
        return 0;
    }
    if (message == WM_CHAR) {
        char32_t key = static_cast<char32_t>(wParam);
        events_.KeyPress(control_, key);
        if (key == 0)
            return 0;
        wParam = static_cast<WPARAM>(key);
    }
    return subclass_.CallOriginal(window, message, wParam, lParam);
}

}  // namespace qz::win
