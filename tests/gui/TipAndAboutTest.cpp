#include <QCheckBox>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "GuiTestSupport.h"
#include "core/app/Storage.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/TipDialog.h"
#include "gui/controls/CHyperLink.h"
#include "gui/controls/FlatButton.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/WindowManagerHints.h"
#include "gui/resources/CommandIds.h"

using namespace brivanta;

Q_DECLARE_METATYPE(QColor)

namespace {

QString id(int number) {
    return QString::number(number);
}

void hover(CHyperLink& link, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&link, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&link, &leave);
    }
}

}  // namespace

class TipAndAboutTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void linkColours_data();
    void linkColours();
    void linkOpensMailAndWebAddresses_data();
    void linkOpensMailAndWebAddresses();
    void aFailedLinkSaysWhyAndStaysUnvisited();
    void aLinkFitsItsText();

    void tipsContinueBetweenShowingsAndStartOverWhenEdited();
    void closingKeepsTheStartUpChoiceOnlyThroughTheCloseButton();
    void aMissingTipsFileDisablesNextAndStoresNothing();
    void aFileWithoutTipsShowsAnEmptyTip();
    void aBadStoredPositionIsReported();
    void theTipIsADialogOfTheMainWindow();

    void aboutBoxHoldsTheVersionAndTwoLinks();

  private:
    std::unique_ptr<test::TestProfile> profile_;
    std::optional<std::string> stored(const char* key) { return profile_->store().value(key); }
    std::vector<QUrl> opened_;
    bool openerSucceeds_ = true;
};

void TipAndAboutTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("TipAndAboutTest"));
}

void TipAndAboutTest::init() {
    // A profile of the test's own, never the user's.
    profile_.reset();
    profile_ = std::make_unique<test::TestProfile>();
    opened_.clear();
    openerSucceeds_ = true;
    setUrlOpener([this](const QUrl& url) {
        opened_.push_back(url);
        return openerSucceeds_;
    });
}

void TipAndAboutTest::cleanup() {
    setUrlOpener({});
}

void TipAndAboutTest::linkColours_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<bool>("hovering");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("visited");
    QTest::addColumn<QColor>("colour");
    const unsigned plain = CHyperLink::kDefaultFlags;
    const unsigned withHover = plain | CHyperLink::kUseHover;
    const unsigned noActive = plain | CHyperLink::kNoActiveColour;
    QTest::newRow("link") << plain << false << false << false << CHyperLink::kLinkColour;
    QTest::newRow("hover without its flag")
        << plain << true << false << false << CHyperLink::kLinkColour;
    QTest::newRow("hover with its flag")
        << withHover << true << true << true << CHyperLink::kHoverColour;
    QTest::newRow("active while focused")
        << plain << false << true << false << CHyperLink::kActiveColour;
    QTest::newRow("active beats visited")
        << plain << true << true << true << CHyperLink::kActiveColour;
    QTest::newRow("no active colour")
        << noActive << false << true << false << CHyperLink::kLinkColour;
    QTest::newRow("visited") << plain << false << false << true << CHyperLink::kVisitedColour;
    QTest::newRow("visited, focused, no active")
        << noActive << false << true << true << CHyperLink::kVisitedColour;
}

void TipAndAboutTest::linkColours() {
    QFETCH(unsigned, flags);
    QFETCH(bool, hovering);
    QFETCH(bool, focused);
    QFETCH(bool, visited);
    QFETCH(QColor, colour);
    QWidget window;
    auto* other = new QLabel(QStringLiteral("x"), &window);
    other->setFocusPolicy(Qt::StrongFocus);
    auto* link = new CHyperLink(QStringLiteral("https://example.org/"), {}, &window, flags);
    link->move(0, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (visited) {
        QVERIFY(link->followLink());
        QCOMPARE(opened_.size(), size_t{1});
    }
    if (focused) {
        link->setFocus();
        QTRY_VERIFY(link->hasFocus());
    } else {
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
    }
    hover(*link, hovering);
    QCOMPARE(link->isVisited(), visited);
    QCOMPARE(link->linkColour(), colour);
    QCOMPARE(link->palette().color(QPalette::WindowText), colour);
    QVERIFY(link->font().underline());
}

void TipAndAboutTest::linkOpensMailAndWebAddresses_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    QTest::newRow("mail") << "brivanta@example.cn"
                          << "mailto:brivanta@example.cn";
    QTest::newRow("mailto kept") << "mailto:a@b.cn"
                                 << "mailto:a@b.cn";
    QTest::newRow("web") << "https://brivanta.github.io/"
                         << "https://brivanta.github.io/";
    QTest::newRow("web with a user is no mail") << "http://me@host.cn/"
                                                << "http://me@host.cn/";
}

