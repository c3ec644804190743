// Every dialog from the keyboard: Tab visits the controls in the order they are laid out, and
// Escape closes the dialog.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

#include "DialogCatalogue.h"
#include "GuiTestSupport.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

bool takesTab(QWidget* w, QWidget* dialog) {
    // A widget with a focus proxy (a tab widget's tab bar) is reached as the proxy.
    return w != dialog && !w->focusProxy() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
           w->isVisibleTo(dialog) && w->window() == dialog;
}

// The controls Tab reaches, in the order it reaches them, starting after `from`.
QList<QWidget*> tabChain(QWidget* dialog, QWidget* from) {
    QList<QWidget*> chain;
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if (takesTab(w, dialog) && !chain.contains(w))
            chain << w;
    }
    if (takesTab(from, dialog))
        chain << from;
    return chain;
}

QString describe(QWidget* w, QWidget* dialog) {
    QPoint at = w->mapTo(dialog, QPoint(0, 0));
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    return QStringLiteral("%1 %2 \"%3\" at %4,%5")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text)
        .arg(at.x())
        .arg(at.y());
}

// Reading order: a control whose top is lower than another's bottom comes after it; on one
// line, left to right.
bool readsBefore(QWidget* a, QWidget* b, QWidget* dialog) {
    QRect ra(a->mapTo(dialog, QPoint(0, 0)), a->size());
    QRect rb(b->mapTo(dialog, QPoint(0, 0)), b->size());
    if (ra.bottom() < rb.top())
        return true;
    if (rb.bottom() < ra.top())
        return false;
    return ra.left() < rb.left();
}

}  // namespace

class DialogKeyboardTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void tabFollowsTheLayout_data();
    void tabFollowsTheLayout();
    void escapeClosesTheDialog_data() { tabFollowsTheLayout_data(); }
    void escapeClosesTheDialog();

  private:
    TestProfile profile_;
};

void DialogKeyboardTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("DialogKeyboardTest"));
    DialogCatalogue::prepare();
}

void DialogKeyboardTest::cleanupTestCase() {
    DialogCatalogue::finish();
}

void DialogKeyboardTest::tabFollowsTheLayout_data() {
    QTest::addColumn<int>("index");
    auto all = DialogCatalogue::dialogs();
    for (size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].first) << static_cast<int>(i);
}

void DialogKeyboardTest::tabFollowsTheLayout() {
    QFETCH(int, index);
    std::unique_ptr<QDialog> dialog =
        DialogCatalogue::dialogs()[static_cast<size_t>(index)].second();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    // A tabbed dialog is walked on each of its pages.
    auto* pages = dialog->findChild<QTabWidget*>();
    const int pageCount = pages ? pages->count() : 1;
    for (int page = 0; page < pageCount; ++page) {
        if (pages)
            pages->setCurrentIndex(page);
        QList<QWidget*> chain = tabChain(dialog.get(), dialog.get());
        QVERIFY(!chain.isEmpty());
        // The chain is a cycle: it may start anywhere, but once around it reads in order
        // with one wrap from the last control back to the first.
        int wraps = 0;
        QString order;
        for (int i = 0; i < chain.size(); ++i) {
            QWidget* a = chain[i];
            QWidget* b = chain[(i + 1) % chain.size()];
            order += describe(a, dialog.get()) + u'\n';
            if (!readsBefore(a, b, dialog.get()))
                ++wraps;
        }
        QVERIFY2(
            wraps <= 1,
            qPrintable(QStringLiteral("page %1: Tab goes back and forth:\n").arg(page) + order));
    }
}

void DialogKeyboardTest::escapeClosesTheDialog() {
    QFETCH(int, index);
    std::unique_ptr<QDialog> dialog =
        DialogCatalogue::dialogs()[static_cast<size_t>(index)].second();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : dialog.get();
    QTest::keyClick(focus, Qt::Key_Escape);
    QTRY_VERIFY(!dialog->isVisible());
    // Cancelled, whichever code the dialog ends with for that.
    QVERIFY(dialog->result() != QDialog::Accepted);
}

QTEST_MAIN(DialogKeyboardTest)
#include "DialogKeyboardTest.moc"
