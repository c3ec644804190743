#pragma once

#include <QDialog>
#include <functional>

#include "core/addressbook/ContactEditor.h"
#include "core/trees/BookmarkTree.h"

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace brivanta {

class BirthdayEdit;
class FlatButton;
class NamedIconList;

// The address book's contact editor, "通讯录": name, sex, birthday and a list of typed
// details. Opened on a contact it edits that contact and closes on save; opened anywhere
// else it adds contacts under the selected entry and stays open for the next one.
class ContactDialog : public QDialog {
    Q_OBJECT
  public:
    // `icons` gives the rows their type images; the dialog only borrows it.
    ContactDialog(BookmarkTree& addressBook, NamedIconList& icons, ItemId selected,
                  QWidget* parent = nullptr);

    // Saves a contact in place of editor.save, so that the save can be recorded (undo).
    using SaveRecorder = std::function<ContactSaveOutcome(ContactEditor& editor, const Contact&)>;
    void setSaveRecorder(SaveRecorder recorder) { recorder_ = std::move(recorder); }

    ContactMode mode() const { return editor_.mode(); }
    // The contact entry the last save wrote, or kNoItem.
    ItemId lastSaved() const { return editor_.lastSaved(); }

    QLineEdit* nameEdit() const { return nameEdit_; }
    QComboBox* sexCombo() const { return sexCombo_; }
    BirthdayEdit* birthdayEdit() const { return birthdayEdit_; }
    QTreeWidget* detailList() const { return detailList_; }
    QComboBox* typeCombo() const { return typeCombo_; }
    QLineEdit* labelEdit() const { return labelEdit_; }
    QLineEdit* contentEdit() const { return contentEdit_; }
    FlatButton* addButton() const { return addButton_; }
    FlatButton* modifyButton() const { return modifyButton_; }
    FlatButton* deleteButton() const { return deleteButton_; }
    FlatButton* okButton() const { return okButton_; }
    FlatButton* cancelButton() const { return cancelButton_; }

    // Save: writes the contact; adding then clears the fields for the next contact.
    void accept() override;
    void reject() override;

  private:
    void loadContact(const Contact& contact);
    Contact readFields() const;
    void setRow(QTreeWidgetItem* row, const ContactDetail& detail);
    ContactDetail rowDetail(const QTreeWidgetItem* row) const;
    ContactDetail typedDetail() const;
    void onTypeChosen(int index);
    void onLabelChanged(const QString& text);
    void onRowClicked(QTreeWidgetItem* row);
    void addDetail();
    void modifyDetail();
    void deleteDetails();
    void clearForNextContact();

    NamedIconList& icons_;
    ContactEditor editor_;
    SaveRecorder recorder_;
    QLineEdit* nameEdit_;
    QComboBox* sexCombo_;
    BirthdayEdit* birthdayEdit_;
    QTreeWidget* detailList_;
    QComboBox* typeCombo_;
    QLineEdit* labelEdit_;
    QLineEdit* contentEdit_;
    FlatButton* addButton_;
    FlatButton* modifyButton_;
    FlatButton* deleteButton_;
    FlatButton* okButton_;
    FlatButton* cancelButton_;
};

// Runs the dialog modally on the address book's selected entry (kNoItem for none) and
// returns ids::kIdOk or ids::kIdCancel. New contact and edit of a contact both come here:
// the selected entry decides between adding and editing.
int runContactDialog(QWidget* parent, BookmarkTree& addressBook, NamedIconList& icons,
                     ItemId selectedItem, const ContactDialog::SaveRecorder& recorder = {});

}  // namespace brivanta
