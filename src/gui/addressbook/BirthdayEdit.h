#pragma once

#include <QDateTime>
#include <QWidget>
#include <optional>

#include "core/addressbook/BirthdayDate.h"

class QCheckBox;
class QDateTimeEdit;

namespace brivanta {

// A date picker that can also hold no date: a check box in front of a date field in the
// long date format. Cleared, the field is greyed and keeps the date it showed, so checking
// the box again brings it back.
class BirthdayEdit : public QWidget {
    Q_OBJECT
  public:
    // Starts at the current time, with no date.
    explicit BirthdayEdit(QWidget* parent = nullptr);

    std::optional<DateTime> birthday() const;
    // No value clears the box and leaves the shown date as it is.
    void setBirthday(const std::optional<DateTime>& when);

    QCheckBox* checkBox() const { return checkBox_; }
    QDateTimeEdit* dateEdit() const { return dateEdit_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QCheckBox* checkBox_;
    QDateTimeEdit* dateEdit_;
};

}  // namespace brivanta
