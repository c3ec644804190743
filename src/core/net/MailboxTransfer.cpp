#include "core/net/MailboxTransfer.h"

#include <algorithm>

#include "core/formats/TreeArchive.h"
#include "core/net/CSMTP.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {

MailResult sendTreeByMail(BookmarkTree& tree, ItemId branch, const std::string& server, int port,
                          const std::string& recipient, const NetTimeouts& timeouts,
                          const StepCallback& step, const MailSecurity& security) {
    if (step)
        step(text::gbk("正在准备数据..."));
    MailMessage message;
    message.subject = std::string(kEnvelopeTag);
    message.addRecipient(recipient);
    message.body = buildEnvelope(tree, branch);
    // Providers refuse an authenticated mail whose sender is not the account; a login without
    // a domain ("carol") is no address at all and gets 501 as a sender.
    auto isAddress = [](const std::string& s) { return s.find('@') != std::string::npos; };
    if (isAddress(security.from))
        message.from = security.from;
    else if (isAddress(security.login))
        message.from = security.login;

    CSMTP smtp(server, port, timeouts);
    smtp.setSecurity(security.mode, security.tls);
    smtp.setLogin(security.login, security.password);
    if (step)
        step(text::gbk("正在连接..."));
    if (smtp.connect()) {
        if (step)
            step(text::gbk("正在发送邮件..."));
        smtp.sendMessage(message);
        if (step)
            step(text::gbk("正在断开连接..."));
        smtp.disconnect();
    }
    MailResult result;
    result.statusText = smtp.statusText();
    result.ok = result.statusText == CSMTP::successText();
    return result;
}

MailResult receiveEnvelopes(const std::string& server, int port, const std::string& user,
                            const std::string& password, unsigned accepted,
                            const std::function<void(Envelope&&)>& onEnvelope,
                            const NetTimeouts& timeouts, const StepCallback& step,
                            const MailSecurity& security, const TransferLimits& limits) {
    Pop3Receiver pop3(server, port, user, password, timeouts);
    pop3.setSecurity(security.mode, security.tls);
    bool limitReached = false;
    bool countUnreadable = false;
    bool tooManyMails = false;
    int count = -1;
    int readWhole = 0;
    size_t entries = 0;
    std::uint64_t cost = 0;
    if (step)
        step(text::gbk("正在连接..."));
    if (pop3.connect()) {
        if (step)
            step(text::gbk("正在读取邮件列表..."));
        count = pop3.messageCount();
        countUnreadable = count < 0;
        const int last = std::min(count, std::max(limits.maxMails, 0));
        MailMessage message;
        // A server that refuses mail after mail while claiming millions of them would keep
        // us here for hours; a run of refusals this long means it will not give any more.
        constexpr int kMaxFailuresInARow = 100;
        int failuresInARow = 0;
        int n = 1;
        for (; n <= last && pop3.isUsable() && failuresInARow < kMaxFailuresInARow && !limitReached;
             ++n) {
            if (step)
                step(text::gbk("正在接收邮件..."));
            if (!pop3.retrieve(n, message)) {
                ++failuresInARow;
                continue;
            }
            failuresInARow = 0;
            ++readWhole;
            auto envelope = readEnvelope(message.body, accepted);
            message = MailMessage();  // one mail in memory at a time
            if (!envelope)
                continue;
            // Count the records as they would arrive; keep those within the limits.
            const int width = recordWidth(envelope->treeKind);
            LineReader reader(envelope->data);
            std::string line;
            size_t records = 0;
            for (bool more = true; more;) {
                std::uint64_t recordBytes = 0;
                for (int i = 0; i < width && more; ++i) {
                    more = reader.readString(line);
                    recordBytes += line.size();
                }
                if (!more)
                    break;
                std::uint64_t recordCost = TransferLimits::entryCost(recordBytes);
                if (entries >= limits.maxEntries || cost + recordCost > limits.maxMemory) {
                    limitReached = true;
                    envelope->keepRecords(records, width);
                    break;
                }
                ++records;
                ++entries;
                cost += recordCost;
            }
            onEnvelope(std::move(*envelope));
        }
        // Said only when the box went on past the mails this connection may fetch.
        tooManyMails = count > last && n > last && pop3.isUsable() && !limitReached;
        if (step)
            step(text::gbk("正在断开连接..."));
        pop3.disconnect();
    }
    MailResult result;
    result.statusText = pop3.statusText();
    if (limitReached)
        result.statusText = entryLimitText();
    else if (tooManyMails)
        result.statusText = mailLimitText(count, limits.maxMails);
    else if (countUnreadable && result.statusText == Pop3Receiver::successText())
        result.statusText = "STATus couldn't be retrieved";  // no count: nothing was fetched
    result.ok = result.statusText == Pop3Receiver::successText();
    result.complete = count >= 0 && readWhole == count && !limitReached;
    return result;
}

std::string entryLimitText() {
    return text::gbk("收到的条目已达上限，其余邮件没有接收！");
}

std::string mailLimitText(int listed, int maxMails) {
    return text::gbk("邮箱里有 " + std::to_string(listed) + " 封邮件，一次连接最多接收 " +
                     std::to_string(maxMails) + " 封，其余邮件没有接收！");
}

}  // namespace brivanta::net
