#include "core/net/MailboxTransfer.h"

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
    // Providers refuse an authenticated mail whose sender is not the account.
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
                            const MailSecurity& security) {
    Pop3Receiver pop3(server, port, user, password, timeouts);
    pop3.setSecurity(security.mode, security.tls);
    if (step)
        step(text::gbk("正在连接..."));
    if (pop3.connect()) {
        if (step)
            step(text::gbk("正在读取邮件列表..."));
        int count = pop3.messageCount();
        MailMessage message;
        // A server that refuses mail after mail while claiming millions of them would keep
        // us here for hours; a run of refusals this long means it will not give any more.
        constexpr int kMaxFailuresInARow = 100;
        int failuresInARow = 0;
        for (int n = 1; n <= count && pop3.isUsable() && failuresInARow < kMaxFailuresInARow; ++n) {
            if (step)
                step(text::gbk("正在接收邮件..."));
            if (!pop3.retrieve(n, message)) {
                ++failuresInARow;
                continue;
            }
            failuresInARow = 0;
            if (auto envelope = readEnvelope(message.body, accepted)) {
                onEnvelope(std::move(*envelope));
            }
        }
        if (step)
            step(text::gbk("正在断开连接..."));
        pop3.disconnect();
    }
    MailResult result;
    result.statusText = pop3.statusText();
    result.ok = result.statusText == Pop3Receiver::successText();
    return result;
}

}  // namespace brivanta::net
