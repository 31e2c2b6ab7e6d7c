// A shell namespace of fake folders: a tree that tests build, change and
// count the listings of.
#pragma once

#include "shell_namespace.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qz::testing {

class FakeNamespace : public ShellNamespace {
public:
    struct Folder : ShellItem {
        std::string name;
        std::string parsingName;
        std::string displayName;
        std::vector<std::shared_ptr<Folder>> children;
        bool gone = false;
        bool inFileSystem = true;  // the shell's attribute
    };

    FakeNamespace()
    {
        desktop_ = std::make_shared<Folder>();
        desktop_->name = desktop_->displayName = "桌面";
        desktop_->parsingName = "C:\\users\\operator\\Desktop";
    }

    // Adds a folder under parent (nullptr: the desktop).
    std::shared_ptr<Folder> Add(const std::shared_ptr<Folder> &parent, const std::string &name,
                                const std::string &parsingName, const std::string &displayName = "")
    {
        auto folder = std::make_shared<Folder>();
        folder->name = name;
        folder->parsingName = parsingName;
        folder->displayName = displayName.empty() ? name : displayName;
        (parent ? parent : desktop_)->children.push_back(folder);
        return folder;
    }

    // The folder goes away, as if deleted in the shell.
    void Remove(const std::shared_ptr<Folder> &parent, const std::shared_ptr<Folder> &folder)
    {
        auto &siblings = (parent ? parent : desktop_)->children;
        std::erase(siblings, folder);
        folder->gone = true;
    }

    ShellFolder Desktop() override { return {desktop_, desktop_->displayName, true}; }

    std::vector<ShellFolder> Subfolders(const ShellItem &item) override
    {
        const auto &folder = static_cast<const Folder &>(item);
        ++listings[folder.name];
        std::vector<ShellFolder> result;
        if (folder.gone)
            return result;
        for (const auto &child : folder.children)
            result.push_back({child, child->name, !child->children.empty(), child->inFileSystem});
        return result;
    }

    std::string ParsingName(const ShellItem &item) override
    {
        const auto &folder = static_cast<const Folder &>(item);
        return folder.gone ? std::string() : folder.parsingName;
    }

    std::string DisplayName(const ShellItem &item) override
    {
        return static_cast<const Folder &>(item).displayName;
    }

    std::map<std::string, int> listings;

private:
    std::shared_ptr<Folder> desktop_;
};

}  // namespace qz::testing
