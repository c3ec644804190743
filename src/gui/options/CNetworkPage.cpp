#include "gui/options/CNetworkPage.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

}  // namespace

CNetworkPage::CNetworkPage(QWidget* parent) : OptionPage(parent) {
    setObjectName(QString::number(ids::kNetworkPage));
    serverAddress_ = pageEdit(ids::kServerAddressControl, this);
    serverPort_ = pageEdit(ids::kServerPortControl, this);
    listenPort_ = pageEdit(ids::kListenPortControl, this);
    auto* server = new QFormLayout;
    server->addRow(QString::fromUtf8("服务器地址"), serverAddress_);
    server->addRow(QString::fromUtf8("端口号"), serverPort_);
    auto* listening = new QGroupBox(QString::fromUtf8("监听操作"), this);
    auto* listenForm = new QFormLayout(listening);
    listenForm->addRow(QString::fromUtf8("本机端口号"), listenPort_);
    auto* fields = new QVBoxLayout;
    fields->addLayout(server);
    fields->addWidget(listening);
    fields->addStretch();
    layOutPage(this, ids::kNetworkPageIcon, fields);
}

QString CNetworkPage::title() const {
    return QString::fromUtf8("网络设置");
}

void CNetworkPage::load(const OptionValues& values) {
    serverAddress_->setText(fromGbk(values.network.serverAddress));
    serverPort_->setText(QString::number(values.network.serverPort));
    listenPort_->setText(QString::number(values.network.listenPort));
}

std::optional<long long> CNetworkPage::parseInteger(const QString& text) {
    QString t = text.trimmed();
    bool ok = false;
    long long value = t.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

bool CNetworkPage::validatePort(QLineEdit* field) {
    std::optional<long long> value = parseInteger(field->text());
    if (!value) {
        refuseField(this, field, QString::fromUtf8("请键入一个整数。"));
        return false;
    }
    // A number that is no port would only fail later, when listening or uploading starts.
    if (*value < kLowestPort || *value > kHighestPort) {
        refuseField(
            this, field,
            QString::fromUtf8("端口号须在 %1 到 %2 之间。").arg(kLowestPort).arg(kHighestPort));
        return false;
    }
    return true;
}

bool CNetworkPage::validate() {
    return validatePort(serverPort_) && validatePort(listenPort_);
}

void CNetworkPage::save(OptionValues& values) const {
    values.network.serverAddress = toGbk(serverAddress_->text().trimmed());
    values.network.serverPort = static_cast<int>(parseInteger(serverPort_->text()).value_or(0));
    values.network.listenPort = static_cast<int>(parseInteger(listenPort_->text()).value_or(0));
}

}  // namespace brivanta
