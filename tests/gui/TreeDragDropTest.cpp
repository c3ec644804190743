#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>
#include <QUrl>
#include <memory>

#include "GuiTestSupport.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeEditing.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;

namespace {

// F{a; S{b;}}; L, shown in a view with the editing commands, as the main window has them.
struct Dragging {
    explicit Dragging(int kind = kCustomTree) : tree(kind) {
        NamedIconList::fillTreeIcons(icons);
        tree.setIconChooser(&icons);
        folder = tree.InsertNode({"F", "", ""});
        a = tree.InsertNode({"a", "http://a.example.com", ""}, folder);
        sub = tree.InsertNode({"S", "", ""}, folder);
        b = tree.InsertNode({"b", "b.doc", ""}, sub);
        link = tree.InsertNode({"L", "www.l.com", ""});
        model = std::make_unique<BookmarkTreeModel>(tree, &icons);
        window = std::make_unique<QWidget>();
        window->resize(240, 320);
        view = new BookmarkTreeView(model.get(), kind, window.get());
        view->resize(240, 320);
        editor = new TreeEditor(commands, window.get());
        editor->addView(view);
        editor->setActiveView(view);
        editor->registerCommands();
        window->show();
        view->expandAll();
    }
    QPoint centre(ItemId item) const { return view->visualRect(model->indexOf(item)).center(); }
    // A point below every row.
    QPoint emptySpace() const { return {20, view->viewport()->height() - 20}; }

    // Sends the enter, move and drop of a drag to the view; returns whether the drop was
    // taken, and the action it was taken with in `action`.
    bool drop(const QMimeData& data, QPoint at, Qt::DropActions actions = Qt::MoveAction,
              Qt::DropAction* action = nullptr) {
        QWidget* port = view->viewport();
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &move);
        highlighted = view->dropTarget();
        QDropEvent dropped(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &dropped);
        if (action)
            *action = dropped.dropAction();
        return dropped.isAccepted();
    }
    bool dragEntry(ItemId item, QPoint at) {
        std::unique_ptr<QMimeData> data(view->mimeDataForDrag(item));
        return drop(*data, at);
    }
    // "name|address" of the children of `parent`, in order.
    QStringList children(ItemId parent) const {
        QStringList out;
        for (int row = 0; row < tree.childCount(parent); ++row) {
            ItemId item = tree.child(parent, row);
            out << fromGbk(tree.label(item)) + u'|' + fromGbk(tree.LookupRecord(item)->address);
        }
        return out;
    }

    NamedIconList icons;
    BookmarkTree tree;
    ItemId folder, a, sub, b, link;
    CommandRegistry commands;
    std::unique_ptr<BookmarkTreeModel> model;
    std::unique_ptr<QWidget> window;
    BookmarkTreeView* view = nullptr;
    TreeEditor* editor = nullptr;
    ItemId highlighted = kNoItem;
};

QMimeData* urlData(const QList<QUrl>& urls, const QString& text = {}) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    if (!text.isNull())
        data->setText(text);
    return data;
}

}  // namespace

Q_DECLARE_METATYPE(brivanta::ItemId)

class TreeDragDropTest : public QObject {
    Q_OBJECT
  private slots:
    void dragOntoALinkMovesTheSubtreeThere_data();
    void dragOntoALinkMovesTheSubtreeThere();
    void nothingMovesIntoTheDraggedSubtree_data();
    void nothingMovesIntoTheDraggedSubtree();
    void releaseOverEmptySpaceMovesToTheTopLevel();
    void releaseOutsideTheWindowMovesToTheTopLevel_data();
    void releaseOutsideTheWindowMovesToTheTopLevel();
    void releaseThatMovesNothing_data();
    void releaseThatMovesNothing();
    void dragOfTheMarkedEntryKeepsTheMark();
    void dragFromAnotherViewIsNoMove();
    void filesAndTextFromOtherProgramsBecomeEntries_data();
    void filesAndTextFromOtherProgramsBecomeEntries();
    void externalDropsNeverMoveTheOriginal();
    void externalDragOpensTheFolderUnderThePointer();
    void addressBookTakesOnlyItsOwnEntries();
    void dragNearTheBottomScrolls();
};

