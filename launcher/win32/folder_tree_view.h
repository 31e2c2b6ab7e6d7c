// The tree view that shows the chooser's FolderTree: an item per node,
// listed when the node is expanded, the selection kept in step both ways,
// the hourglass while a folder is listed, the shell's context menu, and the
// typed characters passed through the key press handler first.
#pragma once

#include "../folder_tree.h"
#include "../services.h"
#include "control_windows.h"
#include "window_procedure.h"

#include <windows.h>
#include <commctrl.h>

#include <map>

namespace qz::win {

class FolderTreeView final : public NotificationTarget, public FolderTree::Observer {
public:
    // The tree's control: its click comes after the selection moved to the
    // clicked item; its key press may change or discard (0) a character.
    FolderTreeView(FolderTree &tree, Services &failures, ControlEvents events);
    ~FolderTreeView() override;

    // Takes over the tree view window; menu is the window that owns the
    // shell's context menu (it passes the menu's messages on).
    void Attach(HWND window, HWND menuOwner);

    LRESULT OnNotify(NMHDR &header) override;

    // FolderTree::Observer
    void ChildrenRemoving(FolderTree::Node &node) override;
    void ChildrenListed(FolderTree::Node &node) override;
    void SelectionMoved(FolderTree::Node *node) override;
    void Listing(bool busy) override;

    // The subclass of the tree view window.
    LRESULT HandleSubclassMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Services &Failures() { return failures_; }

private:
    HTREEITEM Insert(FolderTree::Node &node, HTREEITEM parent);
    void ShowContextMenu();

    FolderTree &tree_;
    Services &failures_;
    ControlEvents events_;
    HWND window_ = nullptr;
    HWND menuOwner_ = nullptr;
    std::map<const FolderTree::Node *, HTREEITEM> items_;
    // The folder to list again once the context menu's notification is over.
    FolderTree::Node *pendingRelist_ = nullptr;
    HCURSOR beforeListing_ = nullptr;
    WindowSubclass<FolderTreeView> subclass_;
};

}  // namespace qz::win
