// The folder chooser panel: its tree of shell folders picks the folder that
// the database files go to.
#include "form.h"

namespace qz {

void TForm_qz::SpeedBljClick(Control &)
{
    // The tree is built when the chooser first shows; after that it keeps
    // its expansion, selection and OK state from last time.
    folders_.Build();
    Panel1.SetVisible(true);
}

void TForm_qz::SpeedBljqdClick(Control &)
{
    // A folder renamed or deleted since it was listed is not written as a
    // path: the tree lists its parent again and selects that instead, and the
    // chooser stays open for another choice.
    if (!folders_.SelectionExists())
        return;
    EditPath.SetText(folders_.SelectedPath());
    Panel1.SetVisible(false);
}

void TForm_qz::ShellTreeVClick(Control &)
{
    // Without a selection there is no path to take: OK is disabled too.
    SpeedBljqd.SetEnabled(folders_.SelectionCanHoldFiles());
}

void TForm_qz::ShellTreeVKeyPress(Control &, char32_t &key)
{
    // No type-ahead search and no label editing: every typed character is
    // discarded. Keys that are no characters still move the selection.
    key = 0;
}

}  // namespace qz