void TreeDragDropTest::dragOntoALinkMovesTheSubtreeThere_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("custom") << kCustomTree;
    QTest::newRow("recommended") << kRecommendedTree;
    QTest::newRow("address book") << kAddressBookTree;
}

void TreeDragDropTest::dragOntoALinkMovesTheSubtreeThere() {
    QFETCH(int, kind);
    Dragging d(kind);
    QVERIFY(d.dragEntry(d.sub, d.centre(d.link)));
    QCOMPARE(d.highlighted, d.link);
    QCOMPARE(d.view->dropTarget(), kNoItem);  // the highlight goes with the drop
    QCOMPARE(d.children(kNoItem), (QStringList{"F|", "L|www.l.com"}));
    QCOMPARE(d.children(d.folder), QStringList{"a|http://a.example.com"});
    ItemId moved = d.tree.child(d.link, 0);
    QCOMPARE(d.children(d.link), QStringList{"S|"});
    QCOMPARE(d.children(moved), QStringList{"b|b.doc"});
    // The target opens to show what arrived, and is where the selection rests.
    QVERIFY(d.view->isExpanded(d.model->indexOf(d.link)));
    QCOMPARE(d.view->currentItem(), d.link);
}

void TreeDragDropTest::nothingMovesIntoTheDraggedSubtree_data() {
    QTest::addColumn<int>("target");  // 0 itself, 1 its child, 2 its grandchild
    QTest::newRow("onto itself") << 0;
    QTest::newRow("onto its child") << 1;
    QTest::newRow("onto its grandchild") << 2;
}

void TreeDragDropTest::nothingMovesIntoTheDraggedSubtree() {
    QFETCH(int, target);
    Dragging d;
    ItemId onto = target == 0 ? d.folder : target == 1 ? d.sub : d.b;
    QStringList top = d.children(kNoItem);
    QStringList inside = d.children(d.sub);
    QVERIFY(!d.dragEntry(d.folder, d.centre(onto)));
    QCOMPARE(d.children(kNoItem), top);
    QCOMPARE(d.children(d.sub), inside);
    QVERIFY(d.tree.contains(d.folder));
}

void TreeDragDropTest::releaseOverEmptySpaceMovesToTheTopLevel() {
    Dragging d;
    QVERIFY(!d.view->indexAt(d.emptySpace()).isValid());
    QVERIFY(d.dragEntry(d.a, d.emptySpace()));
    QCOMPARE(d.highlighted, kNoItem);
    QCOMPARE(d.children(kNoItem), (QStringList{"F|", "L|www.l.com", "a|http://a.example.com"}));
}

void TreeDragDropTest::releaseOutsideTheWindowMovesToTheTopLevel_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("custom") << kCustomTree;
    QTest::newRow("recommended") << kRecommendedTree;
    QTest::newRow("address book") << kAddressBookTree;
}

void TreeDragDropTest::releaseOutsideTheWindowMovesToTheTopLevel() {
    QFETCH(int, kind);
    Dragging d(kind);
    const QStringList before = d.children(kNoItem);
    const QPoint outside = d.window->frameGeometry().bottomRight() + QPoint(40, 40);
    QVERIFY(d.view->finishDrag(d.sub, Qt::IgnoreAction, outside, false));
    QCOMPARE(d.children(kNoItem), (QStringList{"F|", "L|www.l.com", "S|"}));
    QCOMPARE(d.children(d.tree.child(kNoItem, 2)), QStringList{"b|b.doc"});
    // One step, which undo takes back.
    TreeUndo* history = d.editor->history(kind);
    QCOMPARE(history->stack()->count(), 1);
    d.editor->undo(*d.view);
    QCOMPARE(d.children(kNoItem), before);
    QCOMPARE(d.children(d.folder), (QStringList{"a|http://a.example.com", "S|"}));
}

