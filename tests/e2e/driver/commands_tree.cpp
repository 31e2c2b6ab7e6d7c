// Commands about the launcher's folder tree (a tree view in another
// process): find items by the path of their texts, read, expand, select and
// click them. Tree view messages that carry pointers are not carried across
// processes, so their structures live in memory taken in the program's
// process, laid out as that process reads them: a 32-bit launcher's tree
// takes the 32-bit item structure.
//
// Where qemu runs the 32-bit Wine, a 32-bit program's memory lies at its own
// addresses plus qemu's guest base in the Linux process, and Wine's server
// reads and writes another process's memory at the addresses as given: the
// harness passes that base as QZDRIVE_MEMORY_SHIFT (hexadecimal), added to
// the driver's own reads and writes of a 32-bit program's memory, never to
// the addresses the program is given (docs/RELIABILITY.md).
#include "commands.h"
#include "input.h"
#include "output.h"
#include "wait.h"
#include "window_query.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace qzdrive {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr std::size_t kTextCharacters = 520;
// Where the item structure, the rectangle and the text lie in the block.
constexpr std::size_t kItemOffset = 0;
constexpr std::size_t kRectOffset = 128;
constexpr std::size_t kTextOffset = 256;
constexpr std::size_t kBlockSize = kTextOffset + kTextCharacters * sizeof(wchar_t);

// A block of memory in another process, freed with its owner.
class RemoteBlock {
public:
    explicit RemoteBlock(HWND window)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_ == nullptr)
            throw Failure{L"cannot open the program's process"};
        BOOL wow64 = FALSE;
        narrow_ = sizeof(void *) == 8 && IsWow64Process(process_, &wow64) && wow64;
        wchar_t shift[32] = L"";
        if (narrow_ && GetEnvironmentVariableW(L"QZDRIVE_MEMORY_SHIFT", shift, 32) - 1 < 31)
            shift_ = static_cast<std::size_t>(std::wcstoull(shift, nullptr, 16));
        base_ = static_cast<char *>(
            VirtualAllocEx(process_, nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (base_ == nullptr) {
            CloseHandle(process_);
            throw Failure{L"cannot take memory in the program's process"};
        }
    }
    ~RemoteBlock()
    {
        VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock &) = delete;
    RemoteBlock &operator=(const RemoteBlock &) = delete;

    char *At(std::size_t offset) const { return base_ + offset; }
    // True when the program is a 32-bit one under this 64-bit driver.
    bool Narrow() const { return narrow_; }
    void Write(std::size_t offset, const void *data, std::size_t size) const
    {
        SIZE_T done = 0;
        if (!WriteProcessMemory(process_, At(offset) + shift_, data, size, &done) || done != size)
            throw Failure{L"cannot write the program's memory"};
    }
    void Read(std::size_t offset, void *data, std::size_t size) const
    {
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_, At(offset) + shift_, data, size, &done) || done != size)
            throw Failure{L"cannot read the program's memory"};
    }

private:
    HANDLE process_ = nullptr;
    char *base_ = nullptr;
    bool narrow_ = false;
    std::size_t shift_ = 0;
};

// TVITEMW as a 32-bit process lays it out: pointers and handles of 4 bytes.
struct TreeItem32 {
    UINT mask;
    std::uint32_t item;
    UINT state;
    UINT stateMask;
    std::uint32_t text;
    int textMax;
    int image;
    int selectedImage;
    int children;
    std::uint32_t param;
};
static_assert(sizeof(TreeItem32) == 40, "the 32-bit TVITEMW");

