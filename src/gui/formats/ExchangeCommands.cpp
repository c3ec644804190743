#include "gui/formats/ExchangeCommands.h"
#include "gui/controls/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <memory>

#include "core/formats/BookmarkExchange.h"
#include "core/formats/Exchange.h"
#include "gui/controls/BusyWindow.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/UserFolders.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {

// The busy window and the wait cursor for the life of the routine.
class BusyStep {
  public:
    BusyStep(QWidget* owner, const QString& caption)
        : window_(std::make_unique<BusyWindow>(owner)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window_->setStepText(caption);
        clock_.start();
    }
    ~BusyStep() { close(); }
    BusyStep(const BusyStep&) = delete;
    BusyStep& operator=(const BusyStep&) = delete;

    // Shows the entry being worked on; a million entries go by in about a second, so the
    // window is repainted a few times a second, not once per entry.
    ArchiveProgress progress() {
        return [this](const std::string& name) {
            if (window_ && clock_.elapsed() >= 100) {
                window_->setStepText(fromGbk(name));
                clock_.restart();
            }
        };
    }
    void close() {
        if (window_) {
            window_.reset();
            QApplication::restoreOverrideCursor();
        }
    }

  private:
    std::unique_ptr<BusyWindow> window_;
    QElapsedTimer clock_;
};

std::string toPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString selectedText(const BookmarkTree& tree, ItemId selected) {
    return selected != kNoItem && tree.contains(selected) ? fromGbk(tree.label(selected))
                                                          : QString();
}

}  // namespace

void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected, const ExchangeFolders& folders,
               const AddedEntries& added) {
    ImportExportDialog dialog(false, selectedText(tree, selected), folders, owner);
    if (dialog.exec() != ids::kIdOk)
        return;
    ItemId parent = dialog.exchangeScope() == 1 ? selected : kNoItem;
    // Every kind of import merges, returns the entries it added and ends with the same summary.
    ImportSummary summary;
    {
        BusyStep busy(owner, QString::fromUtf8("正在导入..."));
        summary = importBookmarks(tree, dialog.format(), toPath(dialog.exchangePath()), parent,
                                  busy.progress());
    }
    if (added)
        added(summary.roots);
    QString text = QString::fromStdString(importSummaryText(summary));
    if (summary.failure.empty() && !summary.full && !summary.budget.stopped() &&
        summary.notes.empty())
        informBox(owner, QString::fromUtf8("导入完毕"), text);
    else
        warnBox(owner, QString::fromUtf8("导入"), text);
}

void runImport(QWidget* owner, BookmarkTree& tree, ItemId selected, const AddedEntries& added) {
    runImport(owner, tree, selected, userExchangeFolders(), added);
}

void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected,
               const ExchangeFolders& folders) {
    if (tree.empty())
        return;
    ImportExportDialog dialog(true, selectedText(tree, selected), folders, owner);
    if (dialog.exec() != ids::kIdOk)
        return;
    ItemId start = dialog.exchangeScope() == 1 ? selected : kNoItem;
    const QString path = dialog.exchangePath();
    ExportResult result;
    {
        BusyStep busy(owner, QString::fromUtf8("正在准备..."));
        exportExchange(tree, dialog.format(), toPath(path), start, busy.progress(), &result);
    }
    if (result.notWritten > 0) {
        // Every entry that did not reach the target is told, not only the first.
        warnBox(owner, QStringLiteral("Brivanta"),
                QString::fromStdString(result.text(toPath(path))));
        return;
    }
    if (dialog.format() != ExchangeFormat::HtmlPage)
        return;
    if (askBox(owner, QString::fromUtf8("导出HTML文件"),
               QString::fromUtf8("HTML文件导出完毕！\n您现在需要打开吗?")))
        openAddressOrTell(owner, QFileInfo(path).absoluteFilePath());
}

void runExport(QWidget* owner, BookmarkTree& tree, ItemId selected) {
    runExport(owner, tree, selected, userExchangeFolders());
}

void registerExchangeCommands(CommandRegistry& commands, QWidget* owner,
                              const std::function<BookmarkTreeView*(int treeControl)>& view,
                              const std::function<TreeUndo*(int treeControl)>& history) {
    commands.setTreeHandler(ids::kImport, [owner, view, history](int target) {
        BookmarkTreeView* shown = view(target);
        TreeUndo* steps = history(target);
        if (!shown || !steps)
            return;
        runImport(owner, shown->tree(), shown->currentItem(),
                  [steps](const std::vector<ItemId>& roots) { steps->recordAdded(roots); });
    });
    commands.setTreeHandler(ids::kExport, [owner, view](int target) {
        if (BookmarkTreeView* shown = view(target))
            runExport(owner, shown->tree(), shown->currentItem());
    });
}

}  // namespace brivanta
