#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "core/addressbook/ContactTags.h"
#include "core/text/Encoding.h"
#include "gui/addressbook/BirthdayEdit.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeModel.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

QString u(const char* s) {
    return QString::fromUtf8(s);
}

std::string g(const char* s) {
    return text::gbk(s);
}

// The tree as text: "label|address|tag" per entry, children in braces.
QString describe(const BookmarkTree& tree, ItemId parent = kNoItem) {
    QString out;
    for (ItemId c = tree.firstChild(parent); c != kNoItem; c = tree.nextSibling(c)) {
        RecordRef r = tree.LookupRecord(c);
        out += QString::fromStdString(text::toUtf8(tree.label(c) + "|" + r->address));
        if (!r->tag.empty())
            out += QLatin1Char('|') + QString::fromStdString(text::toUtf8(r->tag));
        if (tree.hasChildren(c))
            out += QLatin1Char('{') + describe(tree, c) + QLatin1Char('}');
        out += QLatin1Char(';');
    }
    return out;
}

void clickRow(QTreeWidget* list, int row, Qt::KeyboardModifiers modifiers = {}) {
    QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

// Picks a type with the keyboard, as a user does (only that rewrites the label line).
void chooseType(QComboBox* combo, int index) {
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > index)
        QTest::keyClick(combo, Qt::Key_Up);
}

QStringList rowTexts(QTreeWidget* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    return {item->text(0), item->text(1), item->text(2)};
}

// A stored contact with a birthday and two details.
ItemId storeZhang(BookmarkTree& tree, ItemId parent) {
    ItemId contact = tree.InsertNode({g("张三"), "", g("男")}, parent);
    tree.InsertNode({g("生日：Saturday,January 01, 2000"), "2000.1.1.12.30.15", g("日期")},
                    contact);
    tree.InsertNode({g("电话：12345"), "12345", g("电话")}, contact);
    tree.InsertNode({g("Email：z@example.cn"), "z@example.cn", "Email"}, contact);
    return contact;
}

}  // namespace

class ContactDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void aBirthYearCanBeTyped_data();
    void aBirthYearCanBeTyped();
    void birthdaysReadInChineseWhateverTheLocale();
    void aFutureBirthdayIsRefused();
    void opensEmptyForANewContact();
    void labelLineKeepsTheContentInStep_data();
    void labelLineKeepsTheContentInStep();
    void choosingATypeStartsItsLabelLine();
    void addingWalksThroughTheTypesAndEndsWithNone();
    void aClickedRowCanBeModifiedAndSelectedRowsDeleted();
    void savingTwiceAddsTwoContactsUnderTheSameFolder();
    void anEmptyNameIsRefusedWithAHint();
    void editingShowsTheContactAndReplacesItsDetails();
    void cancelChangesNothing();
    void runContactDialogEditsTheSelectedContact();

  private:
    NamedIconList icons_;
    std::unique_ptr<BookmarkTree> tree_;
};

void ContactDialogTest::initTestCase() {
    // Whatever the desktop's language, dates read in Chinese.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void ContactDialogTest::aBirthYearCanBeTyped_data() {
    QTest::addColumn<QString>("before");  // the digits of the year left of the click
    QTest::newRow("after the first digit") << u("2");
    QTest::newRow("after the third digit") << u("202");
}

// A click puts the cursor into the year; typing four digits there makes that year.
void ContactDialogTest::aBirthYearCanBeTyped() {
    QFETCH(QString, before);
    BirthdayEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::mouseClick(edit.checkBox(), Qt::LeftButton);
    QDateTimeEdit* date = edit.dateEdit();
    date->setDateTime(QDateTime(QDate(2026, 5, 3), QTime(10, 0)));
    auto* line = date->findChild<QLineEdit*>();
    QVERIFY(line);
    // A click on the year's text, as a person does.
    const int x = line->contentsRect().left() + 4 + line->fontMetrics().horizontalAdvance(before);
    date->setFocus();
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(x, line->height() / 2));
    QCOMPARE(date->currentSection(), QDateTimeEdit::YearSection);
    QTest::keyClicks(date, QStringLiteral("1990"));
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(edit.birthday().value().year, 1990);
    QCOMPARE(edit.birthday().value().month, 5);
    QCOMPARE(edit.birthday().value().day, 3);
}

