#include "gui/app/NetworkCommands.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "core/app/LoginSession.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/PeerTransfer.h"
#include "core/net/RecommendedUpdate.h"
#include "core/net/TransferEnvelope.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/net/NetworkTaskRunner.h"
#include "gui/net/PeerListenService.h"
#include "gui/net/ReceiveMailDialog.h"
#include "gui/net/RecommendedMailboxSettings.h"
#include "gui/net/SendMailDialog.h"
#include "gui/net/SendToPeerDialog.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {

// Status texts use CR LF between their lines.
QString statusMessage(const std::string& gbk) {
    QString text = fromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void tell(QWidget* owner, const std::string& gbk) {
    QMessageBox::information(owner, QStringLiteral("Brivanta"), statusMessage(gbk));
}

// A mail command's outcome; a failure names the server it came from ("SMTP 服务器
// smtp.example.cn:587：…"), as the command line does.
void tellMailResult(QWidget* owner, const char* kind, const std::string& host, int port,
                    const net::MailResult& result) {
    if (result.ok) {
        tell(owner, result.statusText);
        return;
    }
    QString server = fromGbk(host);
    if (server.contains(u':'))
        server = u'[' + server + u']';
    warnBox(
        owner, QStringLiteral("Brivanta"),
        QString::fromUtf8("%1 服务器 %2:%3：").arg(QString::fromLatin1(kind), server).arg(port) +
            statusMessage(result.statusText));
}

// The port to listen on at start: 5000, or BRIVANTA_LISTEN_PORT (0 picks a free one) so that
// tests and a second copy on one machine do not fight over it.
int startListenPort() {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("BRIVANTA_LISTEN_PORT", &ok);
    return ok && port >= 0 && port <= 65535 ? port : 5000;
}

struct Selection {
    ItemId item = kNoItem;
    QString text;
};

Selection selectionOf(BookmarkTreeView& view) {
    Selection s;
    s.item = view.currentItem();
    if (s.item != kNoItem && view.tree().contains(s.item))
        s.text = fromGbk(view.tree().label(s.item));
    else
        s.item = kNoItem;
    return s;
}

}  // namespace

NetworkCommands::NetworkCommands(QWidget& window, CommandRegistry& commands, LoginSession& login,
                                 Hooks hooks)
    : window_(window),
      commands_(commands),
      login_(login),
      hooks_(std::move(hooks)),
      listener_(std::make_unique<PeerListenService>()) {
    settings_.listenPort = startListenPort();
    // Each received transfer is one step of its tree's history, made from the entries the
    // listener's thread built as they arrived.
    listener_->setApply([this](BookmarkTree& target, const net::PeerReceipt& receipt) {
        const EntriesAdded added = net::applyReceipt(target, receipt);
        if (TreeUndo* history = hooks_.history(target.treeKind()))
            history->recordAdded(added.roots);
        return added.count;
    });
}

NetworkCommands::~NetworkCommands() = default;

void NetworkCommands::registerCommands() {
    commands_.setHandler(ids::kListen, [this] { toggleListening(); });
    // Sending and the upload take the tree the command was given for.
    commands_.setTreeHandler(ids::kSendToNeighbour, [this](int target) {
        if (BookmarkTreeView* view = hooks_.view(target))
            sendToNeighbour(*view);
    });
    commands_.setTreeHandler(ids::kSendToMailbox, [this](int target) {
        if (BookmarkTreeView* view = hooks_.view(target))
            sendToMailbox(*view);
    });
    commands_.setHandler(ids::kReceiveFromMailbox, [this] { receiveFromMailbox(); });
    commands_.setHandler(ids::kUpdateRecommended, [this] { updateRecommended(); });
    commands_.setTreeHandler(ids::kUpload, [this](int target) {
        if (BookmarkTreeView* view = hooks_.view(target))
            upload(*view);
    });
}

bool NetworkCommands::isListening() const {
    return listener_->isListening();
}

void NetworkCommands::toggleListening() {
    if (listener_->isListening()) {
        listener_->stop();
        commands_.refresh();
        return;
    }
    BookmarkTreeView* shown = hooks_.view(hooks_.shownTree());
    if (!shown || !listener_->start(shown->tree(), settings_.listenPort)) {
        commands_.refresh();
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                             statusMessage(listener_->statusText()), QMessageBox::Ok);
        return;
    }
    // A port picked by the system (0 asked for) is the one the options sheet shows.
    if (settings_.listenPort == 0)
        settings_.listenPort = listener_->port();
    commands_.refresh();
}

