#include "gui/net/BranchChoice.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/resources/CommandIds.h"

namespace brivanta {

BranchChoice::BranchChoice(const QString& selectedLabel, const QString& entryText, QWidget* parent)
    : QWidget(parent) {
    all_ = new QRadioButton(QString::fromUtf8("全部发送"));
    all_->setObjectName(QString::number(ids::kSendAllRadio));
    selected_ = new QRadioButton(selectedLabel);
    selected_->setObjectName(QString::number(ids::kSendSelectedRadio));
    if (entryText.isEmpty()) {
        all_->setChecked(true);
        selected_->setEnabled(false);
    } else {
        selected_->setText(selectedLabel + QStringLiteral(":[") + entryText + u']');
        selected_->setChecked(true);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(all_);
    layout->addWidget(selected_);
}

int BranchChoice::sendSelected() const {
    return selected_->isEnabled() && selected_->isChecked() ? 1 : 0;
}

}  // namespace brivanta
