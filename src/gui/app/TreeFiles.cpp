#include "gui/app/TreeFiles.h"

#include <QMessageBox>
#include <QPushButton>

#include "core/app/LoginSession.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

TreeFiles::TreeFiles(QWidget& window, CommandRegistry& commands, LoginSession& login, Hooks hooks)
    : window_(window), commands_(commands), login_(login), hooks_(std::move(hooks)) {}

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
    // What was just read is what the files hold.
    for (int kind : {kCustomTree, kRecommendedTree, kAddressBookTree}) {
        if (TreeUndo* history = hooks_.history(kind))
            history->markSaved();
    }
}

bool TreeFiles::saveShown() {
    TreeSave saved = login_.save(hooks_.shownTree());
    if (std::string said = saved.message(); !said.empty())
        QMessageBox::warning(&window_, QStringLiteral("Brivanta"), QString::fromStdString(said));
    return !saved.failed();
}

bool TreeFiles::saveBeforeClosing(bool mayStayOpen) {
    for (;;) {
        QStringList failures;
        QStringList kept;
        // A failed save does not stop the others; each is tried again on a retry.
        for (const TreeSave& saved : login_.saveChanged())
            (saved.failed() ? failures : kept) << QString::fromStdString(saved.message());
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

}  // namespace brivanta
