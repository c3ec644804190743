#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeEditing.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/DeleteConfirmDialog.h"
#include "gui/trees/DropRequest.h"
#include "gui/trees/EntryDialog.h"
#include "gui/trees/FolderNameDialog.h"
#include "gui/trees/TreeEditor.h"

using namespace brivanta;
using brivanta::test::ModalDriver;

namespace {

// One tree with its view and the editing commands, as the main window has them.
struct Editing {
    explicit Editing(int kind = kCustomTree) : tree(kind) {
        NamedIconList::fillTreeIcons(icons);
        tree.setIconChooser(&icons);
        model = std::make_unique<BookmarkTreeModel>(tree, &icons);
        window = std::make_unique<QWidget>();
        view = new BookmarkTreeView(model.get(), kind, window.get());
        editor = new TreeEditor(commands, window.get());
        editor->addView(view);
        editor->setActiveView(view);
        editor->registerCommands();
        window->show();
    }
    void select(ItemId item) { view->setCurrentIndex(model->indexOf(item)); }
    bool enabled(int id) { return commands.action(id)->isEnabled(); }

    NamedIconList icons;
    BookmarkTree tree;
    CommandRegistry commands;
    std::unique_ptr<BookmarkTreeModel> model;
    std::unique_ptr<QWidget> window;
    BookmarkTreeView* view = nullptr;
    TreeEditor* editor = nullptr;
};

QLineEdit* edit(QWidget* dialog, int id) {
    return dialog->findChild<QLineEdit*>(QString::number(id));
}

// Fills an entry dialog and confirms it, after checking what it showed.
std::function<void(QWidget*)> answerEntry(QString* shownName, QString name, QString address) {
    return [=](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kEntryDialog));
        if (shownName)
            *shownName = edit(dialog, ids::kEntryNameControl)->text();
        edit(dialog, ids::kEntryNameControl)->setText(name);
        edit(dialog, ids::kEntryAddressControl)->setText(address);
        static_cast<QDialog*>(dialog)->accept();
    };
}

}  // namespace

class TreeEditingTest : public QObject {
    Q_OBJECT
  private slots:
    void availabilityFollowsSelectionMarkAndContents();
    void newAndEditGoThroughTheEntryDialog();
    void browseFillsNameAndAddress_data();
    void browseFillsNameAndAddress();
    void deleteAsksTheRightQuestions();
    void cutIntoOwnSubtreeIsReported();
    void aFullTreeRefusesAPasteOrMoveWhole_data();
    void aFullTreeRefusesAPasteOrMoveWhole();
    void addressBookUsesFolderNamesAndTheContactHook();
    void renameKeepsTheTextAlsoOnEscape();
    void enterOpensAsDoubleClickDoes();
    void contactDetailsOfMailAndHomePageShowThoseIcons();
};

void TreeEditingTest::availabilityFollowsSelectionMarkAndContents() {
    Editing e;
    QVERIFY(e.enabled(ids::kNewEntry));
    for (int id : {ids::kEdit, ids::kCut, ids::kCopy, ids::kDelete, ids::kPaste})
        QVERIFY2(!e.enabled(id), qPrintable(QString::number(id)));
    ItemId folder = e.tree.InsertNode({"F", "", ""});
    ItemId link = e.tree.InsertNode({"L", "www.l.com", ""}, folder);
    QVERIFY(e.enabled(ids::kDelete));
    QVERIFY(!e.enabled(ids::kEdit));
    e.select(folder);
    QVERIFY(e.enabled(ids::kEdit) && e.enabled(ids::kCut) && e.enabled(ids::kCopy));
    QVERIFY(!e.enabled(ids::kPaste));
    e.select(link);
    e.commands.trigger(ids::kCopy);
    QVERIFY(e.enabled(ids::kPaste));
    e.select(folder);
    e.commands.trigger(ids::kPaste);
    QCOMPARE(e.tree.childCount(folder), 2);
    QVERIFY(e.view->isExpanded(e.model->indexOf(folder)));
    // Deleting the marked entry takes the mark along.
    e.tree.DeleteNode(e.tree.pasteSource());
    QVERIFY(!e.enabled(ids::kPaste));
    e.tree.DeleteNode();
    QVERIFY(!e.enabled(ids::kDelete));
    QVERIFY(!e.enabled(ids::kEdit));
}

