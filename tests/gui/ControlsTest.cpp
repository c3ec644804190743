#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/controls/BusyAnimation.h"
#include "gui/controls/BusyWindow.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/ResourceIcons.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

void hover(QWidget* w, bool on) {
    if (on) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
}

QImage picture(QWidget* w) {
    return w->grab().toImage();
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
  private slots:
    void flatButtonPlacesIconAndCaption();
    void flatButtonDrawsBordersOnlyWhenHoveredOrPressed();
    void flatButtonGreysWhenDisabled();
    void flatButtonMarksTheKeyboardFocus();
    void busyWindowShowsStepsAndAnimates();
    void guardedEditGivesItsTextToNobodyElse();
};

void ControlsTest::flatButtonPlacesIconAndCaption() {
    QWidget parent;
    FlatButton button(resourceIcon(257), QString::fromUtf8("确定"), &parent);
    button.setGeometry(0, 0, 90, 28);
    parent.show();
    QRect icon = button.iconRect();
    QCOMPARE(icon.left(), 3);
    QCOMPARE(icon.center().y(), QRect(0, 0, 90, 28).center().y());
    QVERIFY(button.captionRect().left() > icon.right());

    button.setDown(true);  // pressed moves everything by one pixel
    QCOMPARE(button.iconRect(), icon.translated(1, 1));
    button.setDown(false);

    button.setShowText(false);  // the bar's buttons: the icon alone, centred
    QVERIFY(button.captionRect().isNull());
    QCOMPARE(button.iconRect().center().x(), QRect(0, 0, 90, 28).center().x());

    button.setTooltipText(QString::fromUtf8("提示"));
    QCOMPARE(button.toolTip(), QString::fromUtf8("提示"));
    button.setTooltipText(QString());  // an empty text changes nothing
    QCOMPARE(button.toolTip(), QString::fromUtf8("提示"));
}

void ControlsTest::flatButtonDrawsBordersOnlyWhenHoveredOrPressed() {
    QWidget parent;
    FlatButton button(resourceIcon(257), QStringLiteral("OK"), &parent);
    button.setGeometry(10, 10, 80, 26);
    parent.show();
    QImage flat = picture(&button);
    hover(&button, true);
    QVERIFY(button.isHovered());
    QImage raised = picture(&button);
    button.setDown(true);
    QImage sunken = picture(&button);
    button.setDown(false);
    hover(&button, false);
    QVERIFY(!button.isHovered());
    QCOMPARE(picture(&button), flat);

    // Raised: light top-left, dark bottom-right; sunken the other way round.
    QPoint topLeft(0, 0), bottomRight(79, 25);
    QVERIFY(raised.pixelColor(topLeft).lightness() > raised.pixelColor(bottomRight).lightness());
    QVERIFY(sunken.pixelColor(topLeft).lightness() < sunken.pixelColor(bottomRight).lightness());
    QVERIFY(flat.pixelColor(topLeft) == flat.pixelColor(QPoint(0, 13)));

    // Pressed and dragged off, the button is drawn flat until the mouse comes back.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 13));
    QVERIFY(button.isDown());
    auto drag = [&](QPoint to) {
        QMouseEvent move(QEvent::MouseMove, to, button.mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&button, &move);
    };
    hover(&button, true);
    drag(QPoint(200, 13));
    QVERIFY(!button.isDown());
    QVERIFY(!button.isHovered());
    QCOMPARE(picture(&button), flat);
    drag(QPoint(40, 13));
    QVERIFY(button.isDown());
    QVERIFY(button.isHovered());
    QCOMPARE(picture(&button), sunken);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 13));
    hover(&button, false);

    // A second icon shows only while the mouse is away.
    button.setIcons(resourceIcon(257), resourceIcon(255));
    QImage away = picture(&button);
    hover(&button, true);
    QImage over = picture(&button);
    QVERIFY(away.copy(button.iconRect()) != over.copy(button.iconRect()));
}

