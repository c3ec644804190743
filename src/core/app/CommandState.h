#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/app/ViewOptions.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Every command of the program by what it does. The desktop gives each its resource id and
// its action; what a command may do at a moment is decided here, from its target alone.
enum class Command {
    NewEntry,
    NewContact,
    Edit,
    Rename,
    Delete,
    Cut,
    Copy,
    Paste,
    Undo,
    Redo,
    Import,
    Export,
    Save,
    Search,
    SendToMailbox,
    SendToNeighbour,
    ReceiveFromMailbox,
    Listen,
    UpdateRecommended,
    Upload,
    SyncNow,
    FindDuplicates,
    CheckLinks,
    Settings,
    ShowToolbar,
    ShowMenuIcons,
    ShowTrayIcon,
    AutoHide,
    Help,
    TipOfTheDay,
    About,
    Exit,
};

inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::Exit) + 1;

// What the state of the commands follows: the tree a command acts on, the entry selected in
// it, its undo history and the window's switches.
struct CommandContext {
    const BookmarkTree* tree = nullptr;  // the target; null while there is none
    ItemId selected = kNoItem;
    bool canUndo = false;
    bool canRedo = false;
    // What an undo or a redo would take back or do again ("删除"), empty when unnamed.
    std::string undoName;
    std::string redoName;
    ViewOptions options;
    // A server to keep a tree in step with is set up.
    bool syncConfigured = false;
};

struct CommandState {
    bool enabled = true;
    bool visible = true;
    bool checkable = false;
    bool checked = false;
    // Said after the command's own text: the step an undo or redo acts on.
    std::string detail;

    bool operator==(const CommandState&) const = default;
};

using CommandStates = std::array<CommandState, kCommandCount>;

// The state of `command` in `context`.
CommandState commandState(Command command, const CommandContext& context);
// The state of every command, indexed by the command's value.
CommandStates commandStates(const CommandContext& context);

}  // namespace brivanta
