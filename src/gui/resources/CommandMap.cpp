#include "gui/resources/CommandMap.h"

#include "gui/resources/CommandIds.h"

namespace brivanta {

namespace {

struct CommandIdEntry {
    Command command;
    int id;
};

// In the order of Command, so a command is its own index.
constexpr CommandIdEntry kCommandIds[] = {
    {Command::NewEntry, ids::kNewEntry},
    {Command::NewContact, ids::kNewContact},
    {Command::Edit, ids::kEdit},
    {Command::Rename, ids::kRename},
    {Command::Delete, ids::kDelete},
    {Command::Cut, ids::kCut},
    {Command::Copy, ids::kCopy},
    {Command::Paste, ids::kPaste},
    {Command::Undo, ids::kUndo},
    {Command::Redo, ids::kRedo},
    {Command::Import, ids::kImport},
    {Command::Export, ids::kExport},
    {Command::Save, ids::kSave},
    {Command::Search, ids::kSearch},
    {Command::SendToMailbox, ids::kSendToMailbox},
    {Command::SendToNeighbour, ids::kSendToNeighbour},
    {Command::ReceiveFromMailbox, ids::kReceiveFromMailbox},
    {Command::Listen, ids::kListen},
    {Command::UpdateRecommended, ids::kUpdateRecommended},
    {Command::Upload, ids::kUpload},
    {Command::SyncNow, ids::kSyncNow},
    {Command::FindDuplicates, ids::kFindDuplicates},
    {Command::CheckLinks, ids::kCheckLinks},
    {Command::Settings, ids::kSettings},
    {Command::ShowToolbar, ids::kShowToolbar},
    {Command::ShowMenuIcons, ids::kShowMenuIcons},
    {Command::ShowTrayIcon, ids::kShowTrayIcon},
    {Command::AutoHide, ids::kAutoHide},
    {Command::Help, ids::kHelp},
    {Command::TipOfTheDay, ids::kTipOfTheDay},
    {Command::About, ids::kAbout},
    {Command::Exit, ids::kExit},
};

static_assert(std::size(kCommandIds) == kCommandCount, "every command has an id");

constexpr bool inCommandOrder() {
    for (std::size_t i = 0; i < std::size(kCommandIds); ++i) {
        if (static_cast<std::size_t>(kCommandIds[i].command) != i)
            return false;
    }
    return true;
}
static_assert(inCommandOrder(), "the table follows the order of Command");

}  // namespace

int commandId(Command command) {
    return kCommandIds[static_cast<std::size_t>(command)].id;
}

std::optional<Command> commandOf(int id) {
    for (const CommandIdEntry& entry : kCommandIds) {
        if (entry.id == id)
            return entry.command;
    }
    return std::nullopt;
}

}  // namespace brivanta
