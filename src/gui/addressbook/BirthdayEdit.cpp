#include "gui/addressbook/BirthdayEdit.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>

namespace brivanta {

BirthdayEdit::BirthdayEdit(QWidget* parent)
    : QWidget(parent), checkBox_(new QCheckBox), dateEdit_(new QDateTimeEdit) {
    dateEdit_->setDateTimeRange(QDateTime(QDate(kFirstBirthdayYear, 1, 1), QTime(0, 0, 0)),
                                QDateTime(QDate(kLastBirthdayYear, 12, 31), QTime(23, 59, 59)));
    // Chinese whatever the desktop's language, and only numbers, so every section can be
    // typed: a year typed digit by digit passes through values below the first year.
    dateEdit_->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    dateEdit_->setDisplayFormat(QString::fromUtf8("yyyy年M月d日"));
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDateTime(QDateTime::currentDateTime());
    dateEdit_->setEnabled(false);
    connect(checkBox_, &QCheckBox::toggled, dateEdit_, &QWidget::setEnabled);
    // A click into a part of the date selects that part, so what is typed replaces it (the
    // field takes no digit into a part that is full).
    if (auto* line = dateEdit_->findChild<QLineEdit*>())
        line->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(checkBox_);
    layout->addWidget(dateEdit_, 1);
}

bool BirthdayEdit::eventFilter(QObject* watched, QEvent* event) {
    // The press has placed the cursor: a click without dragging a selection picks the part.
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* line = qobject_cast<QLineEdit*>(watched);
        if (line && !line->hasSelectedText())
            dateEdit_->setSelectedSection(dateEdit_->currentSection());
    }
    return QWidget::eventFilter(watched, event);
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