void NetworkCommands::sendToNeighbour(BookmarkTreeView& view) {
    const Selection selected = selectionOf(view);
    SendToPeerDialog dialog(selected.text, &window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ItemId branch = dialog.sendSelected() == 1 ? selected.item : kNoItem;
    const std::string host = toGbk(dialog.peerAddress());
    const int port = dialog.peerPort();
    // Made here, so that the worker reads no tree while it waits for the listener: a
    // listener in this same program can then put what it receives into its tree meanwhile.
    const std::string archive = net::serializeForPeer(view.tree(), branch);
    net::PeerSendResult result;
    NetworkTaskRunner::instance().run(
        &window_, &commands_, QString::fromUtf8("正在创建SOCKET..."),
        [&](const net::StepCallback& step) {
            result = net::sendArchiveToPeer(archive, host, port, {}, step);
        },
        false);
    if (!result.ok)
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                             statusMessage(result.statusText));
}

void NetworkCommands::sendToMailbox(BookmarkTreeView& view) {
    const UserAccount& account = login_.account();
    const Selection selected = selectionOf(view);
    SendMailDialog dialog(account, loadMailSecurityProfile(account.name), selected.text,
                          MailPasswordStore::current(), &window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ItemId branch = dialog.sendSelected() == 1 ? selected.item : kNoItem;
    BookmarkTree& tree = view.tree();
    // The worker reads copies: widgets belong to the GUI thread.
    const std::string host = dialog.host(), recipient = dialog.recipient();
    const int port = dialog.port();
    const net::MailSecurity security = dialog.security();
    net::MailResult result;
    NetworkTaskRunner::instance().run(
        &window_, &commands_, QString::fromUtf8("正在准备数据..."),
        [&](const net::StepCallback& step) {
            result = net::sendTreeByMail(tree, branch, host, port, recipient, {}, step, security);
        });
    tellMailResult(&window_, "SMTP", host, port, result);
}

void NetworkCommands::receiveFromMailbox() {
    const UserAccount& account = login_.account();
    ReceiveMailDialog dialog(account, loadMailSecurityProfile(account.name),
                             MailPasswordStore::current(), &window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    net::MailSecurity security;
    security.mode = dialog.mode();
    const std::string host = dialog.host(), user = dialog.user(), password = dialog.password();
    const int port = dialog.port();
    std::vector<net::Envelope> envelopes;
    net::MailResult result;
    NetworkTaskRunner::instance().run(
        &window_, &commands_, QString::fromUtf8("正在连接..."), [&](const net::StepCallback& step) {
            result = net::receiveEnvelopes(
                host, port, user, password, net::kAllSections,
                [&](net::Envelope&& envelope) { envelopes.push_back(std::move(envelope)); }, {},
                step, security);
        });
    // Each envelope goes to the tree its tag names, whatever tree is shown.
    for (const net::Envelope& envelope : envelopes) {
        if (BookmarkTreeView* view = hooks_.view(envelope.treeKind)) {
            const EntriesAdded added = net::addEnvelope(view->tree(), envelope);
            // Each received mail is one step of the tree's history.
            if (TreeUndo* history = hooks_.history(envelope.treeKind))
                history->recordAdded(added.roots);
        }
    }
    tellMailResult(&window_, "POP3", host, port, result);
}

void NetworkCommands::updateRecommended() {
    if (hooks_.shownTree() != ids::kRecommendedTreeControl) {
        // Only whether the server can be reached: nothing is sent.
        net::PeerSendResult result;
        NetworkTaskRunner::instance().run(
            &window_, &commands_, QString::fromUtf8("正在创建SOCKET..."),
            [&](const net::StepCallback& step) {
                result = net::verifyServer(settings_.serverAddress, settings_.serverPort, {}, step);
            });
        if (!result.ok)
            QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                                 statusMessage(result.statusText));
        return;
    }
    QMessageBox question(QMessageBox::Question, QString::fromUtf8("更新"),
                         QString::fromUtf8("您需要更新推荐收藏内容吗?"),
                         QMessageBox::Ok | QMessageBox::Cancel, &window_);
    question.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    question.button(QMessageBox::Cancel)->setText(QString::fromUtf8("取消"));
    if (question.exec() != QMessageBox::Ok)
        return;
    const net::RecommendedMailbox mailbox = loadRecommendedMailbox();
    net::RecommendedUpdateResult result;
    NetworkTaskRunner::instance().run(
        &window_, &commands_, QString::fromUtf8("正在连接..."),
        [&](const net::StepCallback& step) { result = login_.fetchRecommended(mailbox, step); });
    login_.applyRecommendedUpdate(result);
    showMessageBox(&window_, result.ok ? QMessageBox::Information : QMessageBox::Warning,
                   QString::fromUtf8("更新"), statusMessage(net::updateReport(result, mailbox)));
}

void NetworkCommands::upload(BookmarkTreeView& view) {
    BookmarkTree& tree = view.tree();
    net::PeerSendResult result;
    NetworkTaskRunner::instance().run(&window_, &commands_, QString::fromUtf8("正在准备数据..."),
                                      [&](const net::StepCallback& step) {
                                          result = net::uploadTree(tree, settings_.serverAddress,
                                                                   settings_.serverPort, {}, step);
                                      });
    if (!result.ok)
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"),
                             statusMessage(result.statusText));
}

}  // namespace brivanta
