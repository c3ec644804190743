#include "gui/accounts/GuardedPasswordEdit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>

#include "gui/text/QtText.h"

namespace brivanta {

namespace {

// What assistive technology sees of a guarded edit: an editable, protected text field with
// its name, but never its content.
class GuardedAccessible : public QAccessibleWidget {
  public:
    explicit GuardedAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return {};
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.passwordEdit = true;
        s.editable = true;
        return s;
    }
};

QAccessibleInterface* guardedFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("brivanta::GuardedPasswordEdit") && object &&
        object->isWidgetType()) {
        return new GuardedAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

GuardedPasswordEdit::GuardedPasswordEdit(QWidget* parent) : QLineEdit(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(guardedFactory);
        return true;
    }();
    (void)installed;
    setEchoMode(QLineEdit::Password);
    setDragEnabled(false);
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
}

std::string GuardedPasswordEdit::password() const {
    return toGbk(text());
}

void GuardedPasswordEdit::setPassword(const std::string& gbk) {
    setText(fromGbk(gbk));
}

QVariant GuardedPasswordEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImSurroundingText:
        case Qt::ImCurrentSelection:
        case Qt::ImTextBeforeCursor:
        case Qt::ImTextAfterCursor:
            return QString();
        default:
            return QLineEdit::inputMethodQuery(query);
    }
}

void GuardedPasswordEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void GuardedPasswordEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The standard menu offers copy and cut; there is nothing here to offer.
    event->accept();
}

}  // namespace brivanta