void ContactDialogTest::birthdaysReadInChineseWhateverTheLocale() {
    BirthdayEdit edit;
    edit.setBirthday(DateTime{1990, 5, 3, 8, 0, 0});
    QCOMPARE(edit.dateEdit()->text(), u("1990年5月3日"));

    // The birthday line of a contact in the tree: the date whole, the weekday in the tooltip.
    ItemId contact = storeZhang(*tree_, kNoItem);
    BookmarkTreeModel model(*tree_, &icons_);
    QModelIndex line = model.index(0, 0, model.indexOf(contact));
    QCOMPARE(model.data(line, Qt::DisplayRole).toString(), u("生日：2000年1月1日"));
    QCOMPARE(model.data(line, Qt::ToolTipRole).toString(), u("生日：2000年1月1日 星期六"));
    // The stored label stays as other copies of the program read it.
    QCOMPARE(model.data(line, Qt::EditRole).toString(), u("生日：Saturday,January 01, 2000"));
    QModelIndex phone = model.index(1, 0, model.indexOf(contact));
    QCOMPARE(model.data(phone, Qt::DisplayRole).toString(), u("电话：12345"));
}

void ContactDialogTest::aFutureBirthdayIsRefused() {
    ContactDialog dialog(*tree_, icons_, kNoItem);
    dialog.show();
    commitText(dialog.nameEdit(), u("王芳"));
    QTest::mouseClick(dialog.birthdayEdit()->checkBox(), Qt::LeftButton);
    const QDate today = QDate::currentDate();
    dialog.birthdayEdit()->dateEdit()->setDate(today.addDays(1));
    ModalDriver driver;
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY(driver.messages()[0].text.startsWith(u("生日不能晚于今天")));
    QVERIFY(driver.messages()[0].text.contains(QString::number(today.year()) + u("年")));
    QVERIFY(dialog.isVisible());
    QCOMPARE(tree_->size(), size_t(0));

    // Today is a birthday that can be kept.
    dialog.birthdayEdit()->dateEdit()->setDate(today);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(tree_->childCount(kNoItem), 1);
}

void ContactDialogTest::init() {
    if (icons_.count() == 0)
        NamedIconList::fillTreeIcons(icons_);
    tree_ = std::make_unique<BookmarkTree>(kAddressBookTree);
    tree_->setIconChooser(&icons_);
}

void ContactDialogTest::opensEmptyForANewContact() {
    ContactDialog dialog(*tree_, icons_, kNoItem);
    QCOMPARE(dialog.objectName(), QStringLiteral("207"));
    QCOMPARE(dialog.windowTitle(), u("通讯录"));
    QCOMPARE(dialog.mode(), ContactMode::Add);
    QCOMPARE(dialog.okButton()->text(), u("保存(&S)"));
    QCOMPARE(dialog.cancelButton()->text(), u("关闭(&C)"));
    QCOMPARE(dialog.addButton()->text(), u("添加(&A)"));
    QCOMPARE(dialog.modifyButton()->text(), u("修改(&M)"));
    QCOMPARE(dialog.deleteButton()->text(), u("删除(&D)"));
    QVERIFY(dialog.nameEdit()->text().isEmpty());
    QCOMPARE(dialog.sexCombo()->currentText(), u("男"));
    QCOMPARE(dialog.sexCombo()->itemText(1), u("女"));
    QVERIFY(!dialog.birthdayEdit()->birthday().has_value());
    QVERIFY(!dialog.birthdayEdit()->checkBox()->isChecked());
    QVERIFY(qAbs(dialog.birthdayEdit()->dateEdit()->dateTime().secsTo(
                QDateTime::currentDateTime())) < 60);

    QStringList types;
    for (int i = 0; i < dialog.typeCombo()->count(); ++i)
        types << dialog.typeCombo()->itemText(i);
    QCOMPARE(types,
             (QStringList{u("单位"), u("地址"), u("部门"), u("职务"), u("电话"), u("传真"),
                          u("传呼"), u("手机"), u("Email"), u("主页"), u("OICQ"), u("其他")}));
    QCOMPARE(dialog.typeCombo()->currentIndex(), 0);
    QCOMPARE(dialog.labelEdit()->text(), u("单位："));
    QVERIFY(dialog.contentEdit()->text().isEmpty());

    QTreeWidget* list = dialog.detailList();
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(list->headerItem()->text(0), u("名称"));
    QCOMPARE(list->headerItem()->text(1), u("类型"));
    QCOMPARE(list->headerItem()->text(2), u("内容"));
    QCOMPARE(list->columnWidth(0), 200);
    QCOMPARE(list->columnWidth(1), 50);
    QCOMPARE(list->columnWidth(2), 150);
}

