// Reads arbitrary bytes as an address book, then opens every contact as the contact dialog
// does and saves it unchanged: what it reads back must be what it read, and every stored
// birthday must read back as it is written.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/addressbook/ContactEditor.h"
#include "core/addressbook/ContactTags.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Trim.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BookmarkTree tree(kAddressBookTree);
    MemorySource source(reinterpret_cast<const char*>(data), size);
    ArchiveReader reader(source);
    SerializeTree(tree, reader);

    const ItemId last = tree.nextItemData();
    std::vector<ItemId> contacts;
    for (ItemId item = 1; item <= last; ++item) {
        RecordRef record = tree.LookupRecord(item);
        if (!record)
            continue;
        contentOfLabel(record->name);
        if (std::optional<DateTime> when = parseBirthdayAddress(record->address)) {
            if (parseBirthdayAddress(birthdayAddress(*when)) != when)
                std::abort();
            birthdayName(*when);
        }
        if (isContactTag(record->tag))
            contacts.push_back(item);
    }
    for (ItemId item : contacts) {
        if (!tree.contains(item))
            continue;
        ContactEditor editor(tree, item);
        if (editor.mode() != ContactMode::Edit)
            std::abort();
        const Contact before = editor.original();
        const size_t entries = tree.size();
        ContactSaveOutcome outcome = editor.save(before);
        if (text::trimLeft(before.name).empty()) {
            if (outcome != ContactSaveOutcome::EmptyName || tree.size() != entries)
                std::abort();
            continue;
        }
        std::optional<Contact> after = readContact(tree, item);
        if (outcome != ContactSaveOutcome::Saved || !after || after->sex != before.sex ||
            after->details != before.details || after->birthday != before.birthday ||
            after->name != text::trimLeft(before.name))
            std::abort();
    }
    return 0;
}
