#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"

using namespace brivanta;

class BookmarkTreeModelTest : public QObject {
    Q_OBJECT
  private slots:
    void followsEveryChangeOfTheTree();
    void openFoldersStayOpenAcrossAReset();
    void answersFromTheTreeWithoutACopy();
    void iconListMapsKeysAndAddresses();
    void outlivingItsTreeLeavesAnEmptyModel();
};

void BookmarkTreeModelTest::followsEveryChangeOfTheTree() {
    BookmarkTree tree;
    BookmarkTreeModel model(tree, nullptr);
    // Qt's own checker verifies every signal and answer against the model's contract.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    BookmarkTreeView view(&model, 1000);
    view.show();

    ItemId a = tree.InsertNode({"a", "", ""});
    ItemId b = tree.InsertNode({"b", "", ""});
    ItemId a1 = tree.InsertNode({"a1", "https://a1/", ""}, a);
    ItemId a2 = tree.InsertNode({"a2", "", ""}, a);
    ItemId a21 = tree.InsertNode({"a21", "", ""}, a2);
    view.expandAll();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowCount(model.indexOf(a)), 2);
    QCOMPARE(model.parent(model.indexOf(a21)), model.indexOf(a2));
    QCOMPARE(model.indexOf(a21).row(), 0);
    QCOMPARE(model.indexOf(b).row(), 1);

    QPersistentModelIndex keepB(model.indexOf(b));
    QPersistentModelIndex keepA21(model.indexOf(a21));
    tree.DeleteNode(a1);  // rows after it move up
    QCOMPARE(model.indexOf(a2).row(), 0);
    QCOMPARE(keepA21.parent(), QModelIndex(model.indexOf(a2)));
    tree.DeleteNode(a);  // takes a2 and a21 along
    QVERIFY(!keepA21.isValid());
    QCOMPARE(keepB.row(), 0);
    QCOMPARE(model.rowCount(), 1);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    tree.setLabel(b, "renamed");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(keepB).toString(), QStringLiteral("renamed"));

    {
        BookmarkTree::BulkUpdate bulk(tree);
        for (int i = 0; i < 100; ++i)
            tree.InsertNode({"bulk", "", ""}, i % 2 ? b : kNoItem);
    }
    QCOMPARE(model.rowCount(), 51);
    tree.DeleteNode();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(tree.InsertNode({"again", "", ""}), ItemId(1));
    QCOMPARE(model.rowCount(), 1);
}

void BookmarkTreeModelTest::openFoldersStayOpenAcrossAReset() {
    BookmarkTree tree;
    BookmarkTreeModel model(tree, nullptr);
    BookmarkTreeView view(&model, 1000);
    view.show();
    ItemId outer = tree.InsertNode({"outer", "", ""});
    ItemId inner = tree.InsertNode({"inner", "", ""}, outer);
    tree.InsertNode({"link", "https://x.example/", ""}, inner);
    ItemId closed = tree.InsertNode({"closed", "", ""});
    tree.InsertNode({"link", "https://y.example/", ""}, closed);
    view.expand(model.indexOf(outer));
    view.expand(model.indexOf(inner));
    QCOMPARE(tree.image(inner), kOpenFolderImage);

    {
        // A batch of new entries, as a receive or an import appends them.
        BookmarkTree::BulkUpdate bulk(tree);
        tree.InsertNode({"appended", "https://z.example/", ""});
    }
    QVERIFY(view.isExpanded(model.indexOf(outer)));
    QVERIFY(view.isExpanded(model.indexOf(inner)));
    QVERIFY(!view.isExpanded(model.indexOf(closed)));
    QCOMPARE(tree.image(outer), kOpenFolderImage);
    QCOMPARE(tree.image(closed), kClosedFolderImage);
    QCOMPARE(model.rowCount(), 3);
}

void BookmarkTreeModelTest::answersFromTheTreeWithoutACopy() {
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    BookmarkTree tree;
    tree.setIconChooser(&icons);
    BookmarkTreeModel model(tree, &icons);
    ItemId folder = tree.InsertNode({text::gbk("文件夹"), "", ""});
    ItemId link = tree.InsertNode({"site", " https://site.example/", ""}, folder);
    QModelIndex f = model.index(0, 0);
    QCOMPARE(model.itemOf(f), folder);
    QCOMPARE(f.internalId(), quintptr(folder));
    QCOMPARE(model.data(f).toString(), QString::fromUtf8("文件夹"));
    QVERIFY(!model.data(f, BookmarkTreeModel::AddressRole).isValid());
    QModelIndex l = model.index(0, 0, f);
    QCOMPARE(model.data(l, BookmarkTreeModel::AddressRole).toString(),
             QStringLiteral(" https://site.example/"));
    QVERIFY(!model.data(l, Qt::DecorationRole).value<QIcon>().isNull());
    // Out-of-range questions get empty answers, not a crash.
    QVERIFY(!model.index(5, 0).isValid());
    QVERIFY(!model.index(0, 1).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QCOMPARE(model.rowCount(l), 0);
    QVERIFY(!model.hasChildren(l));
    tree.DeleteNode(link);
    QVERIFY(!model.indexOf(link).isValid());
}

void BookmarkTreeModelTest::iconListMapsKeysAndAddresses() {
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    QCOMPARE(icons.indexOf(QStringLiteral("clsdbook")), 0);
    QCOMPARE(icons.indexOf(QStringLiteral("openbook")), 1);
    QCOMPARE(icons.count(), 20);
    for (int i = 0; i < icons.count(); ++i)
        QVERIFY2(!icons.icon(i).isNull(), qPrintable(QString::number(i)));
    QCOMPARE(icons.imageForTag(text::gbk("男")), icons.indexOf(QString::fromUtf8("男")));
    QCOMPARE(icons.imageForTag(text::gbk("没有这个")), -1);
    int mail = icons.indexOf(QStringLiteral("mailto"));
    int web = icons.indexOf(QStringLiteral(".htm"));
    QCOMPARE(icons.imageForAddress("mailto:a@b.example"), mail);
    QCOMPARE(icons.imageForAddress("a@b.example"), mail);
    QCOMPARE(icons.imageForAddress("https://user@host.example/"), web);
    QCOMPARE(icons.imageForAddress("www.example.com"), web);

    BookmarkTree book(kAddressBookTree);
    book.setIconChooser(&icons);
    ItemId unknown = book.InsertNode({"x", "", text::gbk("没有这个")});
    QCOMPARE(book.image(unknown), kClosedFolderImage);
}

void BookmarkTreeModelTest::outlivingItsTreeLeavesAnEmptyModel() {
    auto tree = std::make_unique<BookmarkTree>();
    tree->InsertNode({"a", "x", ""});
    BookmarkTreeModel model(*tree, nullptr);
    QTreeView view;
    view.setModel(&model);
    QCOMPARE(model.rowCount(), 1);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    tree.reset();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.index(0, 0).isValid());
    QVERIFY(!model.hasChildren());
    view.grab();  // repainting asks the model again; it must not reach the dead tree
}

QTEST_MAIN(BookmarkTreeModelTest)
#include "BookmarkTreeModelTest.moc"