void ContactDialogTest::labelLineKeepsTheContentInStep_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("content");
    QTest::newRow("after the colon") << u("电话：12345") << u("12345");
    QTest::newRow("no colon: the whole line") << u("12345") << u("12345");
    QTest::newRow("only the first colon counts") << u("地址：北京：海淀") << u("北京：海淀");
    QTest::newRow("a half-width colon is text") << u("电话:1") << u("电话:1");
    QTest::newRow("colon at the end") << u("传真：") << QString();
}

void ContactDialogTest::labelLineKeepsTheContentInStep() {
    QFETCH(QString, typed);
    QFETCH(QString, content);
    ContactDialog dialog(*tree_, icons_, kNoItem);
    dialog.show();
    dialog.labelEdit()->clear();
    QVERIFY(dialog.contentEdit()->text().isEmpty());
    commitText(dialog.labelEdit(), typed);
    QCOMPARE(dialog.labelEdit()->text(), typed);
    QCOMPARE(dialog.contentEdit()->text(), content);
}

void ContactDialogTest::choosingATypeStartsItsLabelLine() {
    ContactDialog dialog(*tree_, icons_, kNoItem);
    dialog.show();
    commitText(dialog.labelEdit(), u("12"));
    QCOMPARE(dialog.contentEdit()->text(), u("12"));
    QTest::keyClick(dialog.typeCombo(), Qt::Key_Down);  // as the user picks the next type
    QCOMPARE(dialog.typeCombo()->currentText(), u("地址"));
    QCOMPARE(dialog.labelEdit()->text(), u("地址："));
    QVERIFY(dialog.contentEdit()->text().isEmpty());
}

void ContactDialogTest::addingWalksThroughTheTypesAndEndsWithNone() {
    ContactDialog dialog(*tree_, icons_, kNoItem);
    dialog.show();
    QTreeWidget* list = dialog.detailList();
    dialog.typeCombo()->setCurrentIndex(4);  // 电话
    dialog.labelEdit()->setText(u("电话：12345"));
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QCOMPARE(rowTexts(list, 0), (QStringList{u("电话：12345"), u("电话"), u("12345")}));
    QCOMPARE(dialog.typeCombo()->currentText(), u("传真"));
    QCOMPARE(dialog.labelEdit()->text(), u("传真："));
    QVERIFY(dialog.contentEdit()->text().isEmpty());
    QCOMPARE(list->topLevelItem(0)->icon(0).cacheKey(),
             icons_.icon(icons_.indexOf(u("电话"))).cacheKey());

    for (int i = 5; i < 12; ++i)
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), 8);
    // The last type was added: no type is chosen and the line reads just the colon.
    QCOMPARE(rowTexts(list, 7), (QStringList{u("其他："), u("其他"), QString()}));
    QCOMPARE(dialog.typeCombo()->currentIndex(), -1);
    QCOMPARE(dialog.labelEdit()->text(), u("："));
    QVERIFY(dialog.contentEdit()->text().isEmpty());
    // Email and 主页 rows show the mail and web images.
    QCOMPARE(list->topLevelItem(4)->icon(0).cacheKey(),
             icons_.icon(icons_.indexOf(QStringLiteral("mailto"))).cacheKey());
    QCOMPARE(list->topLevelItem(5)->icon(0).cacheKey(),
             icons_.icon(icons_.indexOf(QStringLiteral(".htm"))).cacheKey());

    // Adding with no type chosen gives a row without type or icon; the combo starts over.
    commitText(dialog.labelEdit(), u("备注"));
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QCOMPARE(rowTexts(list, 8), (QStringList{u("：备注"), QString(), u("备注")}));
    QVERIFY(list->topLevelItem(8)->icon(0).isNull());
    QCOMPARE(dialog.typeCombo()->currentText(), u("单位"));
}

