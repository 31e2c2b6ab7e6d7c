#include "shell_internal.h"

#include "../errors.h"

#include <cstring>

namespace qz::win::shell {

ComPtr<IShellFolder> DesktopFolder()
{
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put())))
        desktop.reset();
    return desktop;
}

namespace {

// The bytes of a list's items, without its terminating zero.
std::size_t ItemBytes(const ITEMIDLIST *list)
{
    if (list == nullptr)
        return 0;
    const auto *at = reinterpret_cast<const BYTE *>(list);
    std::size_t bytes = 0;
    for (USHORT size = 0;; bytes += size) {
        std::memcpy(&size, at + bytes, sizeof size);
        if (size == 0)
            return bytes;
    }
}

}  // namespace

UniqueIdList CombineIdLists(const ITEMIDLIST *first, const ITEMIDLIST *second)
{
    const std::size_t head = ItemBytes(first);
    const std::size_t tail = ItemBytes(second);
    auto *combined = static_cast<BYTE *>(CoTaskMemAlloc(head + tail + sizeof(USHORT)));
    if (combined == nullptr)
        return UniqueIdList();
    if (head != 0)
        std::memcpy(combined, first, head);
    if (tail != 0)
        std::memcpy(combined + head, second, tail);
    std::memset(combined + head + tail, 0, sizeof(USHORT));
    return UniqueIdList(reinterpret_cast<ITEMIDLIST *>(combined));
}

UniqueIdList NewEmptyIdList()
{
    auto *list = static_cast<ITEMIDLIST *>(CoTaskMemAlloc(sizeof(USHORT)));
    if (list == nullptr)
        Fatal("std::bad_alloc");
    list->mkid.cb = 0;
    return UniqueIdList(list);
}

ComPtr<IShellFolder> BindFolder(IShellFolder *desktop, const ITEMIDLIST *absolute)
{
    if (IsEmpty(absolute))
        return ComPtr<IShellFolder>::Share(desktop);
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(absolute, nullptr, IID_IShellFolder, folder.putVoid())))
        folder.reset();
    return folder;
}

}  // namespace qz::win::shell
