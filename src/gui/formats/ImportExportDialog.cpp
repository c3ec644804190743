#include "gui/formats/ImportExportDialog.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/formats/BrowserProfiles.h"
#include "core/text/SystemErrorText.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/IconMenu.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

namespace {

struct FormatTexts {
    int command;
    const char* menuText;
    const char* exportButton;
    const char* importButton;
    const char* pathLabel;
    int icon;
    bool exports;
};

// The picture of a browser's store: a globe on a computer.
constexpr int kBrowserIcon = 203;

// In the order menu 191 lists them; the browsers' own formats follow.
constexpr FormatTexts kFormats[] = {
    {ids::kShortcutFolderFormat, "Internet Explore收藏夹", "导出到Internet Explore收藏夹▼",
     "导入Internet Explore收藏夹 ▼", "Internet Explore收藏夹路径:", ids::kShortcutFolderIcon, true},
    {ids::kArchiveFileFormat, "Brivanta格式文件", "导出到Brivanta格式文件 ▼",
     "导入Brivanta格式文件 ▼", "Brivanta格式文件路径和文件名:", ids::kProgramIcon, true},
    {ids::kHtmlFileFormat, "HTML文件", "导出到HTML 文件 ▼", "导入HTML 文件 ▼",
     "HTML文件的路径和文件名:", ids::kHtmlFileIcon, true},
    {ids::kBookmarkFileFormat, "浏览器书签文件 (HTML)", "导出到浏览器书签文件 ▼",
     "导入浏览器书签文件 ▼", "浏览器书签文件的路径和文件名:", ids::kHtmlFileIcon, true},
    {ids::kXbelFileFormat, "XBEL书签文件 (KDE, Floccus)", "导出到XBEL书签文件 ▼",
     "导入XBEL书签文件 ▼", "XBEL书签文件的路径和文件名:", ids::kHtmlFileIcon, true},
    {ids::kFirefoxFormat, "Firefox", "", "导入Firefox书签 ▼",
     "Firefox配置文件的目录:", kBrowserIcon, false},
    {ids::kChromiumFormat, "Chromium / Chrome", "", "导入Chromium / Chrome书签 ▼",
     "Chromium / Chrome的书签文件:", kBrowserIcon, false},
};

const FormatTexts& textsFor(int command) {
    for (const FormatTexts& f : kFormats) {
        if (f.command == command)
            return f;
    }
    return kFormats[0];
}

QString fromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string toPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Whether anything (a file, a link, even a dangling one) is at `path`.
bool existsAsAnything(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

ExchangeFormat exchangeFormatFor(int commandId) {
    switch (commandId) {
        case ids::kHtmlFileFormat:
            return ExchangeFormat::HtmlPage;
        case ids::kArchiveFileFormat:
            return ExchangeFormat::ArchiveFile;
        case ids::kBookmarkFileFormat:
            return ExchangeFormat::BookmarkFile;
        case ids::kXbelFileFormat:
            return ExchangeFormat::XbelFile;
        case ids::kFirefoxFormat:
            return ExchangeFormat::FirefoxProfile;
        case ids::kChromiumFormat:
            return ExchangeFormat::ChromiumProfile;
        default:
            return ExchangeFormat::ShortcutFolder;
    }
}

int exchangeCommandFor(ExchangeFormat format) {
    switch (format) {
        case ExchangeFormat::HtmlPage:
            return ids::kHtmlFileFormat;
        case ExchangeFormat::ArchiveFile:
            return ids::kArchiveFileFormat;
        case ExchangeFormat::BookmarkFile:
            return ids::kBookmarkFileFormat;
        case ExchangeFormat::XbelFile:
            return ids::kXbelFileFormat;
        case ExchangeFormat::FirefoxProfile:
            return ids::kFirefoxFormat;
        case ExchangeFormat::ChromiumProfile:
            return ids::kChromiumFormat;
        case ExchangeFormat::ShortcutFolder:
            break;
    }
    return ids::kShortcutFolderFormat;
}

ImportExportDialog::ImportExportDialog(bool isExport, const QString& selectedName,
                                       const ExchangeFolders& folders, QWidget* parent)
    : QDialog(parent),
      isExport_(isExport),
      selectedName_(selectedName),
      folders_(folders),
      exchangeKind_(ids::kShortcutFolderFormat) {
    setObjectName(QString::number(ids::kImportExportDialog));
    const int modeIcon = isExport ? ids::kExportIcon : ids::kImportIcon;
    setWindowTitle(QString::fromUtf8(isExport ? "导出收藏夹" : "导入收藏夹"));
    setWindowIcon(resourceIcon(modeIcon));

    iconLabel_ = new QLabel;
    iconLabel_->setPixmap(resourceIcon(modeIcon).pixmap(32, 32));
    const FormatTexts& start = textsFor(exchangeKind_);
    typeButton_ =
        new FlatButton(resourceIcon(start.icon),
                       QString::fromUtf8(isExport ? start.exportButton : start.importButton));
    typeButton_->setObjectName(QString::number(ids::kExchangeTypeButton));
    typeButton_->setIconSize(QSize(32, 32));
    typeButton_->setTooltipText(QString::fromUtf8("单击可以改变类型"));
    // Enter anywhere in the dialog runs the import or export; only a click or the space bar
    // opens the type menu (again).
    typeButton_->setAutoDefault(false);
    connect(typeButton_, &QPushButton::clicked, this, &ImportExportDialog::showTypeMenu);

    // The template's own label, with a full-width colon, until a format is picked.
    pathLabel_ = new QLabel(QString::fromUtf8("Internet Explore收藏夹路径："));
    pathLabel_->setObjectName(QString::number(ids::kExchangePathLabel));
    pathEdit_ = new QLineEdit(fromPath(
        defaultExchangePath(ExchangeFormat::ShortcutFolder, selectedName.toStdString(), folders_)));
    pathEdit_->setObjectName(QString::number(ids::kExchangePathEdit));
    pathEdit_->setMinimumWidth(280);
    pathLabel_->setBuddy(pathEdit_);
    browseButton_ = new FlatButton(resourceIcon(ids::kBrowseIcon), QString());
    browseButton_->setObjectName(QString::number(ids::kExchangeBrowseButton));
    browseButton_->setShowText(false);
    browseButton_->setAutoDefault(false);
    connect(browseButton_, &QPushButton::clicked, this, &ImportExportDialog::browse);

    QString suffix;
    if (!selectedName.isEmpty())
        suffix = QStringLiteral(":[") + selectedName + QStringLiteral("]");
    allRadio_ = new QRadioButton(QString::fromUtf8(isExport ? "全部导出" : "导入到顶层"));
    allRadio_->setObjectName(QString::number(ids::kExchangeAllRadio));
    selectedRadio_ = new QRadioButton(
        QString::fromUtf8(isExport ? "导出选中的书签" : "导入到选中的分类") + suffix);
    selectedRadio_->setObjectName(QString::number(ids::kExchangeSelectedRadio));
    if (selectedName.isEmpty()) {
        allRadio_->setChecked(true);
        selectedRadio_->setEnabled(false);
    } else {
        selectedRadio_->setChecked(true);
    }

    okButton_ =
        new FlatButton(resourceIcon(modeIcon), QString::fromUtf8(isExport ? "导出" : "导入"));
    okButton_->setObjectName(QString::number(ids::kIdOk));
    okButton_->setDefault(true);
    cancelButton_ = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancelButton_->setObjectName(QString::number(ids::kIdCancel));
    connect(okButton_, &QPushButton::clicked, this, &ImportExportDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &ImportExportDialog::reject);

    // The program's own icon menu, with the types' 32 x 32 pictures.
    typeMenu_ = new IconMenu(this);
    typeMenu_->setObjectName(QString::number(ids::kExchangeTypeMenu));
    typeMenu_->setItemIconSize(QSize(32, 32));
    for (const FormatTexts& f : kFormats) {
        // A browser's own store is only read.
        if (isExport && !f.exports)
            continue;
        QAction* action = typeMenu_->addAction(QString::fromUtf8(f.menuText));
        action->setData(f.command);
        typeMenu_->setItemIcon(action, resourceIcon(f.icon));
    }

    profileCombo_ = new QComboBox;
    profileCombo_->setObjectName(QString::number(ids::kExchangeProfileCombo));
    profileCombo_->setVisible(false);
    connect(profileCombo_, &QComboBox::activated, this, [this](int index) {
        QString path = profileCombo_->itemData(index).toString();
        if (!path.isEmpty())
            pathEdit_->setText(path);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel_);
    top->addWidget(typeButton_, 1, Qt::AlignLeft);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit_, 1);
    pathRow->addWidget(browseButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(pathLabel_);
    layout->addWidget(profileCombo_);
    layout->addLayout(pathRow);
    layout->addWidget(allRadio_);
    layout->addWidget(selectedRadio_);
    layout->addLayout(buttons);
    pathEdit_->setFocus();
}

ExchangeFormat ImportExportDialog::format() const {
    return exchangeFormatFor(exchangeKind_);
}

QString ImportExportDialog::exchangePath() const {
    return pathEdit_->text();
}

int ImportExportDialog::exchangeScope() const {
    return selectedRadio_->isEnabled() && selectedRadio_->isChecked() ? 1 : 0;
}

void ImportExportDialog::chooseFormat(int commandId) {
    const FormatTexts& f = textsFor(commandId);
    if (isExport_ && !f.exports)
        return;
    exchangeKind_ = f.command;
    pathEdit_->setText(
        fromPath(defaultExchangePath(format(), selectedName_.toStdString(), folders_)));
    typeButton_->setText(QString::fromUtf8(isExport_ ? f.exportButton : f.importButton));
    typeButton_->setIcons(resourceIcon(f.icon));
    pathLabel_->setText(QString::fromUtf8(f.pathLabel));
    profileCombo_->setVisible(isBrowserProfile(format()));
    if (isBrowserProfile(format()))
        fillProfiles();
}

void ImportExportDialog::fillProfiles() {
    BrowserProfiles found = BrowserProfiles::forCurrentUser();
    std::vector<BrowserProfile> profiles =
        format() == ExchangeFormat::FirefoxProfile ? found.firefox() : found.chromium();
    profileCombo_->clear();
    for (const BrowserProfile& profile : profiles) {
        QString text = QString::fromStdString(profile.browser) + QStringLiteral(" — ") +
                       QString::fromStdString(profile.name);
        if (profile.isDefault)
            text += QString::fromUtf8("（默认）");
        profileCombo_->addItem(text, fromPath(profile.path));
    }
    profileCombo_->setEnabled(!profiles.empty());
    if (profiles.empty()) {
        profileCombo_->addItem(QString::fromUtf8("（没有找到配置文件）"));
        pathEdit_->clear();
        return;
    }
    profileCombo_->setCurrentIndex(0);
    pathEdit_->setText(fromPath(profiles.front().path));
}

void ImportExportDialog::showTypeMenu() {
    QAction* chosen = typeMenu_->exec(typeButton_->mapToGlobal(typeButton_->rect().bottomLeft()));
    if (chosen)
        chooseFormat(chosen->data().toInt());
}

void ImportExportDialog::browse() {
    QFileDialog dialog(this);
    QFileInfo current(pathEdit_->text());
    if (exchangeKind_ == ids::kShortcutFolderFormat || exchangeKind_ == ids::kFirefoxFormat) {
        dialog.setWindowTitle(QString::fromUtf8(exchangeKind_ == ids::kFirefoxFormat
                                                    ? "请选择Firefox配置文件的目录:"
                                                    : "请选择Internet Explore收藏夹的目录:"));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (current.isDir())
            dialog.setDirectory(current.absoluteFilePath());
    } else if (exchangeKind_ == ids::kChromiumFormat) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(QString::fromUtf8("Chromium书签文件(Bookmarks)"));
        if (current.dir().exists())
            dialog.setDirectory(current.dir().absolutePath());
    } else if (exchangeKind_ == ids::kBookmarkFileFormat || exchangeKind_ == ids::kXbelFileFormat) {
        const bool xbel = exchangeKind_ == ids::kXbelFileFormat;
        dialog.setAcceptMode(isExport_ ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(isExport_ ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(xbel ? QStringLiteral("xbel") : QStringLiteral("html"));
        dialog.setNameFilter(xbel ? QString::fromUtf8("XBEL书签文件(*.xbel *.xml)")
                                  : QString::fromUtf8("浏览器书签文件(*.html *.htm)"));
        if (current.dir().exists())
            dialog.setDirectory(current.dir().absolutePath());
        dialog.selectFile(xbel ? QStringLiteral("bookmarks.xbel")
                               : QStringLiteral("bookmarks.html"));
    } else {
        const bool html = exchangeKind_ == ids::kHtmlFileFormat;
        dialog.setAcceptMode(isExport_ ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(isExport_ ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(html ? QStringLiteral("htm") : QStringLiteral("bvk"));
        dialog.setNameFilter(html ? QString::fromUtf8("HTML文件(*.htm *.html)")
                                  : QString::fromUtf8("Brivanta文件(*.bvk)"));
        if (current.dir().exists())
            dialog.setDirectory(current.dir().absolutePath());
        dialog.selectFile(html ? QStringLiteral("favorites.htm") : QStringLiteral("favorites.bvk"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    pathEdit_->setText(dialog.selectedFiles().constFirst());
}

void ImportExportDialog::error(const QString& text) {
    failBox(this, QString::fromUtf8("错误"), text);
}

bool ImportExportDialog::offerToCreate(const std::string& folder) {
    if (!askBox(this, QString::fromUtf8("导出"),
                QString::fromUtf8("目录 “%1” 不存在。\n要创建它吗？").arg(fromPath(folder)))) {
        pathEdit_->setFocus();
        return false;
    }
    if (FileError made = createFolders(folder)) {
        error(QString::fromUtf8("无法创建目录 “%1”：%2")
                  .arg(fromPath(made.path),
                       QString::fromStdString(text::systemErrorText(made.errorNumber))));
        return false;
    }
    return true;
}

void ImportExportDialog::accept() {
    // A desktop program's working directory is wherever it was started from: a blank or
    // relative path would read or write somewhere the user cannot see. Browser profiles have
    // their own message for an empty path.
    const QString typed = pathEdit_->text();
    if (!isBrowserProfile(format())) {
        if (typed.trimmed().isEmpty()) {
            error(QString::fromUtf8("请输入完整路径（以 / 开头）。"));
            pathEdit_->setFocus();
            return;
        }
        if (!QDir::isAbsolutePath(typed)) {
            error(QString::fromUtf8("“%1” 不是完整路径。\n请输入以 / 开头的路径。").arg(typed));
            pathEdit_->setFocus();
            return;
        }
    }
    ExchangeCheckResult check = checkExchangePath(format(), isExport_, toPath(pathEdit_->text()));
    pathEdit_->setText(fromPath(check.path));
    switch (check.outcome) {
        case ExchangeCheck::MissingFolder:
            // A new user's documents or favorites folder may not exist yet: an export may make
            // it, once the user agrees. Something else in its place stays an error.
            if (isExport_ && !existsAsAnything(check.folder)) {
                if (offerToCreate(check.folder))
                    accept();
                return;
            }
            error(QString::fromUtf8("指定的目录不存在!\n") + fromPath(check.folder));
            return;
        case ExchangeCheck::MissingFile:
            error(QString::fromUtf8("指定的文件不存在!\n") + fromPath(check.path));
            return;
        case ExchangeCheck::NoProfile: {
            BrowserProfiles searched = BrowserProfiles::forCurrentUser();
            if (format() == ExchangeFormat::FirefoxProfile)
                error(QString::fromUtf8("找不到Firefox配置文件!\n") +
                      fromPath(searched.firefoxRoot() + "/profiles.ini"));
            else
                error(QString::fromUtf8("找不到Chromium / Chrome的书签文件!\n") +
                      fromPath(searched.chromiumRoot()));
            return;
        }
        case ExchangeCheck::ImportOnly:
            error(QString::fromUtf8("这种格式只能导入。"));
            return;
        case ExchangeCheck::AskOverwrite: {
            if (!askBox(this, QString::fromUtf8("导出"),
                        fromPath(check.path) + QString::fromUtf8("已经存在。\n要替换吗？")))
                return;
            break;
        }
        case ExchangeCheck::Accepted:
            break;
    }
    done(ids::kIdOk);
}

void ImportExportDialog::reject() {
    done(ids::kIdCancel);
}

}  // namespace brivanta
