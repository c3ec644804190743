#pragma once

#include <QDialog>

class QRadioButton;

namespace brivanta {

// Asks whether to delete the selected entry or everything in the tree.
class DeleteConfirmDialog : public QDialog {
    Q_OBJECT
  public:
    enum Choice { DeleteSelected = 0, DeleteAll = 1 };

    // `selection` is ":[" + label + "]" of the selected entry, or empty when none is
    // selected: then only "删除全部内容" can be chosen.
    explicit DeleteConfirmDialog(const QString& selection, QWidget* parent = nullptr);
    Choice choice() const;

  private:
    QRadioButton* selectedRadio_;
    QRadioButton* allRadio_;
};

}  // namespace brivanta