void ControlsTest::flatButtonGreysWhenDisabled() {
    QWidget parent;
    FlatButton button(resourceIcon(257), QStringLiteral("OK"), &parent);
    button.setGeometry(0, 0, 80, 26);
    parent.show();
    QImage enabled = picture(&button);
    button.setEnabled(false);
    QImage disabled = picture(&button);
    auto saturation = [](const QImage& image, const QRect& r) {
        int most = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                most = std::max(most, image.pixelColor(x, y).hslSaturation());
        return most;
    };
    // The green check loses its colour.
    QVERIFY(saturation(disabled, button.iconRect()) < saturation(enabled, button.iconRect()) / 2);
    QVERIFY(disabled.copy(button.captionRect()) != enabled.copy(button.captionRect()));
}

// Tab onto a resting flat button changes how it looks (a focus frame inside its edge) and Tab
// off takes the mark away again.
void ControlsTest::flatButtonMarksTheKeyboardFocus() {
    QWidget parent;
    FlatButton first(QStringLiteral("确定"), &parent);
    FlatButton second(QStringLiteral("取消"), &parent);
    first.setGeometry(0, 0, 80, 26);
    second.setGeometry(90, 0, 80, 26);
    parent.show();
    parent.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&parent));
    second.setFocus(Qt::TabFocusReason);
    QVERIFY(!first.hasFocus());
    QImage resting = picture(&first);
    QTest::keyClick(&second, Qt::Key_Tab);
    QVERIFY(first.hasFocus());
    QVERIFY(!first.isHovered());
    QImage focused = picture(&first);
    QVERIFY(focused != resting);
    // The mark is inside the edge, away from the caption's middle.
    QCOMPARE(focused.copy(QRect(0, 0, 1, 26)), resting.copy(QRect(0, 0, 1, 26)));
    QTest::keyClick(&first, Qt::Key_Tab);
    QVERIFY(!first.hasFocus());
    QCOMPARE(picture(&first), resting);
}

void ControlsTest::busyWindowShowsStepsAndAnimates() {
    QWidget owner;
    owner.show();
    BusyWindow busy(&owner);
    QVERIFY(busy.isVisible());
    QVERIFY(busy.windowFlags().testFlag(Qt::Tool));
    QCOMPARE(busy.windowTitle(), QString::fromUtf8("正在连接..."));
    busy.setStepText(QString::fromUtf8("正在发送数据..."));
    QCOMPARE(busy.windowTitle(), QString::fromUtf8("正在发送数据..."));
    QVERIFY(busy.animation()->isRunning());
    int first = busy.animation()->frame();
    QTRY_VERIFY(busy.animation()->frame() != first);
    QImage a = busy.animation()->grab().toImage();
    int frame = busy.animation()->frame();
    QTRY_VERIFY(busy.animation()->frame() != frame);
    QVERIFY(busy.animation()->grab().toImage() != a);
}

void ControlsTest::guardedEditGivesItsTextToNobodyElse() {
    GuardedPasswordEdit edit;
    edit.show();
    commitText(&edit, QString::fromUtf8("秘密pw"));
    QCOMPARE(edit.password(), text::gbk("秘密pw"));
    QCOMPARE(edit.echoMode(), QLineEdit::Password);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&edit);
    QVERIFY(accessible);
    QVERIFY(accessible->text(QAccessible::Value).isEmpty());
    QVERIFY(accessible->state().passwordEdit);
    // No text interface at all: screen-reader bridges drop the edit's text-change events
    // (which carry the typed characters) for an object without one.
    QVERIFY(!accessible->textInterface());
    QVERIFY(!accessible->editableTextInterface());
    QVERIFY(!accessible->valueInterface());
    for (QAccessible::Text t : {QAccessible::Name, QAccessible::Description, QAccessible::Help,
                                QAccessible::Accelerator}) {
        QVERIFY(!accessible->text(t).contains(QStringLiteral("pw")));
    }

    QVERIFY(edit.inputMethodQuery(Qt::ImSurroundingText).toString().isEmpty());
    QVERIFY(edit.inputMethodQuery(Qt::ImCurrentSelection).toString().isEmpty());

    QApplication::clipboard()->setText(QStringLiteral("before"));
    edit.selectAll();
    QTest::keySequence(&edit, QKeySequence::Copy);
    QTest::keySequence(&edit, QKeySequence::Cut);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QCOMPARE(edit.password(), text::gbk("秘密pw"));
    QVERIFY(!edit.dragEnabled());
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