void TreeEditingTest::newAndEditGoThroughTheEntryDialog() {
    Editing e;
    ItemId link = e.tree.InsertNode({"L", "www.l.com", ""});
    e.select(link);
    ModalDriver driver;
    driver.then(
        answerEntry(nullptr, QString::fromUtf8("新闻"), QStringLiteral("news.example.com")));
    QVERIFY(e.commands.trigger(ids::kNewEntry));
    QVERIFY(driver.allActionsRun());
    // A new entry under a link is the link's child; it is not selected.
    QCOMPARE(e.tree.childCount(link), 1);
    ItemId added = e.tree.firstChild(link);
    QCOMPARE(e.tree.label(added), text::gbk("新闻"));
    QCOMPARE(e.tree.LookupRecord(added)->address, std::string("news.example.com"));
    QCOMPARE(e.view->currentItem(), link);
    // An empty name adds nothing.
    driver.then(answerEntry(nullptr, QString(), QStringLiteral("x")));
    e.commands.trigger(ids::kNewEntry);
    QCOMPARE(e.tree.size(), size_t(2));

    // Edit shows the entry; a blank address makes it a folder.
    QString shown;
    driver.then(answerEntry(&shown, QStringLiteral("L2"), QStringLiteral("  ")));
    e.commands.trigger(ids::kEdit);
    QCOMPARE(shown, QStringLiteral("L"));
    QCOMPARE(e.tree.label(link), std::string("L2"));
    QCOMPARE(e.tree.image(link), kClosedFolderImage);
    // A mail address gives the mail image.
    driver.then(answerEntry(nullptr, QStringLiteral("L3"), QStringLiteral("me@example.com")));
    e.commands.trigger(ids::kEdit);
    QCOMPARE(e.tree.image(link), e.icons.indexOf(QStringLiteral("mailto")));
    QVERIFY(driver.allActionsRun());
}

void TreeEditingTest::browseFillsNameAndAddress_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::newRow("extension cut")
        << QString::fromUtf8("/srv/文档/报告.final.doc") << QString::fromUtf8("报告.final")
        << QString::fromUtf8("/srv/文档/报告.final.doc");
    QTest::newRow("no extension") << "/srv/README"
                                  << "README"
                                  << "/srv/README";
    QTest::newRow("dot file keeps its name") << "/home/u/.profile"
                                             << ".profile"
                                             << "/home/u/.profile";
    QTest::newRow("relative becomes absolute")
        << "docs/a.txt"
        << "a" << QDir::current().absoluteFilePath("docs/a.txt");
}

void TreeEditingTest::browseFillsNameAndAddress() {
    QFETCH(QString, chosen);
    QFETCH(QString, name);
    QFETCH(QString, address);
    EntryDialog dialog;
    dialog.setName(QStringLiteral("old"));
    dialog.setFileChooser([&](QWidget*) { return chosen; });
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(ids::kBrowseButton)),
                      Qt::LeftButton);
    QCOMPARE(dialog.name(), name);
    QCOMPARE(dialog.address(), address);
    // Cancelling the file dialog changes nothing.
    dialog.setFileChooser([](QWidget*) { return QString(); });
    dialog.browse();
    QCOMPARE(dialog.name(), name);
}

