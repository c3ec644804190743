#include "gui/app/TreeFiles.h"

#include <QMessageBox>
#include <QPushButton>

#include "core/app/LoginSession.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

namespace brivanta {

TreeFiles::TreeFiles(QWidget& window, CommandRegistry& commands, LoginSession& login,
                     std::function<int()> shownTree)
    : window_(window), commands_(commands), login_(login), shownTree_(std::move(shownTree)) {}

void TreeFiles::registerCommands() {
    commands_.setHandler(ids::kSave, [this] { saveShown(); });
}

void TreeFiles::open(NodeIconChooser* icons) {
    // A file read only in part is said at once: the user may want to repair it before
    // anything is saved over it (which keeps the original beside it first).
    QStringList damaged;
    for (const TreeLoad& load : login_.openTrees(icons))
        damaged << QString::fromStdString(load.message());
    if (!damaged.isEmpty())
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"), damaged.join(u'\n'));
}

bool TreeFiles::saveShown() {
    TreeSave saved = login_.save(shownTree_());
    if (saved.changedElsewhere)
        saved = resolveChangedElsewhere(saved, true);
    if (std::string said = saved.message(); !said.empty())
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"), QString::fromStdString(said));
    return !saved.failed();
}

bool TreeFiles::saveBeforeClosing(bool mayStayOpen) {
    for (;;) {
        QStringList failures;
        QStringList kept;
        // A failed save does not stop the others; each is tried again on a retry.
        for (TreeSave saved : login_.saveChanged()) {
            if (saved.changedElsewhere)
                saved = resolveChangedElsewhere(saved, mayStayOpen);
            (saved.failed() ? failures : kept) << QString::fromStdString(saved.message());
        }
        kept.removeAll(QString());
        if (!kept.isEmpty())
            QMessageBox::information(&window_, QStringLiteral("Brivanta"), kept.join(u'\n'));
        if (failures.isEmpty())
            return true;
        if (!mayStayOpen) {
            QMessageBox::warning(&window_, QStringLiteral("Brivanta"), failures.join(u'\n'));
            return true;
        }
        // Closing now would throw away whatever the file did not get: let the user decide.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Brivanta"), failures.join(u'\n'),
                        QMessageBox::NoButton, &window_);
        box.setInformativeText(
            QString::fromUtf8("未能保存的内容还在窗口里。腾出磁盘空间或改正权限后可以“重试”；"
                              "选“关闭，不保存”会丢失这些内容。"));
        QPushButton* retry = box.addButton(QString::fromUtf8("重试"), QMessageBox::AcceptRole);
        QPushButton* stay = box.addButton(QString::fromUtf8("不关闭"), QMessageBox::RejectRole);
        QPushButton* discard =
            box.addButton(QString::fromUtf8("关闭，不保存"), QMessageBox::DestructiveRole);
        box.setDefaultButton(retry);
        box.setEscapeButton(stay);
        box.exec();
        if (box.clickedButton() == retry)
            continue;
        return box.clickedButton() == discard;
    }
}

TreeSave TreeFiles::resolveChangedElsewhere(const TreeSave& refused, bool mayAsk) {
    bool overwrite = false;
    if (mayAsk) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Brivanta"),
                        QString::fromUtf8("文件 “%1” 在本次运行中被其他程序改过。")
                            .arg(QString::fromStdString(refused.path)),
                        QMessageBox::NoButton, &window_);
        box.setInformativeText(
            QString::fromUtf8("“合并”保留文件里现在的条目，再加上这里有而文件里没有的条目；"
                              "“覆盖”用这里的内容替换文件，其他程序的改动会丢失。"));
        QPushButton* merge = box.addButton(QString::fromUtf8("合并"), QMessageBox::AcceptRole);
        QPushButton* replace =
            box.addButton(QString::fromUtf8("覆盖"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(merge);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() != merge && box.clickedButton() != replace)
            return refused;
        overwrite = box.clickedButton() == replace;
    }
    if (!overwrite) {
        if (FileError error = login_.mergeWithFile(refused.treeKind)) {
            TreeSave failed = refused;
            failed.changedElsewhere = false;
            failed.error = error;
            return failed;
        }
    }
    return login_.save(refused.treeKind, overwrite);
}

}  // namespace brivanta
