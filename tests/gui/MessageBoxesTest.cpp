#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/app/Storage.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/controls/CHyperLink.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/net/SendToPeerDialog.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// What a window manager needs beside the title: its icon, three buttons and the space between
// them, each about as wide as the title bar is high. (openbox cut "登录提示" to "..." in a box
// 126 pixels wide, and showed it whole at 166.)
int roomForTitle(const QString& title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) + 5 * metrics.height();
}

// Latin words in `text` other than names the program keeps as they are, after removing the
// paths a test made (they hold the temporary directory's Latin name).
QStringList englishWords(QString text, const QStringList& paths) {
    for (const QString& path : paths)
        text.remove(path);
    static const QStringList kept = {QStringLiteral("Brivanta"), QStringLiteral("HTML"),
                                     QStringLiteral("IP"),       QStringLiteral("SMTP"),
                                     QStringLiteral("POP3"),     QStringLiteral("htm")};
    QStringList found;
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        QString w = it.next().captured();
        if (!kept.contains(w))
            found << w;
    }
    return found;
}

}  // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void boxesAreWideEnoughForTheirTitle_data();
    void boxesAreWideEnoughForTheirTitle();
    void boxesOthersBuildAreFittedToo();
    void eachKindHasItsIconAndChineseButtons();
    void commonFailuresReadInChinese_data();
    void commonFailuresReadInChinese();
};

void MessageBoxesTest::cleanup() {
    setUrlOpener({});
    setProgramStarter({});
}

void MessageBoxesTest::boxesAreWideEnoughForTheirTitle_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    // The two boxes whose titles openbox cut to "..." and "B...".
    QTest::newRow("login") << QString::fromUtf8("登录提示") << QString::fromUtf8("口令错误!");
    QTest::newRow("sent") << QStringLiteral("Brivanta") << QString::fromUtf8("发送完毕！");
    QTest::newRow("long title") << QString::fromUtf8("导出HTML文件（收藏夹里的全部条目）")
                                << QString::fromUtf8("好");
    QTest::newRow("long text") << QString::fromUtf8("导入")
                               << QString::fromUtf8("新增 12 个条目，跳过 3 个已有的条目。");
}

void MessageBoxesTest::boxesAreWideEnoughForTheirTitle() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    for (auto kind : {QMessageBox::Information, QMessageBox::Warning, QMessageBox::Critical}) {
        ModalDriver driver;
        showMessageBox(nullptr, kind, title, text);
        QCOMPARE(driver.messages().size(), size_t(1));
        const int width = driver.messages()[0].width;
        QVERIFY2(width >= roomForTitle(title),
                 qPrintable(QStringLiteral("%1 < %2").arg(width).arg(roomForTitle(title))));
        QVERIFY(width >= titleFitWidth(title));
    }
    // Fitting twice for one title widens nothing more.
    QMessageBox box(QMessageBox::Warning, title, text);
    fitTitle(box);
    const QSize once = box.sizeHint();
    fitTitle(box);
    QCOMPARE(box.sizeHint(), once);
}

void MessageBoxesTest::boxesOthersBuildAreFittedToo() {
    MessageBoxFitter::install();
    MessageBoxFitter::install();  // once is enough
    QCOMPARE(qApp->findChildren<MessageBoxFitter*>().size(), 1);
    ModalDriver driver;
    QMessageBox::warning(nullptr, QString::fromUtf8("登录提示"), QString::fromUtf8("口令错误!"));
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY(driver.messages()[0].width >= roomForTitle(QString::fromUtf8("登录提示")));
}

void MessageBoxesTest::eachKindHasItsIconAndChineseButtons() {
    ModalDriver driver;
    const QString title = QString::fromUtf8("标题");
    informBox(nullptr, title, QString::fromUtf8("完毕"));
    warnBox(nullptr, title, QString::fromUtf8("请输入"));
    failBox(nullptr, title, QString::fromUtf8("失败"));
    QVERIFY(askBox(nullptr, title, QString::fromUtf8("要替换吗？")));
    driver.answerWith(QString::fromUtf8("取消"));
    QVERIFY(!askBox(nullptr, title, QString::fromUtf8("要替换吗？")));
    // A question whose default is 取消 still takes 确定.
    driver.answerWith(QString::fromUtf8("确定"));
    QVERIFY(askBox(nullptr, title, QString::fromUtf8("要全部删除吗？"), false));
    showMessageBox(nullptr, QMessageBox::Warning, title, QString::fromUtf8("全部"),
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Retry | QMessageBox::Close |
                       QMessageBox::Save | QMessageBox::Discard | QMessageBox::Abort |
                       QMessageBox::Ignore | QMessageBox::Apply | QMessageBox::Help);
    const std::vector<SeenMessage>& seen = driver.messages();
    QCOMPARE(seen.size(), size_t(7));
    QCOMPARE(seen[0].icon, QMessageBox::Information);
    QCOMPARE(seen[1].icon, QMessageBox::Warning);
    QCOMPARE(seen[2].icon, QMessageBox::Critical);
    QCOMPARE(seen[3].icon, QMessageBox::Question);
    QCOMPARE(seen[3].buttons.size(), 2);
    for (const SeenMessage& m : seen) {
        for (const QString& button : m.buttons)
            QVERIFY2(englishWords(button, {}).isEmpty(), qPrintable(button));
    }
    QCOMPARE(seen[0].buttons, QStringList{QString::fromUtf8("确定")});
    QCOMPARE(seen[6].buttons.size(), 10);
}