void TreeDragDropTest::releaseThatMovesNothing_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("inside");
    QTest::addColumn<bool>("escaped");
    QTest::addColumn<bool>("last");  // the dragged entry ends the top level already
    QTest::newRow("over the window") << int(Qt::IgnoreAction) << true << false << false;
    QTest::newRow("cancelled with Escape") << int(Qt::IgnoreAction) << false << true << false;
    QTest::newRow("taken by another program") << int(Qt::MoveAction) << false << false << false;
    QTest::newRow("last entry already") << int(Qt::IgnoreAction) << false << false << true;
}

void TreeDragDropTest::releaseThatMovesNothing() {
    QFETCH(int, result);
    QFETCH(bool, inside);
    QFETCH(bool, escaped);
    QFETCH(bool, last);
    Dragging d;
    const QStringList before = d.children(kNoItem);
    const QRect frame = d.window->frameGeometry();
    const QPoint at = inside ? frame.center() : frame.bottomRight() + QPoint(40, 40);
    QVERIFY(
        !d.view->finishDrag(last ? d.link : d.a, static_cast<Qt::DropAction>(result), at, escaped));
    QCOMPARE(d.children(kNoItem), before);
    QCOMPARE(d.editor->history(kCustomTree)->stack()->count(), 0);
}

void TreeDragDropTest::dragOfTheMarkedEntryKeepsTheMark() {
    Dragging d;
    markForCut(d.tree, d.sub);
    QVERIFY(d.dragEntry(d.sub, d.centre(d.link)));
    ItemId moved = d.tree.child(d.link, 0);
    QCOMPARE(d.tree.pasteSource(), moved);
    // The moved subtree is pasted again, as a copy: nothing more is removed.
    QVERIFY(d.commands.action(ids::kPaste)->isEnabled());
    d.view->setCurrentIndex({});
    d.editor->paste(*d.view);
    QCOMPARE(d.children(kNoItem), (QStringList{"F|", "L|www.l.com", "S|"}));
    QCOMPARE(d.children(d.link), QStringList{"S|"});

    // Dragging the folder that holds the mark takes the mark away with it.
    Dragging e;
    markForCopy(e.tree, e.b);
    QVERIFY(e.dragEntry(e.folder, e.centre(e.link)));
    QCOMPARE(e.tree.pasteSource(), kNoItem);
    QVERIFY(!e.commands.action(ids::kPaste)->isEnabled());
}

void TreeDragDropTest::dragFromAnotherViewIsNoMove() {
    Dragging d;
    Dragging other;
    std::unique_ptr<QMimeData> data(other.view->mimeDataForDrag(other.a));
    QCOMPARE(d.view->draggedEntry(data.get()), kNoItem);
    QStringList top = d.children(kNoItem);
    QVERIFY(!d.drop(*data, d.centre(d.link)));
    QCOMPARE(d.children(kNoItem), top);
    QCOMPARE(other.children(other.folder), (QStringList{"a|http://a.example.com", "S|"}));
}

void TreeDragDropTest::filesAndTextFromOtherProgramsBecomeEntries_data() {
    QTest::addColumn<QString>("file");   // made in the test's home and dropped as a URL
    QTest::addColumn<QString>("url");    // dropped as a URL unless empty
    QTest::addColumn<QString>("text");   // dropped as text unless null
    QTest::addColumn<bool>("onTarget");  // over the link L, else over empty space
    QTest::addColumn<QString>("entry");  // "name|address"; "~" stands for the home
    QTest::newRow("file") << "notes.txt"
                          << "" << QString() << true << "notes|~/notes.txt";
    QTest::newRow("file without a dot") << "README"
                                        << "" << QString() << false << "README|~/README";
    QTest::newRow("symbolic link") << "link>real/report.final.pdf"
                                   << "" << QString() << true << "report|~/real/report.final.pdf";
    QTest::newRow("desktop link") << "Docs.desktop>real/manual.html"
                                  << "" << QString() << false << "manual|~/real/manual.html";
    QTest::newRow("web address as text")
        << ""
        << ""
        << "https://example.com/news" << true << "example.com/news|https://example.com/news";
    QTest::newRow("text without //") << ""
                                     << "" << QString::fromUtf8(" 你好 世界\n") << false
                                     << QString::fromUtf8("你好 世界|你好 世界");
    QTest::newRow("browser link with its text")
        << ""
        << "http://e.org/a"
        << "http://e.org/a" << true << "e.org/a|http://e.org/a";
    QTest::newRow("address without text") << ""
                                          << "ftp://files.example.org/x" << QString() << false
                                          << "files.example.org/x|ftp://files.example.org/x";
}

