// What the folder chooser needs of the shell's namespace, as an interface:
// the Win32 side realises it with IShellFolder, the tests with a fake.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qz {

// One folder of the namespace, held as the shell holds it (on Windows: its
// item identifier list relative to the desktop). Opaque to the tree.
class ShellItem {
public:
    virtual ~ShellItem() = default;
    // The platform's own identifier of the item, for the namespace that made
    // it; nullptr for an item of any other namespace (a test's, say).
    virtual const void *NativeId() const { return nullptr; }
};

using ShellItemPtr = std::shared_ptr<const ShellItem>;

struct ShellFolder {
    ShellItemPtr item;
    std::string name;            // display name within its parent
    bool hasSubfolders = false;  // as the shell reports it
    bool inFileSystem = true;    // a place in the file system, as the shell's attributes say
};

class ShellNamespace {
public:
    virtual ~ShellNamespace() = default;

    // The desktop, the tree's one root, under its normal display name.
    virtual ShellFolder Desktop() = 0;

    // The subfolders of a folder, hidden ones left out, in the shell's own
    // order for that folder. Empty when the folder cannot be listed (gone,
    // or a device without a medium).
    virtual std::vector<ShellFolder> Subfolders(const ShellItem &folder) = 0;

    // The parsing name relative to the desktop (a full path for a folder of
    // the file system, "::{...}" for a virtual one); empty when the folder
    // no longer exists.
    virtual std::string ParsingName(const ShellItem &folder) = 0;

    // The normal display name.
    virtual std::string DisplayName(const ShellItem &folder) = 0;
};

}  // namespace qz
