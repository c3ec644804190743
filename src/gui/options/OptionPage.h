#pragma once

#include <QWidget>

#include "gui/options/OptionValues.h"

class QLayout;
class QLineEdit;

namespace brivanta {

// One page of the options sheet: it fills itself from the values, checks what was typed
// (telling the user what is wrong) and writes back. The sheet runs the pages in order.
class OptionPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;

    virtual QString title() const = 0;
    virtual void load(const OptionValues& values) = 0;
    // False (after a message) when the page must stay open.
    virtual bool validate() = 0;
    virtual void save(OptionValues& values) const = 0;

  signals:
    // Before the page tells the user what is wrong: the sheet brings it to the front.
    void complaining();

  protected:
    void announceComplaint() { emit complaining(); }
    friend void refuseField(OptionPage* page, QWidget* field, const QString& text);
};

// The icon a page shows at its top left, and the message the integer fields give.
QWidget* pageIcon(int iconId, QWidget* parent);
// Lays out `page`: the icon `iconId` at the top left, `fields` to its right.
void layOutPage(QWidget* page, int iconId, QLayout* fields);
// A line edit of `page` named by the control id `id`.
QLineEdit* pageEdit(int id, QWidget* page);
void refuseField(OptionPage* page, QWidget* field, const QString& text);

}  // namespace brivanta