void TreeDragDropTest::filesAndTextFromOtherProgramsBecomeEntries() {
    QFETCH(QString, file);
    QFETCH(QString, url);
    QFETCH(QString, text);
    QFETCH(bool, onTarget);
    QFETCH(QString, entry);
    test::TempHome home;
    QString homePath = QDir(QString::fromStdString(home.path())).canonicalPath();
    QList<QUrl> urls;
    if (!file.isEmpty()) {
        QStringList parts = file.split(u'>');
        QString dropped = parts.front();
        if (parts.size() == 2) {
            QDir(homePath).mkpath(QStringLiteral("real"));
            QFile target(QDir(homePath).filePath(parts.back()));
            QVERIFY(target.open(QIODevice::WriteOnly));
            if (dropped.endsWith(QLatin1String(".desktop"))) {
                QByteArray link = "[Desktop Entry]\nType=Link\nName=Docs\nURL=" +
                                  QUrl::fromLocalFile(target.fileName()).toEncoded() + "\n";
                home.write(dropped, link);
            } else {
                // A relative link in the home, dropped by its path relative to the working
                // directory (which the test leaves alone).
                QVERIFY(QFile::link(parts.back(), QDir(homePath).filePath(dropped)));
                dropped = QDir::current().relativeFilePath(QDir(homePath).filePath(dropped));
                QVERIFY(QDir::isRelativePath(dropped));
            }
        } else {
            home.write(dropped, "x");
        }
        urls << (parts.size() == 2 && !dropped.endsWith(QLatin1String(".desktop"))
                     ? QUrl::fromLocalFile(dropped)
                     : QUrl::fromLocalFile(QDir(homePath).filePath(dropped)));
    }
    if (!url.isEmpty())
        urls << QUrl(url);
    Dragging d;
    std::unique_ptr<QMimeData> data(urlData(urls, text));
    QPoint at = onTarget ? d.centre(d.link) : d.emptySpace();
    QVERIFY(d.drop(*data, at, Qt::CopyAction | Qt::LinkAction));
    QString expected = entry.replace(u'~', homePath);
    if (onTarget) {
        QCOMPARE(d.children(d.link), QStringList{expected});
        QVERIFY(d.view->isExpanded(d.model->indexOf(d.link)));
    } else {
        QCOMPARE(d.children(kNoItem), (QStringList{"F|", "L|www.l.com", expected}));
    }
}

