#include "gui/addressbook/ContactDialog.h"
#include "gui/controls/MessageBoxes.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/addressbook/ContactTags.h"
#include "gui/addressbook/BirthdayEdit.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/ScreenFit.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

enum Column { LabelColumn = 0, TypeColumn = 1, ContentColumn = 2 };
// Each cell keeps the stored bytes beside the text it shows, so a row that is not changed
// goes back into the tree byte for byte, even where the bytes are no valid GBK.
constexpr int kBytesRole = Qt::UserRole;

QString utf8(const char* s) {
    return QString::fromUtf8(s);
}

FlatButton* button(const char* text, int id) {
    auto* b = new FlatButton(utf8(text));
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

std::string cellBytes(const QTreeWidgetItem* row, int column) {
    return row->data(column, kBytesRole).toByteArray().toStdString();
}

}  // namespace

ContactDialog::ContactDialog(BookmarkTree& addressBook, NamedIconList& icons, ItemId selected,
                             QWidget* parent)
    : QDialog(parent),
      icons_(icons),
      editor_(addressBook, selected, &icons),
      nameEdit_(new QLineEdit),
      sexCombo_(new QComboBox),
      birthdayEdit_(new BirthdayEdit),
      detailList_(new QTreeWidget),
      typeCombo_(new QComboBox),
      labelEdit_(new QLineEdit),
      contentEdit_(new QLineEdit),
      addButton_(button("添加(&A)", ids::kAddDetailButton)),
      modifyButton_(button("修改(&M)", ids::kModifyDetailButton)),
      deleteButton_(button("删除(&D)", ids::kDeleteDetailButton)),
      okButton_(button("保存(&S)", ids::kIdOk)),
      cancelButton_(button("关闭(&C)", ids::kIdCancel)) {
    setObjectName(QString::number(ids::kContactDialog));
    setWindowTitle(utf8("通讯录"));
    setWindowIcon(resourceIcon(ids::kOpenBookIcon));

    nameEdit_->setObjectName(QString::number(ids::kContactNameControl));
    sexCombo_->setObjectName(QString::number(ids::kContactSexControl));
    sexCombo_->addItem(fromGbk(sexTag(0)));
    sexCombo_->addItem(fromGbk(sexTag(1)));
    birthdayEdit_->setObjectName(QString::number(ids::kBirthdayControl));

    detailList_->setObjectName(QString::number(ids::kDetailListControl));
    detailList_->setRootIsDecorated(false);
    detailList_->setItemsExpandable(false);
    detailList_->setUniformRowHeights(true);
    detailList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    detailList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    detailList_->setIconSize(QSize(16, 16));
    detailList_->setHeaderLabels({utf8("名称"), utf8("类型"), utf8("内容")});
    detailList_->header()->setStretchLastSection(false);
    detailList_->setColumnWidth(LabelColumn, 200);
    detailList_->setColumnWidth(TypeColumn, 50);
    detailList_->setColumnWidth(ContentColumn, 150);

    typeCombo_->setObjectName(QString::number(ids::kDetailTypeControl));
    for (const std::string& type : detailTypes())
        typeCombo_->addItem(icons_.icon(icons_.indexOf(fromGbk(type))), fromGbk(type));
    labelEdit_->setObjectName(QString::number(ids::kDetailLabelControl));
    contentEdit_->setObjectName(QString::number(ids::kDetailContentControl));

    // Only a choice by the user rewrites the label line; the program moves the combo itself
    // when it shows a row or starts the next detail.
    connect(typeCombo_, &QComboBox::activated, this, &ContactDialog::onTypeChosen);
    connect(labelEdit_, &QLineEdit::textChanged, this, &ContactDialog::onLabelChanged);
    connect(detailList_, &QTreeWidget::itemClicked, this, &ContactDialog::onRowClicked);
    connect(addButton_, &QPushButton::clicked, this, &ContactDialog::addDetail);
    connect(modifyButton_, &QPushButton::clicked, this, &ContactDialog::modifyDetail);
    connect(deleteButton_, &QPushButton::clicked, this, &ContactDialog::deleteDetails);
    connect(okButton_, &QPushButton::clicked, this, &ContactDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &ContactDialog::reject);
    okButton_->setDefault(true);

    auto caption = [](const char* text, QWidget* buddy) {
        auto* label = new QLabel(utf8(text));
        label->setBuddy(buddy);
        return label;
    };
    auto* person = new QGridLayout;
    person->addWidget(caption("姓名(&N)：", nameEdit_), 0, 0);
    person->addWidget(nameEdit_, 0, 1);
    person->addWidget(caption("性别：", sexCombo_), 0, 2);
    person->addWidget(sexCombo_, 0, 3);
    person->addWidget(caption("生日：", birthdayEdit_), 1, 0);
    person->addWidget(birthdayEdit_, 1, 1, 1, 3);
    person->setColumnStretch(1, 1);

    auto* detail = new QGridLayout;
    detail->addWidget(caption("类型(&T)：", typeCombo_), 0, 0);
    detail->addWidget(typeCombo_, 0, 1);
    detail->addWidget(caption("名称(&L)：", labelEdit_), 0, 2);
    detail->addWidget(labelEdit_, 0, 3);
    detail->addWidget(caption("内容：", contentEdit_), 1, 0);
    detail->addWidget(contentEdit_, 1, 1, 1, 3);
    detail->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton_);
    buttons->addWidget(modifyButton_);
    buttons->addWidget(deleteButton_);
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(person);
    layout->addWidget(detailList_, 1);
    layout->addLayout(detail);
    layout->addLayout(buttons);
    detailList_->setMinimumWidth(200 + 50 + 150 + 2 * detailList_->frameWidth() + 20);
    resizeToFitScreen(this, QSize(sizeHint().width(), 380));

    typeCombo_->setCurrentIndex(0);
    labelEdit_->setText(fromGbk(labelForType(detailTypes().front())));
    if (editor_.mode() == ContactMode::Edit) {
        loadContact(editor_.original());
        okButton_->setText(utf8("确定(&O)"));
        cancelButton_->setText(utf8("取消(&C)"));
    }
    nameEdit_->setFocus();
}

