#include "gui/options/CSyncPage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "core/app/SyncSettings.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeKind.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

constexpr int kDefaultMinutes = 30;

QString systemFileChooser(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString::fromUtf8("选择 CA 证书文件"), QString(),
                                        QString::fromUtf8("证书 (*.pem *.crt);;所有文件 (*)"));
}

// The folder's key in the combo: the profile's line for its labels.
QString keyOf(const std::vector<std::string>& labels) {
    std::vector<std::string> utf8;
    utf8.reserve(labels.size());
    for (const std::string& label : labels)
        utf8.push_back(text::toUtf8(label));
    return QString::fromStdString(joinFolderPath(utf8));
}

std::vector<std::string> labelsOf(const QString& key) {
    std::vector<std::string> labels;
    for (const std::string& label : splitFolderPath(key.toStdString()))
        labels.push_back(text::fromUtf8(label));
    return labels;
}

QString shownPath(const std::vector<std::string>& labels) {
    QStringList parts;
    for (const std::string& label : labels)
        parts << fromGbk(label);
    return parts.join(QStringLiteral(" / "));
}

}  // namespace

CSyncPage::CSyncPage(QWidget* parent) : OptionPage(parent), chooser_(systemFileChooser) {
    setObjectName(QString::number(ids::kSyncPage));
    server_ = pageEdit(ids::kSyncServerControl, this);
    server_->setPlaceholderText(QString::fromUtf8("https://主机/remote.php/dav/files/用户/"));
    file_ = pageEdit(ids::kSyncFileControl, this);
    user_ = pageEdit(ids::kSyncUserControl, this);
    password_ = pageEdit(ids::kSyncPasswordControl, this);
    password_->setEchoMode(QLineEdit::Password);
    caFile_ = pageEdit(ids::kSyncCaFileControl, this);
    caFile_->setPlaceholderText(QString::fromUtf8("不填则只用系统的证书"));
    browse_ = new QPushButton(QString::fromUtf8("浏览..."), this);
    browse_->setObjectName(QString::number(ids::kSyncCaBrowseButton));
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = chooser_(this);
        if (!chosen.isEmpty())
            caFile_->setText(chosen);
    });

    tree_ = new QComboBox(this);
    tree_->setObjectName(QString::number(ids::kSyncTreeControl));
    tree_->addItem(QString::fromUtf8("收藏"), kCustomTree);
    tree_->addItem(QString::fromUtf8("推荐"), kRecommendedTree);
    folder_ = new QComboBox(this);
    folder_->setObjectName(QString::number(ids::kSyncFolderControl));
    folder_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    folder_->setMinimumContentsLength(12);
    connect(tree_, &QComboBox::activated, this, [this] { fillFolders({}); });

    manual_ = new QRadioButton(QString::fromUtf8("手动"), this);
    manual_->setObjectName(QString::number(ids::kSyncManualRadio));
    every_ = new QRadioButton(QString::fromUtf8("每"), this);
    every_->setObjectName(QString::number(ids::kSyncEveryRadio));
    minutes_ = new QSpinBox(this);
    minutes_->setObjectName(QString::number(ids::kSyncIntervalControl));
    minutes_->setRange(1, kMaxSyncIntervalMinutes);
    minutes_->setSuffix(QString::fromUtf8(" 分钟"));
    connect(every_, &QRadioButton::toggled, minutes_, &QWidget::setEnabled);

    storeNote_ = new QLabel(QString::fromUtf8("没有密钥存储：密码只保留到程序退出。"), this);
    storeNote_->setWordWrap(true);
    storeNote_->setVisible(false);

    // Room for a whole collection address of a usual length.
    server_->setMinimumWidth(server_->fontMetrics().horizontalAdvance(QStringLiteral(
                                 "https://dav.example.cn/remote.php/dav/files/alice/")) +
                             16);
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* text, QWidget* field, QWidget* extra = nullptr) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        if (extra) {
            auto* pair = new QHBoxLayout;
            pair->addWidget(field, 1);
            pair->addWidget(extra, extra == folder_ ? 2 : 0);
            grid->addLayout(pair, row, 1);
        } else {
            grid->addWidget(field, row, 1);
        }
        ++row;
    };
    addRow("服务器地址：", server_);
    addRow("文件名：", file_);
    addRow("用户名：", user_);
    addRow("密码：", password_);
    grid->addWidget(storeNote_, row++, 1);
    addRow("CA 证书：", caFile_, browse_);
    addRow("同步：", tree_, folder_);
    auto* when = new QHBoxLayout;
    when->addWidget(manual_);
    when->addSpacing(12);
    when->addWidget(every_);
    when->addWidget(minutes_);
    when->addStretch();
    grid->addWidget(new QLabel(QString::fromUtf8("时间："), this), row, 0);
    grid->addLayout(when, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    layOutPage(this, ids::kNetworkPageIcon, grid);
}

