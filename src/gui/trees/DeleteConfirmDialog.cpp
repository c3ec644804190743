#include "gui/trees/DeleteConfirmDialog.h"

#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

DeleteConfirmDialog::DeleteConfirmDialog(const QString& selection, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::number(ids::kDeleteConfirmDialog));
    setWindowTitle(QString::fromUtf8("确认删除"));
    setWindowIcon(resourceIcon(ids::kDeleteIcon));
    selectedRadio_ = new QRadioButton(QString::fromUtf8("删除选中的项") + selection);
    selectedRadio_->setObjectName(QString::number(ids::kDeleteSelectedRadio));
    allRadio_ = new QRadioButton(QString::fromUtf8("删除全部内容"));
    allRadio_->setObjectName(QString::number(ids::kDeleteAllRadio));
    if (selection.isEmpty()) {
        selectedRadio_->setEnabled(false);
        allRadio_->setChecked(true);
    } else {
        selectedRadio_->setChecked(true);
    }
    auto* remove = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("删除"));
    remove->setObjectName(QString::number(ids::kIdOk));
    remove->setDefault(true);
    auto* cancel = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancel->setObjectName(QString::number(ids::kIdCancel));
    connect(remove, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(remove);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(selectedRadio_);
    layout->addWidget(allRadio_);
    layout->addLayout(buttons);
    setMinimumWidth(260);
}

DeleteConfirmDialog::Choice DeleteConfirmDialog::choice() const {
    return allRadio_->isChecked() ? DeleteAll : DeleteSelected;
}

}  // namespace brivanta