void ContactDialog::loadContact(const Contact& contact) {
    nameEdit_->setText(fromGbk(contact.name));
    sexCombo_->setCurrentIndex(contact.sex == 1 ? 1 : 0);
    birthdayEdit_->setBirthday(contact.birthday);
    for (const ContactDetail& detail : contact.details)
        setRow(new QTreeWidgetItem(detailList_), detail);
}

void ContactDialog::setRow(QTreeWidgetItem* row, const ContactDetail& detail) {
    const std::pair<int, const std::string*> cells[] = {
        {LabelColumn, &detail.label}, {TypeColumn, &detail.type}, {ContentColumn, &detail.content}};
    for (const auto& [column, bytes] : cells) {
        row->setText(column, fromGbk(*bytes));
        row->setData(column, kBytesRole, QByteArray::fromStdString(*bytes));
    }
    // A type without an image (an unknown tag, or none) shows no icon.
    row->setIcon(LabelColumn, icons_.icon(icons_.indexOf(fromGbk(detail.type))));
}

ContactDetail ContactDialog::rowDetail(const QTreeWidgetItem* row) const {
    return {cellBytes(row, LabelColumn), cellBytes(row, TypeColumn), cellBytes(row, ContentColumn)};
}

ContactDetail ContactDialog::typedDetail() const {
    int index = typeCombo_->currentIndex();
    const auto& types = detailTypes();
    std::string type = index >= 0 && index < static_cast<int>(types.size())
                           ? types[static_cast<size_t>(index)]
                           : std::string();
    return {toGbk(labelEdit_->text()), type, toGbk(contentEdit_->text())};
}

