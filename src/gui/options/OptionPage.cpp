#include "gui/options/OptionPage.h"
#include "gui/controls/MessageBoxes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

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

void layOutPage(QWidget* page, int iconId, QLayout* fields) {
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(pageIcon(iconId, page), 0, Qt::AlignTop);
    layout->addLayout(fields, 1);
}

QLineEdit* pageEdit(int id, QWidget* page) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::number(id));
    return edit;
}

void refuseField(OptionPage* page, QWidget* field, const QString& text) {
    page->announceComplaint();
    warnBox(page, QStringLiteral("Brivanta"), text);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

}  // namespace brivanta