void TipAndAboutTest::linkOpensMailAndWebAddresses() {
    QFETCH(QString, target);
    QFETCH(QString, url);
    CHyperLink link(target);
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QCOMPARE(link.toolTip(), target);
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    // A click opens it once; so does the space key.
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
    QCOMPARE(opened_.size(), size_t{1});
    QCOMPARE(opened_[0].toString(), url);
    QTest::keyClick(&link, Qt::Key_Space);
    QCOMPARE(opened_.size(), size_t{2});
    QVERIFY(link.isVisited());
    // Teal while it keeps the focus after the click, purple once it lost it.
    QCOMPARE(link.linkColour(), CHyperLink::kActiveColour);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&link, &out);
    QCOMPARE(link.linkColour(), CHyperLink::kVisitedColour);
}

void TipAndAboutTest::aFailedLinkSaysWhyAndStaysUnvisited() {
    openerSucceeds_ = false;
    CHyperLink link(QStringLiteral("主页"), QStringLiteral("https://brivanta.github.io/"));
    QCOMPARE(link.text(), QString::fromUtf8("主页"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://brivanta.github.io/"));
    // Nor can a browser be started: the same opener as the trees' entries tries that too.
    QStringList started;
    setProgramStarter([&](const QString& program, const QStringList&) {
        started << program;
        return false;
    });
    test::ModalDriver driver;
    QVERIFY(!link.followLink());
    setProgramStarter({});
    QCOMPARE(driver.messages().size(), size_t{1});
    // The trees' own words, in Chinese.
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("无法打开 “https://brivanta.github.io/”。"));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Warning);
    QVERIFY(!link.isVisited());
}

