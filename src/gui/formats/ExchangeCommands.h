#pragma once

#include "core/formats/ImportExportChecks.h"
#include "core/trees/BookmarkTree.h"

class QWidget;

namespace brivanta {

// Command 32781 of a tree: asks for a format, a source and where to put it (the top level or
// the selected entry), then adds what the source holds, showing a busy window meanwhile. A
// file that cannot be read is named in a message; what was added before it stays. Browser
// bookmarks are merged (what is there already is skipped) and end with a summary.
void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected, const ExchangeFolders& folders);
void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected);

// Command 32782: does nothing for an empty tree; otherwise asks for a format, a target and
// whether the whole tree or the selected entry goes out, and writes it. After an HTML page it
// offers to open the page.
void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected, const ExchangeFolders& folders);
void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected);

}  // namespace brivanta