void TreeEditingTest::deleteAsksTheRightQuestions() {
    Editing e;
    ItemId a = e.tree.InsertNode({"a", "", ""});
    e.tree.InsertNode({"a1", "x.doc", ""}, a);
    ItemId b = e.tree.InsertNode({"b", "", ""});
    e.select(a);
    ModalDriver driver;
    QString label;
    driver.then([&](QWidget* dialog) {
        auto* selected =
            dialog->findChild<QRadioButton*>(QString::number(ids::kDeleteSelectedRadio));
        label = selected->text();
        QVERIFY(selected->isEnabled() && selected->isChecked());
        static_cast<QDialog*>(dialog)->accept();
    });
    e.commands.trigger(ids::kDelete);
    QCOMPARE(label, QString::fromUtf8("删除选中的项:[a]"));
    QCOMPARE(e.tree.size(), size_t(1));  // the subtree, and no second question
    QVERIFY(driver.messages().empty());

    // Nothing selected: only everything can go, after a second question.
    e.view->setCurrentIndex(QModelIndex());
    auto deleteAll = [&](QWidget* dialog) {
        auto* selected =
            dialog->findChild<QRadioButton*>(QString::number(ids::kDeleteSelectedRadio));
        QVERIFY(!selected->isEnabled());
        QVERIFY(static_cast<DeleteConfirmDialog*>(dialog)->choice() ==
                DeleteConfirmDialog::DeleteAll);
        static_cast<QDialog*>(dialog)->accept();
    };
    driver.then(deleteAll);
    driver.answerWith(QString::fromUtf8("取消"));
    e.commands.trigger(ids::kDelete);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("您真要删除全部内容?"));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("删除提示"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Question);
    QVERIFY(e.tree.contains(b));  // cancelled
    driver.answerWith(QString::fromUtf8("确定"));
    driver.then(deleteAll);
    e.commands.trigger(ids::kDelete);
    QVERIFY(e.tree.empty());
    // Cancel in the first dialog changes nothing.
    e.tree.InsertNode({"c", "", ""});
    driver.then([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    e.commands.trigger(ids::kDelete);
    QCOMPARE(e.tree.size(), size_t(1));
    QVERIFY(driver.allActionsRun());
}

void TreeEditingTest::cutIntoOwnSubtreeIsReported() {
    Editing e;
    ItemId folder = e.tree.InsertNode({"F", "", ""});
    ItemId child = e.tree.InsertNode({"c", "", ""}, folder);
    e.select(folder);
    e.commands.trigger(ids::kCut);
    e.select(child);
    ModalDriver driver;
    e.commands.trigger(ids::kPaste);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("删除节点出错"));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("无法删除节点：目标节点是源节点的子节点"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
    QVERIFY(e.tree.contains(folder));
    QCOMPARE(e.tree.childCount(child), 1);
    QVERIFY(e.view->isExpanded(e.model->indexOf(child)));
    QVERIFY(e.view->isExpanded(e.model->indexOf(e.tree.firstChild(child))));
}

void TreeEditingTest::aFullTreeRefusesAPasteOrMoveWhole_data() {
    QTest::addColumn<int>("way");  // 0: cut and paste, 1: copy and paste, 2: drag
    QTest::newRow("cut") << 0;
    QTest::newRow("copy") << 1;
    QTest::newRow("drag") << 2;
}

void TreeEditingTest::aFullTreeRefusesAPasteOrMoveWhole() {
    QFETCH(int, way);
    Editing e;
    ItemId folder = e.tree.InsertNode({"F", "", ""});
    e.tree.InsertNode({"a", "www.a.com", ""}, folder);
    e.tree.InsertNode({"b", "www.b.com", ""}, folder);
    ItemId target = e.tree.InsertNode({"T", "", ""});
    // Room for two more entries: the folder needs three.
    e.tree.setItemDataLimit(e.tree.nextItemData() + 2);
    ModalDriver driver;
    if (way == 2) {
        DropRequest drop;
        drop.dragged = folder;
        drop.target = target;
        e.editor->performDrop(*e.view, drop);
    } else {
        e.select(folder);
        e.commands.trigger(way == 0 ? ids::kCut : ids::kCopy);
        e.select(target);
        e.commands.trigger(ids::kPaste);
    }
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("粘贴节点出错"));
    QVERIFY(driver.messages()[0].text.contains(QString::fromUtf8("已达上限")));
    // Nothing lost, nothing half copied, and nothing to undo.
    QVERIFY(e.tree.contains(folder));
    QCOMPARE(e.tree.childCount(folder), 2);
    QCOMPARE(e.tree.childCount(target), 0);
    QCOMPARE(e.tree.size(), size_t(4));
    QVERIFY(!e.enabled(ids::kUndo));
}

