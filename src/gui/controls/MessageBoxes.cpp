#include "gui/controls/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <algorithm>

namespace brivanta {

namespace {

// The width a box was last fitted to, so a second call adds nothing for the same title.
constexpr const char* kFittedWidth = "brivantaTitleFitWidth";

struct ButtonText {
    QMessageBox::StandardButton button;
    const char* text;
};

constexpr ButtonText kButtonTexts[] = {
    {QMessageBox::Ok, "确定"},        {QMessageBox::Cancel, "取消"},
    {QMessageBox::Yes, "是"},         {QMessageBox::No, "否"},
    {QMessageBox::Retry, "重试"},     {QMessageBox::Close, "关闭"},
    {QMessageBox::Save, "保存"},      {QMessageBox::Discard, "不保存"},
    {QMessageBox::Abort, "中止"},     {QMessageBox::Ignore, "忽略"},
    {QMessageBox::Apply, "应用"},     {QMessageBox::YesToAll, "全部是"},
    {QMessageBox::NoToAll, "全部否"}, {QMessageBox::Help, "帮助"},
};

}  // namespace

int titleFitWidth(const QString& title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    QFontMetrics metrics(font);
    // A title bar holds the window's icon, the title with a margin on each side, and up to
    // three buttons; each of those is about a line high and square.
    const int cell = metrics.height() + 8;
    return metrics.horizontalAdvance(title) + 2 * metrics.averageCharWidth() + 4 * cell + 16;
}

void fitTitle(QMessageBox& box) {
    const int wanted = titleFitWidth(box.windowTitle());
    if (wanted <= box.property(kFittedWidth).toInt())
        return;
    box.setProperty(kFittedWidth, wanted);
    // The box sets its own fixed size from its layout each time it is shown, so the width is
    // asked for by the layout: an empty item as wide as the title needs, below everything.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) {
        box.setMinimumWidth(wanted);
        return;
    }
    QMargins margins = grid->contentsMargins();
    const int inside = std::max(0, wanted - margins.left() - margins.right());
    grid->addItem(new QSpacerItem(inside, 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
}

void nameButtonsInChinese(QMessageBox& box) {
    for (const ButtonText& b : kButtonTexts) {
        if (QAbstractButton* button = box.button(b.button))
            button->setText(QString::fromUtf8(b.text));
    }
}

QMessageBox::StandardButton showMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    nameButtonsInChinese(box);
    fitTitle(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void informBox(QWidget* parent, const QString& title, const QString& text) {
    showMessageBox(parent, QMessageBox::Information, title, text);
}

void warnBox(QWidget* parent, const QString& title, const QString& text) {
    showMessageBox(parent, QMessageBox::Warning, title, text);
}

void failBox(QWidget* parent, const QString& title, const QString& text) {
    showMessageBox(parent, QMessageBox::Critical, title, text);
}

bool askBox(QWidget* parent, const QString& title, const QString& text, bool okByDefault) {
    return showMessageBox(parent, QMessageBox::Question, title, text,
                          QMessageBox::Ok | QMessageBox::Cancel,
                          okByDefault ? QMessageBox::Ok : QMessageBox::Cancel) == QMessageBox::Ok;
}

MessageBoxFitter::MessageBoxFitter(QObject* parent) : QObject(parent) {}

void MessageBoxFitter::install() {
    if (!qApp || qApp->findChild<MessageBoxFitter*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new MessageBoxFitter(qApp));
}

bool MessageBoxFitter::eventFilter(QObject* watched, QEvent* event) {
    // Before the box's own show handling, which sizes it from its layout.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        // Only fitted: the buttons keep the texts their owner gave them.
        if (auto* box = qobject_cast<QMessageBox*>(watched))
            fitTitle(*box);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