LRESULT Send(HWND tree, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(tree, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        throw Failure{L"the folder tree does not answer"};
    return static_cast<LRESULT>(result);
}

HTREEITEM Next(HWND tree, UINT relation, HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

struct ItemData {
    std::wstring text;
    UINT state = 0;
    int children = 0;
    int image = 0;
    int selectedImage = 0;
};

// Asks the tree for an item through the block, in the layout T of the
// program's TVITEMW, and keeps what it filled in.
template <typename T, typename Pointer, typename Handle>
void AskItem(HWND tree, const RemoteBlock &block, Handle item, Pointer text, ItemData &out)
{
    T data{};
    data.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    data.stateMask = TVIS_EXPANDED | TVIS_SELECTED | TVIS_EXPANDEDONCE;
    if constexpr (std::is_same_v<T, TVITEMW>) {
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = static_cast<int>(kTextCharacters);
    } else {
        data.item = item;
        data.text = text;
        data.textMax = static_cast<int>(kTextCharacters);
    }
    block.Write(kItemOffset, &data, sizeof data);
    if (!Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(kItemOffset))))
        throw Failure{L"cannot read a tree item"};
    block.Read(kItemOffset, &data, sizeof data);
    out.state = data.state;
    if constexpr (std::is_same_v<T, TVITEMW>) {
        out.children = data.cChildren;
        out.image = data.iImage;
        out.selectedImage = data.iSelectedImage;
    } else {
        out.children = data.children;
        out.image = data.image;
        out.selectedImage = data.selectedImage;
    }
}

ItemData ReadItem(HWND tree, const RemoteBlock &block, HTREEITEM item)
{
    const wchar_t empty = L'\0';
    block.Write(kTextOffset, &empty, sizeof empty);
    ItemData data;
    char *text = block.At(kTextOffset);
    if (block.Narrow())
        AskItem<TreeItem32>(tree, block, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(item)),
                            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text)), data);
    else
        AskItem<TVITEMW>(tree, block, item, reinterpret_cast<wchar_t *>(text), data);
    std::vector<wchar_t> characters(kTextCharacters, L'\0');
    block.Read(kTextOffset, characters.data(), characters.size() * sizeof(wchar_t));
    characters.back() = L'\0';
    data.text = characters.data();
    return data;
}

// The item's text rectangle in the tree's client area.
RECT ItemRect(HWND tree, const RemoteBlock &block, HTREEITEM item)
{
    // The message takes the item in the rectangle's first bytes (the low
    // four of a 64-bit handle are a 32-bit program's whole handle).
    block.Write(kRectOffset, &item, sizeof item);
    if (!Send(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(block.At(kRectOffset))))
        throw Failure{L"the tree item is not visible"};
    RECT rect{};
    block.Read(kRectOffset, &rect, sizeof rect);
    return rect;
}

std::vector<std::wstring> SplitPath(const std::wstring &path)
{
    std::vector<std::wstring> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t bar = path.find(L'|', at);
        parts.push_back(path.substr(at, bar == std::wstring::npos ? std::wstring::npos : bar - at));
        if (bar == std::wstring::npos)
            break;
        at = bar + 1;
    }
    return parts;
}

// The item at a path of texts separated by "|", expanding each parent on
// the way (which lists its children the first time); the root when empty.
HTREEITEM FindItem(HWND tree, const RemoteBlock &block, const std::wstring &path)
{
    HTREEITEM item = Next(tree, TVGN_ROOT, nullptr);
    if (item == nullptr)
        throw Failure{L"the folder tree is empty"};
    if (path.empty())
        return item;
    const std::vector<std::wstring> parts = SplitPath(path);
    if (ReadItem(tree, block, item).text != parts.front())
        throw Failure{L"the tree's root is not '" + parts.front() + L"'"};
    for (std::size_t i = 1; i < parts.size(); ++i) {
        Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        HTREEITEM child = Next(tree, TVGN_CHILD, item);
        while (child != nullptr && ReadItem(tree, block, child).text != parts[i])
            child = Next(tree, TVGN_NEXT, child);
        if (child == nullptr)
            throw Failure{L"no item '" + parts[i] + L"' in the folder tree"};
        item = child;
    }
    return item;
}

struct Tree {
    HWND main = nullptr;
    HWND window = nullptr;
};

