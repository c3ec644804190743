#include "gui/app/BarDialog.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <ctime>

#include "core/app/BarClock.h"
#include "core/app/BarPlacement.h"
#include "core/trees/TreeKind.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

namespace {

struct ButtonSpec {
    int id;
    int icon;
    const char* tip;
};

constexpr std::array<ButtonSpec, 4> kButtons = {{
    {ids::kBarRecommendedButton, ids::kRecommendedTabIcon, "推荐收藏内容"},
    {ids::kBarCustomButton, ids::kCustomTabIcon, "用户自定义收藏"},
    {ids::kBarAddressBookButton, ids::kAddressBookTabIcon, "通讯录"},
    {ids::kBarSystemButton, ids::kSystemButtonIcon, "系统设置"},
}};

// The dialog's size and place in dialog units.
constexpr int kWidthUnits = 166;
constexpr int kHeightUnits = 24;
constexpr int kLeftUnits = 300;
constexpr int kTopUnits = 3;

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// The clock's two lines, in Chinese whatever the desktop's locale.
QString timeText(const std::tm& t) {
    return QString::fromStdString(barClockTime(t));
}

QString dateText(const std::tm& t) {
    return QString::fromStdString(barClockDate(t));
}

}  // namespace

BarDialog::BarDialog(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QString::number(ids::kBarDialog));
    setWindowTitle(QStringLiteral("Brivanta"));
    setWindowIcon(resourceIcon(ids::kProgramIcon));
    background_ = backgroundBitmap();

    const int height = dialogUnitsY(kHeightUnits);
    const int side = std::max(20, height - 6);
    int x = 3;
    for (size_t i = 0; i < kButtons.size(); ++i) {
        const ButtonSpec& spec = kButtons[i];
        auto* button = new FlatButton(QString(), this);
        button->setObjectName(QString::number(spec.id));
        button->setIcons(resourceIcon(spec.icon));
        button->setShowText(false);
        button->setTooltipText(QString::fromUtf8(spec.tip));
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(x, (height - side) / 2, side, side);
        x += side + 1;
        connect(button, &QPushButton::clicked, this, [this, id = spec.id] { onButton(id); });
        buttons_[i] = button;
    }
    const int width = std::max(dialogUnitsX(kWidthUnits), x + 120);
    const int lineHeight = (height - 4) / 2;
    for (size_t i = 0; i < lines_.size(); ++i) {
        auto* line = new QLabel(this);
        line->setObjectName(QString::number(ids::kBarStatusLine1 + static_cast<int>(i)));
        line->setAlignment(Qt::AlignCenter);
        line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        line->setGeometry(x + 3, 2 + static_cast<int>(i) * lineHeight, width - x - 6, lineHeight);
        lines_[i] = line;
    }
    setFixedSize(width, height);

    clock_.setInterval(kClockMilliseconds);
    connect(&clock_, &QTimer::timeout, this, &BarDialog::updateClock);
    clock_.start();
    updateClock();
}

int BarDialog::dialogUnitsX(int units) const {
    QFontMetrics metrics(font());
    int average = metrics.horizontalAdvance(
                      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                  52;
    return units * std::max(1, average) / 4;
}

int BarDialog::dialogUnitsY(int units) const {
    return units * QFontMetrics(font()).height() / 8;
}

QPoint BarDialog::usualOffset() const {
    return {dialogUnitsX(kLeftUnits), dialogUnitsY(kTopUnits)};
}

void BarDialog::placeOn(const QRect& available) {
    // At a large scale or on a small screen the usual place would push the clock off the
    // right edge: the bar then moves left as far as it has to, never past the left edge.
    const QPoint offset = usualOffset();
    const DesktopPlaces places = placeBarBesideWindow(
        {available.left(), available.top(), available.left() + available.width(),
         available.top() + available.height()},
        {offset.x(), offset.y(), width(), height()}, 0, 0);
    move(places.bar.left, places.bar.top);
}

FlatButton* BarDialog::button(int id) const {
    for (size_t i = 0; i < kButtons.size(); ++i) {
        if (kButtons[i].id == id)
            return buttons_[i];
    }
    return nullptr;
}

QString BarDialog::statusLine(int line) const {
    return line == 1 || line == 2 ? lines_[line - 1]->text() : QString();
}

void BarDialog::updateClock() {
    if (!clockOn_)
        return;
    std::tm now = localNow();
    lines_[0]->setText(timeText(now));
    lines_[1]->setText(dateText(now));
}

QPoint BarDialog::belowButton(int id) const {
    FlatButton* b = button(id);
    return b ? b->mapToGlobal(QPoint(0, b->height())) : mapToGlobal(QPoint(0, height()));
}

void BarDialog::holdClockFor(const QString& line1, const QString& line2,
                             const std::function<void()>& menu) {
    clockOn_ = false;
    lines_[0]->setText(line1);
    if (!line2.isNull())
        lines_[1]->setText(line2);
    menu();
    clockOn_ = true;
}

void BarDialog::onButton(int id) {
    QPoint at = belowButton(id);
    if (id == ids::kBarSystemButton) {
        holdClockFor(QString::fromUtf8("当前操作对象"), QString::fromUtf8("收藏"), [&] {
            emit contextMenuRequested(ids::kCustomTreeControl, ids::kTrayMenu, at);
        });
        return;
    }
    int tree = ids::kRecommendedTreeControl;
    const char* name = "推荐";
    if (id == ids::kBarCustomButton) {
        tree = ids::kCustomTreeControl;
        name = "收藏";
    } else if (id == ids::kBarAddressBookButton) {
        tree = ids::kAddressBookControl;
        name = "通讯录";
    }
    holdClockFor(QString::fromUtf8("当前菜单内容"), QString::fromUtf8(name),
                 [&] { emit quickMenuRequested(tree, at); });
}

void BarDialog::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* clicked = childAt(event->pos());
    int id = clicked ? clicked->objectName().toInt() : 0;
    struct Target {
        int button;
        int menu;
        int tree;
        const char* name;
    };
    static constexpr std::array<Target, 4> kTargets = {{
        {ids::kBarRecommendedButton, ids::kNodeMenu, ids::kRecommendedTreeControl, "推荐"},
        {ids::kBarCustomButton, ids::kNodeMenu, ids::kCustomTreeControl, "收藏"},
        {ids::kBarAddressBookButton, ids::kAddressBookMenu, ids::kAddressBookControl, "通讯录"},
        {ids::kBarSystemButton, ids::kTrayMenu, ids::kAddressBookControl, "通讯录"},
    }};
    const Target* target = nullptr;
    for (const Target& t : kTargets) {
        if (t.button == id)
            target = &t;
    }
    event->accept();
    if (!target) {
        holdClockFor(QString::fromUtf8("当前操作对象"), QString(), [] {});
        return;
    }
    QPoint at = belowButton(id);
    holdClockFor(QString::fromUtf8("当前操作对象"), QString::fromUtf8(target->name),
                 [&] { emit contextMenuRequested(target->tree, target->menu, at); });
}

void BarDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, background_);
    // The thin border of a popup without a frame of the window manager's.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void BarDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Any point that is not a button drags the bar.
    if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void BarDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void BarDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace brivanta
