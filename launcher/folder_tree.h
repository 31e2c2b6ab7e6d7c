// The folder chooser's tree: nodes for shell folders, listed on first
// expansion, one of them selected, and the path that OK takes from it.
// Portable: the shell is reached through ShellNamespace.
#pragma once

#include "shell_namespace.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

// The display texts at which the chooser's OK is disabled: the desktop items
// of a Simplified Chinese Windows that are no places in the file system.
// Compared byte for byte.
bool IsRefusedName(std::string_view text);

class FolderTree {
public:
    struct Node {
        ShellFolder folder;
        Node *parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        bool listed = false;  // children asked of the shell
    };

    class Observer {
    public:
        virtual ~Observer() = default;
        // Before a node's children are replaced: drop whatever refers to them.
        virtual void ChildrenRemoving(Node &node) = 0;
        // After a node's children were listed (or listed again).
        virtual void ChildrenListed(Node &node) = 0;
        // The tree itself moved the selection (to the root it was built
        // with, or up from a node that went away).
        virtual void SelectionMoved(Node *node) = 0;
        // Listing a large folder blocks: the hourglass meanwhile.
        virtual void Listing(bool busy) = 0;
    };

    explicit FolderTree(ShellNamespace &shell) : shell_(shell) {}
    FolderTree(const FolderTree &) = delete;
    FolderTree &operator=(const FolderTree &) = delete;

    void SetObserver(Observer *observer) { observer_ = observer; }

    // Builds the tree: the desktop as the one root, listed one level and
    // selected. Does nothing when already built.
    void Build();
    Node *Root() const { return root_.get(); }

    Node *Selected() const { return selected_; }
    void Select(Node *node) { selected_ = node; }

    // Lists a node's children the first time it is expanded; later
    // expansions show what was listed then (no refresh).
    void Expand(Node &node);
    // Lists a node's children again, after the shell changed them (through
    // its context menu). A selection inside the old children moves to node.
    void Relist(Node &node);

    // When the selected folder no longer exists (renamed or deleted outside
    // the tree), its parent is listed again and selected; false then.
    bool SelectionExists();

    // The path that OK writes: empty without a selection; else the parsing
    // name relative to the desktop, or the normal display name for a virtual
    // folder (a parsing name beginning "::{").
    std::string SelectedPath();

    // Whether OK may take the selected folder: not one of the refused names,
    // and a place in the file system (the shell's attributes say so and its
    // parsing name is no class identifier). False without a selection.
    bool SelectionCanHoldFiles();

private:
    void List(Node &node);

    ShellNamespace &shell_;
    Observer *observer_ = nullptr;
    std::unique_ptr<Node> root_;
    Node *selected_ = nullptr;
};

}  // namespace qz