QString CSyncPage::title() const {
    return QString::fromUtf8("同步");
}

void CSyncPage::fillFolders(const std::vector<std::string>& chosen) {
    const bool recommended = tree_->currentData().toInt() == kRecommendedTree;
    const auto& folders = recommended ? recommendedFolders_ : customFolders_;
    folder_->clear();
    folder_->addItem(QString::fromUtf8(recommended ? "（整个推荐）" : "（整个收藏）"), QString());
    for (const std::vector<std::string>& path : folders)
        folder_->addItem(shownPath(path), keyOf(path));
    if (chosen.empty())
        return;
    int at = folder_->findData(keyOf(chosen));
    if (at < 0) {
        // A folder renamed or deleted since: still shown, so OK does not quietly change it.
        folder_->addItem(shownPath(chosen) + QString::fromUtf8("（不存在）"), keyOf(chosen));
        at = folder_->count() - 1;
    }
    folder_->setCurrentIndex(at);
}

void CSyncPage::load(const OptionValues& values) {
    const SyncSettings& sync = values.sync;
    server_->setText(QString::fromStdString(sync.serverUrl));
    // The host is what tells one server from another: show the address from its start.
    server_->setCursorPosition(0);
    file_->setText(QString::fromStdString(sync.fileName));
    user_->setText(QString::fromStdString(sync.user));
    password_->setText(QString::fromStdString(values.syncPassword));
    caFile_->setText(QString::fromStdString(sync.caFile));
    caFile_->setCursorPosition(0);
    storeNote_->setVisible(values.syncPasswordForRunOnly);
    customFolders_ = values.customFolders;
    recommendedFolders_ = values.recommendedFolders;
    tree_->setCurrentIndex(sync.treeKind == kRecommendedTree ? 1 : 0);
    fillFolders(sync.folder);
    const bool timed = sync.intervalMinutes > 0;
    every_->setChecked(timed);
    manual_->setChecked(!timed);
    minutes_->setEnabled(timed);
    minutes_->setValue(timed ? sync.intervalMinutes : kDefaultMinutes);
}

bool CSyncPage::validate() {
    const QString server = server_->text().trimmed();
    if (server.isEmpty())
        return true;  // no sync: the rest does not matter
    if (!server.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive) &&
        !server.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)) {
        refuseField(
            this, server_,
            QString::fromUtf8("服务器地址须以 https:// 或 http:// 开头：“%1”。").arg(server));
        return false;
    }
    const QString file = file_->text().trimmed();
    if (file.isEmpty() || file.contains(u'/') || file == QStringLiteral(".") ||
        file == QStringLiteral("..")) {
        refuseField(this, file_,
                    QString::fromUtf8("文件名须是服务器上那个目录里的一个文件名，不含 “/”。"));
        return false;
    }
    const QString ca = caFile_->text().trimmed();
    if (!ca.isEmpty() && !QFileInfo(ca).isFile()) {
        refuseField(this, caFile_, QString::fromUtf8("找不到 CA 证书文件 “%1”。").arg(ca));
        return false;
    }
    return true;
}

void CSyncPage::save(OptionValues& values) const {
    SyncSettings& sync = values.sync;
    sync.serverUrl = server_->text().trimmed().toStdString();
    sync.fileName = file_->text().trimmed().toStdString();
    if (sync.fileName.empty())
        sync.fileName = SyncSettings().fileName;
    sync.user = user_->text().trimmed().toStdString();
    sync.caFile = caFile_->text().trimmed().toStdString();
    sync.treeKind = tree_->currentData().toInt();
    sync.folder = labelsOf(folder_->currentData().toString());
    sync.intervalMinutes = every_->isChecked() ? minutes_->value() : 0;
    values.syncPassword = password_->text().toStdString();
}

}  // namespace brivanta
