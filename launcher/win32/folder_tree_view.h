// The tree view that shows the chooser's FolderTree: an item per node,
// listed when the node is expanded, the selection kept in step both ways,
// the hourglass while a folder is listed, the shell's context menu, and the
// typed characters passed through the key press handler first.
#pragma once

#include "../folder_tree.h"
#include "control_window.h"
#include "window_procedure.h"

#include <windows.h>
#include <commctrl.h>

#include <map>

namespace qz::win {

class FolderTreeView final : public ControlBehaviour, public FolderTree::Observer {
public:
    // The tree's control: its click comes after the selection moved to the
    // clicked item; its key press may change or discard (0) a character.
    // menuOwner is the window that owns the shell's context menu (it passes
    // the menu's messages on).
    FolderTreeView(FolderTree &tree, ControlEvents &events, Control &control, HWND menuOwner);
    ~FolderTreeView() override;

    // Takes over the tree view window.
    void Attach(HWND window) override;

    LRESULT OnNotify(NMHDR &header) override;

    // FolderTree::Observer
    void ChildrenRemoving(FolderTree::Node &node) override;
    void ChildrenListed(FolderTree::Node &node) override;
    void SelectionMoved(FolderTree::Node *node) override;
    void Listing(bool busy) override;

    // The subclass of the tree view window.
    LRESULT HandleSubclassMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HTREEITEM Insert(FolderTree::Node &node, HTREEITEM parent);
    void ShowContextMenu();

    FolderTree &tree_;
    ControlEvents &events_;
    Control &control_;
    HWND menuOwner_;
    HWND window_ = nullptr;
    std::map<const FolderTree::Node *, HTREEITEM> items_;
    // The folder to list again once the context menu's notification is over.
    FolderTree::Node *pendingRelist_ = nullptr;
    HCURSOR beforeListing_ = nullptr;
    bool iconsAttached_ = false;
    WindowSubclass<FolderTreeView> subclass_;
};

}  // namespace qz::win
