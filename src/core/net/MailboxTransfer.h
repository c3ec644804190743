#pragma once

#include <functional>
#include <string>

#include "core/net/NetTimeouts.h"
#include "core/net/PeerTransfer.h"
#include "core/net/SecurityMode.h"
#include "core/net/TransferEnvelope.h"
#include "core/net/TransferLimits.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::net {

struct MailResult {
    bool ok = false;         // nothing failed
    std::string statusText;  // GBK: "发送完毕！"/"接收完毕！" or the last failure's text
    // A receive: every mail the server listed was read whole and handed over whole (a
    // failed logout after the last mail does not matter here).
    bool complete = false;
};

// How a mail dialogue is protected and, for sending, whom it logs in as.
struct MailSecurity {
    SecurityMode mode = SecurityMode::none;
    TlsOptions tls;
    std::string login;  // SMTP: "" sends without logging in
    std::string password;
    // SMTP: the sender's address (the account's mail address). When it is no whole address
    // ("name@domain"), the login is the sender if it is one, else nobody.
    std::string from;
};

// Mails the envelope of `branch` (the whole tree for kNoItem) to `recipient` through the
// SMTP server at server:port, with subject "<BRIVANTA>", from `security.from`, else from the
// login when it is a whole address ("name@domain"), else with an empty sender.
MailResult sendTreeByMail(BookmarkTree& tree, ItemId branch, const std::string& server, int port,
                          const std::string& recipient, const NetTimeouts& timeouts = {},
                          const StepCallback& step = {}, const MailSecurity& security = {});

// Fetches every mail of the POP3 mailbox, one at a time, and hands each envelope of an
// accepted section to `onEnvelope`, in mail order, before the next mail is fetched; other
// mails are passed over. Mails stay on the server. The envelopes of one receive together
// bring at most `limits` (entries and memory): the envelope that reaches a limit is handed
// over with its records up to it, and the receive ends there with a failure text saying so.
// At most `limits.maxMails` mails are fetched; a box that lists more ends there too, saying so.
MailResult receiveEnvelopes(const std::string& server, int port, const std::string& user,
                            const std::string& password, unsigned accepted,
                            const std::function<void(Envelope&&)>& onEnvelope,
                            const NetTimeouts& timeouts = {}, const StepCallback& step = {},
                            const MailSecurity& security = {}, const TransferLimits& limits = {});

// "收到的条目已达上限，其余邮件没有接收！"
std::string entryLimitText();
// "邮箱里有 N 封邮件，一次连接最多接收 M 封，其余邮件没有接收！"
std::string mailLimitText(int listed, int maxMails);

}  // namespace brivanta::net
