#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include "core/trees/BookmarkTree.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/controls/FlatButton.h"

using namespace brivanta;

// Dialogs on a screen with little room: at a scale factor of 2.5 the offscreen screen's
// 800×800 pixels leave 320×320, as a 1280×800 screen with a panel at a factor of 2 leaves
// about 385 less the title bar; either is less than the contact dialog asks for. The program must
// not place any part of a dialog, its buttons least of all, outside the free area.
class DialogScreenFitTest : public QObject {
    Q_OBJECT
  private slots:
    void contactDialogFitsTheFreeArea();
};

void DialogScreenFitTest::contactDialogFitsTheFreeArea() {
    QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(free.height() < 380,
             qPrintable(QStringLiteral("free area %1x%2").arg(free.width()).arg(free.height())));
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    BookmarkTree tree(kAddressBookTree);
    tree.setIconChooser(&icons);
    ContactDialog dialog(tree, icons, kNoItem);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY2(
        dialog.frameGeometry().height() <= free.height(),
        qPrintable(
            QStringLiteral("%1 > %2").arg(dialog.frameGeometry().height()).arg(free.height())));
    // What gives way is the list of details; the buttons below it stay inside the dialog.
    QRect ok(dialog.okButton()->mapTo(&dialog, QPoint(0, 0)), dialog.okButton()->size());
    QVERIFY(dialog.rect().contains(ok));
    auto* list = dialog.findChild<QTreeWidget*>();
    QVERIFY(list);
    QVERIFY(list->height() > 0);
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2.5");
    QApplication app(argc, argv);
    DialogScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogScreenFitTest.moc"