Tree WaitTree(const Args &args)
{
    const std::wstring name = args.Positional().empty() ? L"ShellTreeV" : args.Positional()[0];
    Tree tree;
    const long long timeout = TimeoutOption(args);
    Deadline(timeout).Poll([&] {
        tree.main = FindMainWindow(PidOption(args));
        tree.window = tree.main ? FindControl(tree.main, name) : nullptr;
        return tree.window != nullptr;
    });
    if (tree.window == nullptr)
        throw Failure{L"no folder tree '" + name + L"' within " + std::to_wstring(timeout) + L" ms"};
    return tree;
}

void EmitItem(HWND tree, const RemoteBlock &block, HTREEITEM item, const std::string &prefix)
{
    const ItemData data = ReadItem(tree, block, item);
    Emit(prefix + "text", data.text);
    EmitFlag(prefix + "selected", (data.state & TVIS_SELECTED) != 0);
    EmitFlag(prefix + "expanded", (data.state & TVIS_EXPANDED) != 0);
    Emit(prefix + "has_children", static_cast<long long>(data.children));
    Emit(prefix + "image", static_cast<long long>(data.image));
    Emit(prefix + "selected_image", static_cast<long long>(data.selectedImage));
    long long count = 0;
    for (HTREEITEM child = Next(tree, TVGN_CHILD, item); child != nullptr; child = Next(tree, TVGN_NEXT, child))
        ++count;
    Emit(prefix + "child_count", count);
}

const std::set<std::wstring> kTreeOptions = {L"path", L"pid", L"timeout-ms"};

}  // namespace

// tree [NAME] [--path P] [--children]: the item (the selected one without
// --path) and its state; with --children it is expanded and its children's
// texts are listed.
void TreeCommand(const Words &words)
{
    const Args args(words, kTreeOptions, {L"children"});
    args.ExpectPositional(0, 1, L"the tree's name");
    const Tree tree = WaitTree(args);
    const RemoteBlock block(tree.window);
    const auto path = args.Value(L"path");
    HTREEITEM item = path ? FindItem(tree.window, block, *path) : Next(tree.window, TVGN_CARET, nullptr);
    if (item == nullptr)
        throw Failure{L"nothing is selected in the folder tree"};
    if (args.Has(L"children")) {
        Send(tree.window, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        Settle(tree.window, 2);
    }
    EmitItem(tree.window, block, item, "");
    if (args.Has(L"children")) {
        long long index = 0;
        for (HTREEITEM child = Next(tree.window, TVGN_CHILD, item); child != nullptr;
             child = Next(tree.window, TVGN_NEXT, child))
            Emit("child_" + std::to_string(++index), ReadItem(tree.window, block, child).text);
    }
}

// tree-select [NAME] --path P: selects the item as the arrow keys would,
// without a click.
void TreeSelectCommand(const Words &words)
{
    const Args args(words, kTreeOptions, {});
    args.ExpectPositional(0, 1, L"the tree's name");
    const Tree tree = WaitTree(args);
    const RemoteBlock block(tree.window);
    HTREEITEM item = FindItem(tree.window, block, args.Value(L"path").value_or(L""));
    Send(tree.window, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    Settle(tree.window, 2);
    EmitItem(tree.window, block, item, "");
}

// tree-click [NAME] --path P: a real click on the item's text.
void TreeClickCommand(const Words &words)
{
    const Args args(words, kTreeOptions, {});
    args.ExpectPositional(0, 1, L"the tree's name");
    const Tree tree = WaitTree(args);
    const RemoteBlock block(tree.window);
    HTREEITEM item = FindItem(tree.window, block, args.Value(L"path").value_or(L""));
    Send(tree.window, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    const RECT rect = ItemRect(tree.window, block, item);
    POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(tree.window, &point);
    RealClick(point);
    Settle(tree.window, 3);
    EmitItem(tree.window, block, item, "");
}

}  // namespace qzdrive
