#include "gui/options/OptionPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "gui/resources/ResourceIcons.h"

namespace brivanta {

QWidget* pageIcon(int iconId, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::number(iconId));
    label->setPixmap(resourceIcon(iconId).pixmap(32, 32));
    label->setFixedSize(36, 36);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

void refuseField(OptionPage* page, QWidget* field, const QString& text) {
    page->announceComplaint();
    QMessageBox::warning(page, QStringLiteral("Brivanta"), text);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

}  // namespace brivanta