void TipAndAboutTest::aLinkFitsItsText() {
    CHyperLink fitted(QStringLiteral("brivanta@example.cn"));
    QCOMPARE(fitted.size(), fitted.sizeHint());
    QCOMPARE(fitted.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    CHyperLink free(QStringLiteral("brivanta@example.cn"), {}, nullptr,
                    CHyperLink::kUnderline | CHyperLink::kTakeFocus);
    free.resize(400, 40);
    QCOMPARE(free.size(), QSize(400, 40));
}

void TipAndAboutTest::tipsContinueBetweenShowingsAndStartOverWhenEdited() {
    test::TempHome home;
    home.write(QStringLiteral("tips.txt"), "; c\n\nfirst\nsecond\nthird\n");
    // A root relative to the working directory (left as it is), as "--home DIR" may give.
    Storage storage(
        QDir::current().relativeFilePath(QString::fromStdString(home.path())).toStdString());
    {
        TipDialog dialog(storage);
        QCOMPARE(dialog.tipText(), QStringLiteral("first\n"));
        QVERIFY(dialog.showAtStartup());
        dialog.findChild<FlatButton*>(id(ids::kNextTipButton))->click();
        QCOMPARE(dialog.tipText(), QStringLiteral("second\n"));
    }
    QCOMPARE(stored("Tip/FilePos"), std::optional<std::string>("18"));
    QCOMPARE(stored("Tip/TimeStamp").value_or("").size(), size_t(24));
    {
        TipDialog dialog(storage);
        QCOMPARE(dialog.tipText(), QStringLiteral("third\n"));
        dialog.showNextTip();
        QCOMPARE(dialog.tipText(), QStringLiteral("first\n"));
    }
    // An edit (a new modification time) starts again at the top.
    profile_->store().setValue("Tip/TimeStamp", "Mon Jan  1 00:00:00 2001");
    profile_->store().setValue("Tip/FilePos", "19");
    TipDialog dialog(storage);
    QCOMPARE(dialog.tipText(), QStringLiteral("first\n"));
    QVERIFY(stored("Tip/TimeStamp") != std::optional<std::string>("Mon Jan  1 00:00:00 2001"));
}

void TipAndAboutTest::closingKeepsTheStartUpChoiceOnlyThroughTheCloseButton() {
    test::TempHome home;
    home.write(QStringLiteral("tips.txt"), "tip\n");
    Storage storage(home.path());
    {
        TipDialog dialog(storage);
        dialog.findChild<QCheckBox*>(id(ids::kTipStartUpCheck))->setChecked(false);
        dialog.reject();  // Escape or the close box
    }
    QVERIFY(!stored("Tip/StartUp"));
    {
        TipDialog dialog(storage);
        dialog.findChild<QCheckBox*>(id(ids::kTipStartUpCheck))->setChecked(false);
        dialog.findChild<FlatButton*>(id(ids::kIdOk))->click();
    }
    QCOMPARE(stored("Tip/StartUp"), std::optional<std::string>("1"));
    // Switched off: the start shows nothing (a modal dialog would hang the test otherwise).
    bool shown = false;
    test::ModalDriver driver;
    driver.then([&shown](QWidget* dialog) {
        shown = true;
        static_cast<QDialog*>(dialog)->reject();
    });
    TipDialog::showAtStart(storage, nullptr);
    QVERIFY(!shown);
    TipDialog again(storage);
    QVERIFY(!again.showAtStartup());
    again.findChild<QCheckBox*>(id(ids::kTipStartUpCheck))->setChecked(true);
    again.accept();
    QCOMPARE(stored("Tip/StartUp"), std::optional<std::string>("0"));
}

void TipAndAboutTest::aMissingTipsFileDisablesNextAndStoresNothing() {
    test::TempHome home;
    Storage storage(home.path());
    {
        TipDialog dialog(storage);
        QVERIFY(dialog.tipText().startsWith(QString::fromUtf8("提示文件在指定目录找不到!")));
        QVERIFY(dialog.tipText().contains(QStringLiteral("tips.txt")));
        QVERIFY(!dialog.findChild<FlatButton*>(id(ids::kNextTipButton))->isEnabled());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.grab();  // paints the band without a bitmap file in the home
    }
    QVERIFY(!stored("Tip/FilePos"));
    QVERIFY(!stored("Tip/TimeStamp"));
}

void TipAndAboutTest::aFileWithoutTipsShowsAnEmptyTip() {
    test::TempHome home;
    home.write(QStringLiteral("tips.txt"), "; only\n\n  comments\n");
    TipDialog dialog{Storage(home.path())};
    QCOMPARE(dialog.tipText(), QString());
    dialog.showNextTip();
    QCOMPARE(dialog.tipText(), QString());
}

// A close button and nothing else: with no taskbar entry of its own, a minimised tip could not
// be found again, and a panel would list it on its own since the main window has no entry.
void TipAndAboutTest::theTipIsADialogOfTheMainWindow() {
    test::TempHome home;
    home.write(QStringLiteral("tips.txt"), "tip\n");
    QWidget main(nullptr, Qt::Tool);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TipDialog dialog(Storage(home.path()), &main);
    const Qt::WindowFlags flags = dialog.windowFlags();
    QCOMPARE(dialog.windowType(), Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    // Some window managers draw the buttons on every dialog, but on no tool bar.
    QVERIFY(dialog.testAttribute(Qt::WA_X11NetWmWindowTypeToolBar));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.windowHandle());
    QCOMPARE(dialog.windowHandle()->transientParent(), main.windowHandle());
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("the taskbar state is an X11 window property");
    QVERIFY(isKeptOffTaskbar(dialog));
}

void TipAndAboutTest::aBadStoredPositionIsReported() {
    test::TempHome home;
    home.write(QStringLiteral("tips.txt"), "tip\n");
    Storage storage(home.path());
    { TipDialog first(storage); }
    profile_->store().setValue("Tip/FilePos", "-7");
    test::ModalDriver driver;
    TipDialog dialog(storage);
    QCOMPARE(driver.messages().size(), size_t{1});
    QVERIFY(driver.messages()[0].text.startsWith(QString::fromUtf8("读提示文件错误!")));
    QVERIFY(driver.messages()[0].text.contains(QStringLiteral("tips.txt")));
    dialog.showNextTip();
    QCOMPARE(dialog.tipText(), QStringLiteral("tip\n"));
}

void TipAndAboutTest::aboutBoxHoldsTheVersionAndTwoLinks() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QString::fromUtf8("关于 Brivanta"));
    QCOMPARE(versionLine(), QString::fromUtf8("Brivanta 3.0版"));
    CHyperLink* mail = about.findChild<CHyperLink*>(id(ids::kAboutMailLink));
    CHyperLink* web = about.findChild<CHyperLink*>(id(ids::kAboutWebLink));
    QVERIFY(mail && web);
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(mail->linkColour(), CHyperLink::kLinkColour);
    QTest::mouseClick(mail, Qt::LeftButton, {}, mail->rect().center());
    QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
    QCOMPARE(opened_.size(), size_t{2});
    QCOMPARE(opened_[0], QUrl(QStringLiteral("mailto:brivanta@example.cn")));
    QCOMPARE(opened_[1], QUrl(QStringLiteral("https://brivanta.github.io/")));
    // The version line is one line: the box is wide enough for it.
    QLabel* version = nullptr;
    for (QLabel* label : about.findChildren<QLabel*>())
        if (label->text() == versionLine())
            version = label;
    QVERIFY(version);
    QVERIFY(version->width() >= version->sizeHint().width());
}

QTEST_MAIN(TipAndAboutTest)
#include "TipAndAboutTest.moc"
