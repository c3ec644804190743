#include "core/net/RecommendedUpdate.h"

#include <chrono>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {

namespace {

// Shows the name of the entry being added a few times a second, not once per entry.
ArchiveProgress throttledNames(const StepCallback& step) {
    if (!step)
        return {};
    using Clock = std::chrono::steady_clock;
    return [step, last = Clock::time_point()](const std::string& name) mutable {
        const auto now = Clock::now();
        if (now - last >= std::chrono::milliseconds(100)) {
            step(name);
            last = now;
        }
    };
}

}  // namespace

RecommendedUpdateResult updateRecommendedTree(BookmarkTree& current, const std::string& backupPath,
                                              const std::string& treePath,
                                              const RecommendedMailbox& mailbox,
                                              const NetTimeouts& timeouts, const StepCallback& step,
                                              const TransferLimits& limits) {
    RecommendedUpdateResult result;
    result.statusText = text::gbk("更新失败！");
    BookmarkTree fresh(kRecommendedTree);
    const ArchiveProgress names = throttledNames(step);
    // The receive's own captions, renamed to the update's.
    auto captions = [&step](const std::string& caption) {
        if (!step)
            return;
        if (caption == text::gbk("正在读取邮件列表..."))
            step(text::gbk("正在检查..."));
        else if (caption == text::gbk("正在接收邮件..."))
            step(text::gbk("正在接收数据..."));
        else if (caption == text::gbk("正在断开连接..."))
            step(text::gbk("正在退出..."));
        else
            step(caption);
    };
    MailResult received = receiveEnvelopes(
        mailbox.host, mailbox.port, mailbox.user, mailbox.password, kSystemSection,
        [&](Envelope&& envelope) {
            LineReader reader(envelope.data);
            BookmarkTree::BulkUpdate bulk(fresh);
            result.entries += SerializeTree(fresh, reader, kNoItem, names);
        },
        timeouts, captions, mailbox.security, limits);
    result.receiveText = received.statusText;
    // A mail that did not come whole may have held entries, or a later version of them:
    // the tree would be short of what the mailbox holds.
    if (!received.complete) {
        result.mailboxFailure = received.statusText == Pop3Receiver::successText()
                                    ? text::gbk("没有读完邮箱里的全部邮件")
                                    : received.statusText;
        return result;
    }
    // An envelope of lines but no whole entry would make an empty tree of "success".
    if (result.entries == 0) {
        result.mailboxFailure = text::gbk("邮箱里没有带条目的 <SYSTEM> 信封");
        return result;
    }
    // Only now is the old tree kept aside: a failed update must not replace the backup.
    if (step)
        step(text::gbk("正在备份..."));
    result.error = saveArchiveFile(current, backupPath);
    if (result.error)
        return result;
    result.error = saveArchiveFile(fresh, treePath);
    if (result.error)
        return result;
    StringSink sink(result.archive);
    {
        ArchiveWriter writer(sink);
        SerializeTree(fresh, writer);
        writer.flush();
    }
    result.ok = true;
    result.statusText = text::gbk("更新完毕！");
    return result;
}

std::string updateReport(const RecommendedUpdateResult& result, const RecommendedMailbox& mailbox) {
    std::string report = result.statusText;
    if (!result.mailboxFailure.empty()) {
        const std::string host =
            mailbox.host.find(':') == std::string::npos ? mailbox.host : "[" + mailbox.host + "]";
        report += "\r\nPOP3 " + text::gbk("服务器 ") + host + ":" + std::to_string(mailbox.port) +
                  text::gbk("：") + result.mailboxFailure;
    }
    if (result.error)
        report += "\r\n" + text::gbk(result.error.writeMessage());
    return report;
}

size_t replaceTreeContent(BookmarkTree& tree, const std::string& archive) {
    BookmarkTree::BulkUpdate bulk(tree);
    tree.DeleteNode();
    MemorySource source(archive);
    ArchiveReader reader(source);
    return SerializeTree(tree, reader, kNoItem);
}

}  // namespace brivanta::net