Contact ContactDialog::readFields() const {
    Contact contact;
    // The stored name's own bytes, unless the user changed it.
    const std::string& original = editor_.original().name;
    bool unchanged = mode() == ContactMode::Edit && nameEdit_->text() == fromGbk(original);
    contact.name = unchanged ? original : toGbk(nameEdit_->text());
    contact.sex = sexCombo_->currentIndex() == 1 ? 1 : 0;
    contact.birthday = birthdayEdit_->birthday();
    for (int i = 0; i < detailList_->topLevelItemCount(); ++i)
        contact.details.push_back(rowDetail(detailList_->topLevelItem(i)));
    return contact;
}

void ContactDialog::onTypeChosen(int index) {
    if (index >= 0 && index < static_cast<int>(detailTypes().size()))
        labelEdit_->setText(fromGbk(labelForType(detailTypes()[static_cast<size_t>(index)])));
}

void ContactDialog::onLabelChanged(const QString& text) {
    contentEdit_->setText(fromGbk(contentOfLabel(toGbk(text))));
}

void ContactDialog::onRowClicked(QTreeWidgetItem* row) {
    if (!row || detailList_->selectedItems().size() != 1)
        return;
    labelEdit_->setText(row->text(LabelColumn));
    contentEdit_->setText(row->text(ContentColumn));
    typeCombo_->setCurrentIndex(typeCombo_->findText(row->text(TypeColumn)));
}

void ContactDialog::addDetail() {
    setRow(new QTreeWidgetItem(detailList_), typedDetail());
    // On to the next type; after the last one the combo shows none and the line reads "：".
    int next = typeCombo_->currentIndex() + 1;
    typeCombo_->setCurrentIndex(next < typeCombo_->count() ? next : -1);
    std::string type = typeCombo_->currentIndex() >= 0
                           ? detailTypes()[static_cast<size_t>(typeCombo_->currentIndex())]
                           : std::string();
    labelEdit_->setText(fromGbk(labelForType(type)));
}

void ContactDialog::modifyDetail() {
    QList<QTreeWidgetItem*> selected = detailList_->selectedItems();
    if (selected.size() == 1)
        setRow(selected.front(), typedDetail());
}

void ContactDialog::deleteDetails() {
    qDeleteAll(detailList_->selectedItems());
}

void ContactDialog::clearForNextContact() {
    nameEdit_->clear();
    sexCombo_->setCurrentIndex(0);
    detailList_->clear();
    labelEdit_->clear();
    contentEdit_->clear();
    typeCombo_->setCurrentIndex(0);
    nameEdit_->setFocus();
}

void ContactDialog::accept() {
    Contact fields = readFields();
    const QDate today = QDate::currentDate();
    if (fields.birthday &&
        isAfterDay(*fields.birthday, DateTime{today.year(), today.month(), today.day()})) {
        QMessageBox::warning(this, utf8("输入提示"),
                             utf8("生日不能晚于今天（") +
                                 QString::fromStdString(birthdayDateText(
                                     DateTime{today.year(), today.month(), today.day()})) +
                                 utf8("）。"));
        birthdayEdit_->dateEdit()->setFocus();
        return;
    }
    switch (recorder_ ? recorder_(editor_, fields) : editor_.save(fields)) {
        case ContactSaveOutcome::EmptyName: {
            warnBox(this, utf8("输入提示"), utf8("请输入该联系人的姓名！"));
            nameEdit_->setFocus();
            return;
        }
        case ContactSaveOutcome::TreeFull:
            warnBox(this, windowTitle(), utf8("通讯录的条目已达上限，这个联系人没有保存。"));
            return;
        case ContactSaveOutcome::Saved:
            break;
    }
    if (mode() == ContactMode::Edit)
        done(ids::kIdOk);
    else
        clearForNextContact();
}

void ContactDialog::reject() {
    done(ids::kIdCancel);
}

int runContactDialog(QWidget* parent, BookmarkTree& addressBook, NamedIconList& icons,
                     ItemId selectedItem, const ContactDialog::SaveRecorder& recorder) {
    ContactDialog dialog(addressBook, icons, selectedItem, parent);
    dialog.setSaveRecorder(recorder);
    return dialog.exec();
}

}  // namespace brivanta
