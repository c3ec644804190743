#include "gui/addressbook/BirthdayEdit.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLocale>

namespace brivanta {

BirthdayEdit::BirthdayEdit(QWidget* parent)
    : QWidget(parent), checkBox_(new QCheckBox), dateEdit_(new QDateTimeEdit) {
    dateEdit_->setDateTimeRange(QDateTime(QDate(kFirstBirthdayYear, 1, 1), QTime(0, 0, 0)),
                                QDateTime(QDate(kLastBirthdayYear, 12, 31), QTime(23, 59, 59)));
    dateEdit_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDateTime(QDateTime::currentDateTime());
    dateEdit_->setEnabled(false);
    connect(checkBox_, &QCheckBox::toggled, dateEdit_, &QWidget::setEnabled);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(checkBox_);
    layout->addWidget(dateEdit_, 1);
}

std::optional<DateTime> BirthdayEdit::birthday() const {
    if (!checkBox_->isChecked())
        return std::nullopt;
    QDateTime at = dateEdit_->dateTime();
    DateTime when{at.date().year(), at.date().month(),  at.date().day(),
                  at.time().hour(), at.time().minute(), at.time().second()};
    if (!isValidDateTime(when))
        return std::nullopt;
    return when;
}

void BirthdayEdit::setBirthday(const std::optional<DateTime>& when) {
    if (when && isValidDateTime(*when)) {
        dateEdit_->setDateTime(QDateTime(QDate(when->year, when->month, when->day),
                                         QTime(when->hour, when->minute, when->second)));
        checkBox_->setChecked(true);
    } else {
        checkBox_->setChecked(false);
    }
}

}  // namespace brivanta
