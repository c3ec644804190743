#include "gui/options/CEmailSetPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/net/TcpConnection.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
constexpr int kSmtpPort = 25;
constexpr int kPop3Port = 110;

// The port a server field names, or the protocol's own; nothing when the port is malformed.
std::optional<int> portOf(const QString& text, int protocolPort) {
    std::string host;
    int port = protocolPort;
    if (!net::splitHostPort(toGbk(text.trimmed()), protocolPort, host, port))
        return std::nullopt;
    return port;
}
}  // namespace

CEmailSetPage::CEmailSetPage(QWidget* parent) : OptionPage(parent) {
    setObjectName(QString::number(ids::kEmailSetPage));
    email_ = pageEdit(ids::kEmailControl, this);
    pop3_ = {pageEdit(ids::kPop3Control, this), newSecurityCombo(ids::kPop3SecurityControl, this),
             kPop3Port};
    smtp_ = {pageEdit(ids::kSmtpControl, this), newSecurityCombo(ids::kSmtpSecurityControl, this),
             kSmtpPort};
    smtpLogin_ = pageEdit(ids::kSmtpLoginControl, this);
    for (Server* server : {&pop3_, &smtp_}) {
        server->host->setPlaceholderText(QString::fromUtf8("主机名或 主机名:端口"));
        connect(server->host, &QLineEdit::textEdited, this, [this, server] { follow(*server); });
        connect(server->security, &QComboBox::activated, this, [server] { server->chosen = true; });
    }
    smtpLogin_->setPlaceholderText(QString::fromUtf8("不需要登录时留空"));

    auto* grid = new QGridLayout;
    auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
    grid->addWidget(label("电子邮件地址："), 0, 0);
    grid->addWidget(email_, 0, 1, 1, 2);
    grid->addWidget(label("接收邮件(POP3)："), 1, 0);
    grid->addWidget(pop3_.host, 1, 1);
    grid->addWidget(pop3_.security, 1, 2);
    grid->addWidget(label("外发邮件(SMTP)："), 2, 0);
    grid->addWidget(smtp_.host, 2, 1);
    grid->addWidget(smtp_.security, 2, 2);
    grid->addWidget(label("SMTP 登录名："), 3, 0);
    grid->addWidget(smtpLogin_, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    layOutPage(this, ids::kEmailPageIcon, grid);
}

QString CEmailSetPage::title() const {
    return QString::fromUtf8("EMAIL设置");
}

void CEmailSetPage::load(const OptionValues& values) {
    email_->setText(fromGbk(values.email));
    pop3_.host->setText(fromGbk(values.pop3Server));
    smtp_.host->setText(fromGbk(values.smtpServer));
    smtpLogin_->setText(fromGbk(values.security.smtpLogin));
    auto show = [](Server& server, std::optional<net::SecurityMode> stored) {
        server.chosen = stored.has_value();
        int port = portOf(server.host->text(), server.protocolPort).value_or(server.protocolPort);
        server.security->setCurrentIndex(
            securityModeIndex(stored.value_or(net::defaultSecurityForPort(port))));
    };
    show(pop3_, values.security.pop3Security);
    show(smtp_, values.security.smtpSecurity);
}

void CEmailSetPage::follow(Server& server) {
    if (server.chosen)
        return;
    if (std::optional<int> port = portOf(server.host->text(), server.protocolPort))
        server.security->setCurrentIndex(securityModeIndex(net::defaultSecurityForPort(*port)));
}

bool CEmailSetPage::validateServer(const Server& server) {
    QString text = server.host->text().trimmed();
    if (text.isEmpty() || portOf(text, server.protocolPort))
        return true;
    refuseField(this, server.host,
                QString::fromUtf8("服务器 “%1” 的端口号须是 1 到 65535 之间的整数。").arg(text));
    return false;
}

bool CEmailSetPage::validate() {
    return validateServer(pop3_) && validateServer(smtp_);
}

std::optional<net::SecurityMode> CEmailSetPage::modeToStore(const Server& server) {
    net::SecurityMode mode = securityModeAt(server.security->currentIndex());
    int port = portOf(server.host->text(), server.protocolPort).value_or(server.protocolPort);
    // The usual mode of the port stays unset, so it follows a port changed later.
    if (mode == net::defaultSecurityForPort(port))
        return std::nullopt;
    return mode;
}

void CEmailSetPage::save(OptionValues& values) const {
    values.email = toGbk(email_->text());
    values.pop3Server = toGbk(pop3_.host->text().trimmed());
    values.smtpServer = toGbk(smtp_.host->text().trimmed());
    values.security.pop3Security = modeToStore(pop3_);
    values.security.smtpSecurity = modeToStore(smtp_);
    values.security.smtpLogin = toGbk(smtpLogin_->text().trimmed());
}

}  // namespace brivanta
