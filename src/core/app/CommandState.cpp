#include "core/app/CommandState.h"

#include "core/trees/TreeEditing.h"

namespace brivanta {

namespace {

CommandState toggle(bool checked) {
    CommandState state;
    state.checkable = true;
    state.checked = checked;
    return state;
}

CommandState enabledIf(bool enabled) {
    CommandState state;
    state.enabled = enabled;
    return state;
}

}  // namespace

CommandState commandState(Command command, const CommandContext& context) {
    const BookmarkTree* tree = context.tree;
    const bool hasTree = tree != nullptr;
    const bool hasEntries = hasTree && !tree->empty();
    // A selection left behind by a deleted entry is no selection.
    const bool hasSelection =
        hasTree && context.selected != kNoItem && tree->contains(context.selected);
    const ViewOptions& options = context.options;
    switch (command) {
        case Command::NewEntry:
        case Command::Import:
        case Command::Save:
            return enabledIf(hasTree);
        case Command::NewContact: {
            // Contacts live only in the address book.
            const bool book = hasTree && tree->treeKind() == kAddressBookTree;
            CommandState state = enabledIf(book);
            state.visible = book;
            return state;
        }
        case Command::Edit:
        case Command::Rename:
        case Command::Cut:
        case Command::Copy:
            return enabledIf(hasSelection);
        case Command::Paste:
            return enabledIf(hasTree && hasPasteMark(*tree));
        case Command::Delete:
        case Command::Export:
        case Command::SendToMailbox:
            return enabledIf(hasEntries);
        case Command::Undo: {
            CommandState state = enabledIf(hasTree && context.canUndo);
            if (state.enabled)
                state.detail = context.undoName;
            return state;
        }
        case Command::Redo: {
            CommandState state = enabledIf(hasTree && context.canRedo);
            if (state.enabled)
                state.detail = context.redoName;
            return state;
        }
        case Command::SendToNeighbour:
            return enabledIf(hasTree);
        case Command::FindDuplicates:
            return enabledIf(hasEntries);
        case Command::CheckLinks: {
            // Contacts hold mail addresses and numbers, which are not checked.
            const bool book = hasTree && tree->treeKind() == kAddressBookTree;
            CommandState state = enabledIf(hasEntries && !book);
            state.visible = !book;
            return state;
        }
        case Command::Upload:
            // The recommended tree came from the server: it is not sent back.
            return enabledIf(hasTree && tree->treeKind() != kRecommendedTree);
        case Command::SyncNow:
            // Whatever tree is shown: the sync has its own.
            return enabledIf(context.syncConfigured);
        case Command::Listen:
            return toggle(options.listening);
        case Command::ShowToolbar:
            return toggle(options.showToolbar);
        case Command::ShowTrayIcon:
            return toggle(options.showTrayIcon);
        case Command::AutoHide:
            return toggle(options.autoHide);
        case Command::ShowMenuIcons: {
            // Each tree keeps its own switch.
            CommandState state = toggle(hasTree && tree->showMenuIcons());
            state.enabled = hasTree;
            return state;
        }
        case Command::Search:
        case Command::ReceiveFromMailbox:
        case Command::UpdateRecommended:
        case Command::Settings:
        case Command::Help:
        case Command::TipOfTheDay:
        case Command::About:
        case Command::Exit:
            return {};
    }
    return {};
}

CommandStates commandStates(const CommandContext& context) {
    CommandStates states;
    for (std::size_t i = 0; i < kCommandCount; ++i)
        states[i] = commandState(static_cast<Command>(i), context);
    return states;
}

}  // namespace brivanta