void TreeDragDropTest::externalDropsNeverMoveTheOriginal() {
    Dragging d;
    std::unique_ptr<QMimeData> data(urlData({}, QStringLiteral("http://e.org")));
    Qt::DropAction action = Qt::IgnoreAction;
    QVERIFY(
        d.drop(*data, d.emptySpace(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &action));
    QCOMPARE(action, Qt::LinkAction);
    QVERIFY(d.drop(*data, d.emptySpace(), Qt::CopyAction | Qt::MoveAction, &action));
    QCOMPARE(action, Qt::CopyAction);
    // Only a move offered: refused, since the other program would delete what it sent.
    QVERIFY(!d.drop(*data, d.emptySpace(), Qt::MoveAction));
    QCOMPARE(d.tree.childCount(kNoItem), 4);
    // Blank text makes no entry.
    std::unique_ptr<QMimeData> blank(urlData({}, QStringLiteral("  \n")));
    QVERIFY(!d.drop(*blank, d.emptySpace(), Qt::CopyAction));
    QCOMPARE(d.tree.childCount(kNoItem), 4);
}

void TreeDragDropTest::externalDragOpensTheFolderUnderThePointer() {
    Dragging d;
    d.view->collapseAll();
    QVERIFY(!d.view->isExpanded(d.model->indexOf(d.folder)));
    std::unique_ptr<QMimeData> data(urlData({}, QStringLiteral("http://e.org")));
    QPoint at = d.centre(d.folder);
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(d.view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(d.view->viewport(), &move);
    QVERIFY(move.isAccepted());
    QVERIFY(d.view->isExpanded(d.model->indexOf(d.folder)));
    QCOMPARE(d.view->dropTarget(), d.folder);
    // An empty folder keeps its closed picture while something is held over it.
    ItemId empty = d.tree.InsertNode({"E", "", ""});
    QDragMoveEvent overEmpty(d.centre(empty), Qt::CopyAction, data.get(), Qt::LeftButton,
                             Qt::NoModifier);
    QCoreApplication::sendEvent(d.view->viewport(), &overEmpty);
    QCOMPARE(d.view->dropTarget(), empty);
    QCOMPARE(d.tree.image(empty), kClosedFolderImage);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(d.view->viewport(), &leave);
    QCOMPARE(d.view->dropTarget(), kNoItem);
}

void TreeDragDropTest::addressBookTakesOnlyItsOwnEntries() {
    Dragging d(kAddressBookTree);
    QVERIFY(!d.view->acceptsExternalDrops());
    test::TempHome home;
    home.write(QStringLiteral("x.txt"), "x");
    std::unique_ptr<QMimeData> files(urlData({QUrl::fromLocalFile(home.filePath("x.txt"))}));
    std::unique_ptr<QMimeData> text(urlData({}, QStringLiteral("http://e.org")));
    QVERIFY(!d.drop(*files, d.centre(d.link), Qt::CopyAction | Qt::LinkAction));
    QVERIFY(!d.drop(*text, d.emptySpace(), Qt::CopyAction | Qt::LinkAction));
    QDropEvent forced(d.emptySpace(), Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(d.view->viewport(), &forced);
    QVERIFY(!forced.isAccepted());
    QCOMPARE(d.tree.size(), size_t(5));
    // Its own entries still move.
    QVERIFY(d.dragEntry(d.a, d.emptySpace()));
    QCOMPARE(d.tree.childCount(kNoItem), 3);
}

void TreeDragDropTest::dragNearTheBottomScrolls() {
    Dragging d;
    for (int i = 0; i < 200; ++i)
        d.tree.InsertNode({"n" + std::to_string(i), "x", ""});
    QCoreApplication::processEvents();
    QScrollBar* bar = d.view->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
    std::unique_ptr<QMimeData> data(d.view->mimeDataForDrag(d.link));
    QWidget* port = d.view->viewport();
    QPoint bottom(40, port->height() - 3);
    QDragEnterEvent enter(bottom, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &enter);
    QDragMoveEvent move(bottom, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &move);
    int afterOne = bar->value();
    QVERIFY(afterOne > 0);
    // Resting there keeps scrolling.
    QTRY_VERIFY(bar->value() > afterOne);
    // Away from the edges it stops.
    QDragMoveEvent middle(QPoint(40, port->height() / 2), Qt::MoveAction, data.get(),
                          Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &middle);
    int resting = bar->value();
    QTest::qWait(200);
    QCOMPARE(bar->value(), resting);
    // Near the top it goes back up.
    QDragMoveEvent top(QPoint(40, 3), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &top);
    QVERIFY(bar->value() < resting);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(port, &leave);
}

QTEST_MAIN(TreeDragDropTest)
#include "TreeDragDropTest.moc"