void ContactDialogTest::aClickedRowCanBeModifiedAndSelectedRowsDeleted() {
    ContactDialog dialog(*tree_, icons_, kNoItem);
    dialog.show();
    QTreeWidget* list = dialog.detailList();
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);  // 单位 地址 部门 职务

    clickRow(list, 1);
    QCOMPARE(dialog.typeCombo()->currentText(), u("地址"));
    QCOMPARE(dialog.labelEdit()->text(), u("地址："));
    dialog.labelEdit()->setText(u("住址：上海"));
    QTest::keyClick(dialog.typeCombo(), Qt::Key_Down);  // the user picks 部门, the line restarts
    dialog.labelEdit()->setText(u("部门：研发"));
    QTest::mouseClick(dialog.modifyButton(), Qt::LeftButton);
    QCOMPARE(rowTexts(list, 1), (QStringList{u("部门：研发"), u("部门"), u("研发")}));
    QCOMPARE(list->topLevelItem(1)->icon(0).cacheKey(),
             icons_.icon(icons_.indexOf(u("部门"))).cacheKey());

    // Modify needs exactly one selected row.
    clickRow(list, 3, Qt::ControlModifier);
    QCOMPARE(list->selectedItems().size(), 2);
    dialog.labelEdit()->setText(u("不该写入"));
    QTest::mouseClick(dialog.modifyButton(), Qt::LeftButton);
    QCOMPARE(rowTexts(list, 1)[0], u("部门：研发"));
    QCOMPARE(rowTexts(list, 3)[0], u("职务："));

    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(list, 0)[1], u("单位"));
    QCOMPARE(rowTexts(list, 1)[1], u("部门"));
    QCOMPARE(rowTexts(list, 1)[0], u("部门："));
}

void ContactDialogTest::savingTwiceAddsTwoContactsUnderTheSameFolder() {
    ItemId group = tree_->InsertNode({g("同事"), "", ""});
    ItemId other = tree_->InsertNode({g("朋友"), "", ""});
    ContactDialog dialog(*tree_, icons_, group);
    dialog.show();
    commitText(dialog.nameEdit(), u("  王芳"));
    dialog.sexCombo()->setCurrentIndex(1);
    QTest::mouseClick(dialog.birthdayEdit()->checkBox(), Qt::LeftButton);
    dialog.birthdayEdit()->dateEdit()->setDateTime(QDateTime(QDate(1990, 5, 4), QTime(8, 9, 10)));
    chooseType(dialog.typeCombo(), 7);  // 手机
    QCOMPARE(dialog.labelEdit()->text(), u("手机："));
    commitText(dialog.labelEdit(), u("13800000000"));
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);

    QVERIFY(dialog.isVisible());
    QCOMPARE(describe(*tree_, group), u("王芳||女{生日：Friday,May 04, 1990|1990.5.4.8.9.10|日期;"
                                        "手机：13800000000|13800000000|手机;};"));
    ItemId first = dialog.lastSaved();
    QCOMPARE(tree_->image(first), icons_.indexOf(u("女")));
    QVERIFY(tree_->isExpanded(first));
    // Ready for the next contact; the birthday stays as it was.
    QVERIFY(dialog.nameEdit()->text().isEmpty());
    QCOMPARE(dialog.sexCombo()->currentIndex(), 0);
    QCOMPARE(dialog.detailList()->topLevelItemCount(), 0);
    QCOMPARE(dialog.typeCombo()->currentIndex(), 0);
    QVERIFY(dialog.labelEdit()->text().isEmpty());
    QVERIFY(dialog.contentEdit()->text().isEmpty());
    QCOMPARE(dialog.birthdayEdit()->birthday(), (DateTime{1990, 5, 4, 8, 9, 10}));

    QTest::mouseClick(dialog.birthdayEdit()->checkBox(), Qt::LeftButton);  // no birthday now
    commitText(dialog.nameEdit(), u("李雷"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(tree_->childCount(group), 2);
    ItemId second = tree_->child(group, 1);
    QCOMPARE(*tree_->LookupRecord(second), (NodeRecord{g("李雷"), "", g("男")}));
    QCOMPARE(tree_->image(second), icons_.indexOf(u("男")));
    QVERIFY(!tree_->hasChildren(second));
    QVERIFY(!tree_->hasChildren(other));

    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), ids::kIdCancel);
    QCOMPARE(tree_->childCount(group), 2);
}