// The failures a new user meets first, each through the dialog that reports it: nothing in
// the box is in English (the program's own names aside).
void MessageBoxesTest::commonFailuresReadInChinese_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("expected");  // a part of the text
    QTest::newRow("wrong password") << 0 << QString::fromUtf8("口令错误!");
    QTest::newRow("passwords differ") << 1 << QString::fromUtf8("两次输入的密码不一样！");
    QTest::newRow("file to import missing") << 2 << QString::fromUtf8("指定的文件不存在!");
    QTest::newRow("folder that cannot be made") << 3 << QString::fromUtf8("路径中有一部分不是目录");
    QTest::newRow("link that cannot be opened") << 4 << QString::fromUtf8("无法打开");
    QTest::newRow("no neighbour address") << 5 << QString::fromUtf8("请输入邻居的地址。");
}

void MessageBoxesTest::commonFailuresReadInChinese() {
    QFETCH(int, which);
    QFETCH(QString, expected);
    TempHome home;
    const QString base = QDir::current().relativeFilePath(QString::fromStdString(home.path()));
    const QStringList paths = {QString::fromStdString(home.path()), base};
    ModalDriver driver;
    driver.answerWith(QString::fromUtf8("确定"));
    switch (which) {
        case 0: {
            home.write(QStringLiteral("Data/Users.ini"),
                       QByteArray::fromStdString(accountRecord(makeAccount("abc", "abc"))));
            LoginDialog login{Storage(home.path())};
            login.show();
            login.passwordEdit()->setText(QStringLiteral("xyz"));
            QTest::mouseClick(login.okButton(), Qt::LeftButton);
            break;
        }
        case 1: {
            NewUserDialog dialog{Storage(home.path())};
            dialog.show();
            dialog.nameEdit()->setText(QStringLiteral("abc"));
            dialog.passwordEdit()->setText(QStringLiteral("a"));
            dialog.confirmEdit()->setText(QStringLiteral("b"));
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            break;
        }
        case 2:
        case 3: {
            // Named in Chinese: every Latin word left in the box is the program's.
            home.write(QString::fromUtf8("文件"), "x");
            ImportExportDialog dialog(which == 3, QString(), {});
            dialog.chooseFormat(ids::kHtmlFileFormat);
            dialog.pathEdit()->setText(paths[0] + QString::fromUtf8("/文件/子目录/页.htm"));
            dialog.show();
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            break;
        }
        case 4: {
            setUrlOpener([](const QUrl&) { return false; });
            setProgramStarter([](const QString&, const QStringList&) { return false; });
            CHyperLink link(QStringLiteral("https://brivanta.github.io/"));
            QVERIFY(!link.followLink());
            break;
        }
        case 5: {
            SendToPeerDialog dialog{QString()};
            dialog.show();
            dialog.findChild<QPushButton*>(QString::number(ids::kIdOk))->click();
            break;
        }
    }
    QVERIFY(!driver.messages().empty());
    const SeenMessage& last = driver.messages().back();
    QVERIFY2(last.text.contains(expected), qPrintable(last.text));
    QVERIFY(last.icon == QMessageBox::Warning || last.icon == QMessageBox::Critical);
    for (const SeenMessage& m : driver.messages()) {
        QStringList english =
            englishWords(m.title + u'\n' + m.text + u'\n' + m.buttons.join(u' '), paths);
        // The address of the link is what the user clicked, not a text of ours.
        english.removeAll(QStringLiteral("https"));
        english.removeAll(QStringLiteral("brivanta"));
        english.removeAll(QStringLiteral("github"));
        english.removeAll(QStringLiteral("io"));
        QVERIFY2(english.isEmpty(),
                 qPrintable(m.text + QStringLiteral(" / ") + english.join(u',')));
        QVERIFY(m.width >= roomForTitle(m.title));
    }
}

QTEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
