// Feeds arbitrary bytes to the account-file reader, then checks that the table it builds
// saves and loads back to the same accounts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/accounts/AccountTable.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"

using namespace brivanta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(reinterpret_cast<const char*>(data), size);
    ArchiveReader reader(source);
    std::vector<UserAccount> records;
    readAccountRecords(reader, records);
    AccountTable table;
    for (const UserAccount& a : records)
        table.set(a);
    if (table.size() > records.size())
        std::abort();

    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    for (const UserAccount* a : table.accounts()) {
        writer.writeString(a->name);
        writer.writeString(a->pop3Server);
        writer.writeString(a->smtpServer);
        writer.writeInt32(a->passwordSum);
        writer.writeString(a->email);
    }
    writer.flush();
    MemorySource again(bytes);
    ArchiveReader reader2(again);
    std::vector<UserAccount> back;
    readAccountRecords(reader2, back);
    if (back.size() != table.size())
        std::abort();
    for (const UserAccount& a : back) {
        const UserAccount* original = table.lookup(a.name);
        if (!original || !(*original == a))
            std::abort();
    }
    return 0;
}