void ContactDialogTest::anEmptyNameIsRefusedWithAHint() {
    ItemId contact = storeZhang(*tree_, kNoItem);
    const QString before = describe(*tree_);
    for (ItemId selected : {kNoItem, contact}) {
        ContactDialog dialog(*tree_, icons_, selected);
        dialog.show();
        dialog.nameEdit()->setText(QStringLiteral("   "));
        ModalDriver driver;
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(driver.messages().size(), size_t(1));
        QCOMPARE(driver.messages()[0].text, u("请输入该联系人的姓名！"));
        QCOMPARE(driver.messages()[0].title, u("输入提示"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(describe(*tree_), before);
    }
}

void ContactDialogTest::editingShowsTheContactAndReplacesItsDetails() {
    ItemId group = tree_->InsertNode({g("同事"), "", ""});
    ItemId contact = storeZhang(*tree_, group);
    std::vector<ItemId> oldDetails;
    for (ItemId c = tree_->firstChild(contact); c != kNoItem; c = tree_->nextSibling(c))
        oldDetails.push_back(c);

    // The main window's view follows every change the save makes.
    BookmarkTreeModel model(*tree_, &icons_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    ContactDialog dialog(*tree_, icons_, contact);
    dialog.show();
    QCOMPARE(dialog.mode(), ContactMode::Edit);
    QCOMPARE(dialog.okButton()->text(), u("确定(&O)"));
    QCOMPARE(dialog.cancelButton()->text(), u("取消(&C)"));
    QCOMPARE(dialog.nameEdit()->text(), u("张三"));
    QCOMPARE(dialog.sexCombo()->currentIndex(), 0);
    QVERIFY(dialog.birthdayEdit()->checkBox()->isChecked());
    QCOMPARE(dialog.birthdayEdit()->dateEdit()->dateTime(),
             QDateTime(QDate(2000, 1, 1), QTime(12, 30, 15)));
    QTreeWidget* list = dialog.detailList();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(list, 0), (QStringList{u("电话：12345"), u("电话"), u("12345")}));
    QCOMPARE(rowTexts(list, 1),
             (QStringList{u("Email：z@example.cn"), u("Email"), u("z@example.cn")}));

    clickRow(list, 0);
    dialog.labelEdit()->setText(u("电话：67890"));
    QTest::mouseClick(dialog.modifyButton(), Qt::LeftButton);
    dialog.nameEdit()->setText(u("张三丰"));
    dialog.sexCombo()->setCurrentIndex(1);
    const ItemId next = tree_->nextItemData();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);

    QCOMPARE(dialog.result(), ids::kIdOk);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.lastSaved(), contact);
    QCOMPARE(describe(*tree_),
             u("同事|{张三丰||女{生日：Saturday,January 01, 2000|2000.1.1.12.30.15|日期;"
               "电话：67890|67890|电话;Email：z@example.cn|z@example.cn|Email;};};"));
    QCOMPARE(tree_->image(contact), icons_.indexOf(u("女")));
    QModelIndex shown = model.indexOf(contact);
    QCOMPARE(model.data(shown, Qt::DisplayRole).toString(), u("张三丰"));
    QCOMPARE(model.rowCount(shown), 3);
    QCOMPARE(model.data(model.index(1, 0, shown), Qt::DisplayRole).toString(), u("电话：67890"));
    for (ItemId old : oldDetails)
        QVERIFY(!tree_->contains(old));
    for (ItemId c = tree_->firstChild(contact); c != kNoItem; c = tree_->nextSibling(c))
        QVERIFY(c > next);
}

void ContactDialogTest::cancelChangesNothing() {
    ItemId contact = storeZhang(*tree_, kNoItem);
    const QString before = describe(*tree_);
    ContactDialog dialog(*tree_, icons_, contact);
    dialog.show();
    dialog.nameEdit()->setText(u("别人"));
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    clickRow(dialog.detailList(), 0);
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QCOMPARE(dialog.detailList()->topLevelItemCount(), 1);
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), ids::kIdCancel);
    QCOMPARE(describe(*tree_), before);
}

void ContactDialogTest::runContactDialogEditsTheSelectedContact() {
    ItemId contact = storeZhang(*tree_, kNoItem);
    ModalDriver driver;
    bool ran = false;
    driver.then([&](QWidget* modal) {
        auto* dialog = qobject_cast<ContactDialog*>(modal);
        QVERIFY(dialog);
        ran = true;
        QCOMPARE(dialog->mode(), ContactMode::Edit);
        dialog->birthdayEdit()->setBirthday(std::nullopt);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    QCOMPARE(runContactDialog(nullptr, *tree_, icons_, contact), ids::kIdOk);
    QVERIFY(ran);
    QCOMPARE(describe(*tree_, contact),
             u("电话：12345|12345|电话;Email：z@example.cn|z@example.cn|Email;"));
}

QTEST_MAIN(ContactDialogTest)
#include "ContactDialogTest.moc"