void TreeEditingTest::addressBookUsesFolderNamesAndTheContactHook() {
    Editing e(kAddressBookTree);
    std::vector<bool> guard;
    e.editor->setDialogGuard([&](bool open) { guard.push_back(open); });
    ModalDriver driver;
    driver.then([](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QString::number(ids::kFolderNameDialog));
        static_cast<QDialog*>(dialog)->accept();  // an empty name is taken
    });
    e.commands.trigger(ids::kNewEntry);
    QCOMPARE(e.tree.size(), size_t(1));
    ItemId folder = e.tree.firstChild(kNoItem);
    QCOMPARE(e.tree.label(folder), std::string());
    QCOMPARE(guard, (std::vector<bool>{true, false}));

    e.select(folder);
    QString shown = QStringLiteral("unset");
    driver.then([&](QWidget* dialog) {
        auto* name = edit(dialog, ids::kFolderNameControl);
        shown = name->text();
        name->setText(QString::fromUtf8("同事"));
        static_cast<QDialog*>(dialog)->accept();
    });
    e.commands.trigger(ids::kEdit);
    QCOMPARE(shown, QString());
    QCOMPARE(e.tree.label(folder), text::gbk("同事"));
    QCOMPARE(e.tree.LookupRecord(folder)->name, text::gbk("同事"));

    // A contact goes to the contact dialog; a detail to the entry dialog.
    ItemId contact = e.tree.InsertNode({"Li", "", text::gbk("女")}, folder);
    ItemId detail = e.tree.InsertNode({"Email", "li@example.com", "Email"}, contact);
    ItemId edited = kNoItem;
    e.editor->setContactEditor([&](BookmarkTreeView&, ItemId item) { edited = item; });
    e.select(contact);
    e.commands.trigger(ids::kEdit);
    QCOMPARE(edited, contact);
    e.select(detail);
    driver.then(answerEntry(nullptr, QStringLiteral("Email"), QStringLiteral("li@example.org")));
    e.commands.trigger(ids::kEdit);
    QCOMPARE(e.tree.LookupRecord(detail)->tag, std::string("Email"));
    QCOMPARE(e.tree.LookupRecord(detail)->address, std::string("li@example.org"));
    QVERIFY(driver.allActionsRun());
}

void TreeEditingTest::renameKeepsTheTextAlsoOnEscape() {
    Editing e;
    ItemId a = e.tree.InsertNode({"a", "www.a.com", ""});
    ItemId b = e.tree.InsertNode({"b", "", ""});
    auto rename = [&](ItemId item, const QString& text, Qt::Key key) {
        e.select(item);
        e.view->edit(e.model->indexOf(item));
        auto* line = e.view->findChild<QLineEdit*>();
        QVERIFY(line);
        QCOMPARE(line->text(), fromGbk(e.tree.label(item)));
        line->selectAll();
        brivanta::test::commitText(line, text);
        QTest::keyClick(line, key);
        QTRY_VERIFY(!e.view->findChild<QLineEdit*>());
    };
    rename(a, QString::fromUtf8("新名"), Qt::Key_Escape);
    QCOMPARE(e.tree.label(a), text::gbk("新名"));
    QCOMPARE(e.tree.LookupRecord(a)->name, text::gbk("新名"));
    QCOMPARE(e.tree.LookupRecord(a)->address, std::string("www.a.com"));
    rename(b, QStringLiteral("B2"), Qt::Key_Return);
    QCOMPARE(e.tree.LookupRecord(b)->name, std::string("B2"));
    QCOMPARE(e.tree.label(a), text::gbk("新名"));  // the other entry is left alone
}

void TreeEditingTest::enterOpensAsDoubleClickDoes() {
    Editing e;
    ItemId folder = e.tree.InsertNode({"F", "", ""});
    ItemId link = e.tree.InsertNode({"L", "  www.l.com", ""}, folder);
    QSignalSpy opened(e.view, &BookmarkTreeView::openRequested);
    e.view->setFocus();
    e.select(folder);
    QTest::keyClick(e.view, Qt::Key_Return);
    QVERIFY(e.view->isExpanded(e.model->indexOf(folder)));
    QCOMPARE(opened.count(), 0);
    e.select(link);
    QTest::keyClick(e.view, Qt::Key_Enter);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened[0][0].toString(), QStringLiteral("www.l.com"));
    e.select(folder);
    QTest::keyClick(e.view, Qt::Key_Return);
    QVERIFY(!e.view->isExpanded(e.model->indexOf(folder)));
}

void TreeEditingTest::contactDetailsOfMailAndHomePageShowThoseIcons() {
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    BookmarkTree book(kAddressBookTree);
    book.setIconChooser(&icons);
    ItemId contact = book.InsertNode({"Li", "", text::gbk("男")});
    ItemId mail = book.InsertNode({"Email", "li@example.com", "Email"}, contact);
    ItemId home = book.InsertNode({"page", "www.li.com", text::gbk("主页")}, contact);
    QVERIFY(icons.indexOf(QStringLiteral("mailto")) > 1);
    QCOMPARE(book.image(mail), icons.indexOf(QStringLiteral("mailto")));
    QCOMPARE(book.image(home), icons.indexOf(QStringLiteral(".htm")));
    QCOMPARE(book.image(contact), icons.indexOf(QString::fromUtf8("男")));
}

QTEST_MAIN(TreeEditingTest)
#include "TreeEditingTest.moc"
