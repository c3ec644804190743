#pragma once

#include <QDialog>
#include <QString>

#include "core/formats/ImportExportChecks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace brivanta {

class FlatButton;
class IconMenu;

// Dialog 188: chooses the format (the type menu), the folder or file, and whether the whole
// tree or the selected entry is meant. Ends with ids::kIdOk only once the checks passed (and,
// for an existing file to export to, the user agreed to replace it; for a missing folder to
// export to, the user agreed to make it and it was made). Besides the program's own
// formats it reads and writes browsers' bookmark files and, in import mode, reads the
// Firefox and Chromium profiles found below the user's home, one chosen in a list.
class ImportExportDialog : public QDialog {
    Q_OBJECT
  public:
    // `selectedName` is the text of the tree's selected entry, empty when none is selected.
    ImportExportDialog(bool isExport, const QString& selectedName, const ExchangeFolders& folders,
                       QWidget* parent = nullptr);

    bool isExport() const { return isExport_; }
    const QString& selectedName() const { return selectedName_; }
    // The chosen format as its type-menu command id (ids::kShortcutFolderFormat, ...).
    int exchangeKind() const { return exchangeKind_; }
    ExchangeFormat format() const;
    QString exchangePath() const;
    // 0: the whole tree (export) or the top level (import); 1: the selected entry.
    int exchangeScope() const;

    // What picking `commandId` from the type menu does.
    void chooseFormat(int commandId);
    // Menu 191 at the type button; picks what the user chooses.
    void showTypeMenu();
    void browse();
    void accept() override;
    void reject() override;

    QLineEdit* pathEdit() const { return pathEdit_; }
    QLabel* pathLabel() const { return pathLabel_; }
    FlatButton* typeButton() const { return typeButton_; }
    FlatButton* browseButton() const { return browseButton_; }
    FlatButton* okButton() const { return okButton_; }
    FlatButton* cancelButton() const { return cancelButton_; }
    QRadioButton* allRadio() const { return allRadio_; }
    QRadioButton* selectedRadio() const { return selectedRadio_; }
    // The browser profiles found for the chosen browser; hidden for the other formats.
    QComboBox* profileCombo() const { return profileCombo_; }
    // The menu showTypeMenu() shows; made with the dialog.
    IconMenu* typeMenu() const { return typeMenu_; }

  private:
    void error(const QString& text);
    // Asks whether to make the missing `folder` of an export and makes it; false when the user
    // declined or it could not be made (which was said).
    bool offerToCreate(const std::string& folder);
    // Lists the profiles of the chosen browser and proposes the first.
    void fillProfiles();

    bool isExport_;
    QString selectedName_;
    ExchangeFolders folders_;
    int exchangeKind_;
    QLabel* iconLabel_;
    QLabel* pathLabel_;
    QLineEdit* pathEdit_;
    FlatButton* typeButton_;
    FlatButton* browseButton_;
    FlatButton* okButton_;
    FlatButton* cancelButton_;
    QRadioButton* allRadio_;
    QRadioButton* selectedRadio_;
    QComboBox* profileCombo_;
    IconMenu* typeMenu_;
};

// The format a type-menu command stands for, and back.
ExchangeFormat exchangeFormatFor(int commandId);
int exchangeCommandFor(ExchangeFormat format);

}  // namespace brivanta
