#pragma once

#include <functional>
#include <vector>

#include "core/formats/ImportExportChecks.h"
#include "core/trees/BookmarkTree.h"

class QWidget;

namespace brivanta {

class BookmarkTreeView;
class CommandRegistry;
class TreeUndo;

// Command 32781 of a tree: asks for a format, a source and where to put it (the top level or
// the selected entry), then adds what the source holds, showing a busy window meanwhile. A
// file that cannot be read is named in a message; what was added before it stays. Browser
// bookmarks are merged (what is there already is skipped) and end with a summary.
// `added`, when set, is told the first entry of every subtree the import added (for undo).
using AddedEntries = std::function<void(const std::vector<ItemId>& roots)>;
void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected, const ExchangeFolders& folders,
               const AddedEntries& added = {});
void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected, const AddedEntries& added = {});

// Command 32782: does nothing for an empty tree; otherwise asks for a format, a target and
// whether the whole tree or the selected entry goes out, and writes it. After an HTML page it
// offers to open the page.
void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected, const ExchangeFolders& folders);
void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected);

// Sets the handlers of import (32781) and export (32782) on the tree each is given for
// (`view` of its control id); an import is one step of that tree's `history`.
void registerExchangeCommands(CommandRegistry& commands, QWidget* owner,
                              const std::function<BookmarkTreeView*(int treeControl)>& view,
                              const std::function<TreeUndo*(int treeControl)>& history);

}  // namespace brivanta
