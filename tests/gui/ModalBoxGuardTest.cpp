#include <QMessageBox>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "GuiTestSupport.h"
#include "ModalBoxGuard.h"
#include "core/text/Encoding.h"
#include "gui/app/MainDialog.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// A port some other program listens on, on every address as the desktop's listener does.
class TakenPort {
  public:
    TakenPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        socklen_t size = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(fd_, 1) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TakenPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TakenPort(const TakenPort&) = delete;
    TakenPort& operator=(const TakenPort&) = delete;
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace

class ModalBoxGuardTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void anUnansweredBoxIsClosedAndReported();
    void aTakenListenPortEndsInAReportNotAHang();

  private:
    TestProfile profile_;
};

void ModalBoxGuardTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("BrivantaTest"));
    QCoreApplication::setApplicationName(QStringLiteral("ModalBoxGuardTest"));
}

void ModalBoxGuardTest::anUnansweredBoxIsClosedAndReported() {
    QStringList reports;
    ModalBoxGuard guard([&](const QString& said) { reports << said; }, 0);
    // Returns only because the guard closes it.
    QMessageBox::StandardButton answer =
        QMessageBox::warning(nullptr, QString::fromUtf8("登录提示"), QString::fromUtf8("密码不对"),
                             QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(answer, QMessageBox::No);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].endsWith(QString::fromUtf8("登录提示: 密码不对")), qPrintable(reports[0]));
    QCOMPARE(guard.closedBoxes(), 1);

    // A box the test answers itself within the grace time is left to the test.
    ModalBoxGuard patient([&](const QString& said) { reports << said; }, 60'000);
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    QMessageBox::information(nullptr, QStringLiteral("Brivanta"), QStringLiteral("x"));
    QCOMPARE(patient.closedBoxes(), 0);
}

// The desktop's listener cannot have its port: the warning box it raises on the offscreen
// platform ends with a report naming the port instead of a run that never ends.
void ModalBoxGuardTest::aTakenListenPortEndsInAReportNotAHang() {
    TakenPort taken;
    QVERIFY(taken.port() != 0);
    qputenv("BRIVANTA_LISTEN_PORT", QByteArray::number(taken.port()));
    QStringList reports;
    ModalBoxGuard guard([&](const QString& said) { reports << said; }, 0);
    TempHome home;
    {
        MainDialog window{logIn(home, makeAccount(text::gbk("张三"), "pw"))};
        window.start();
        QTRY_COMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(QString::number(taken.port())), qPrintable(reports[0]));
        QVERIFY(!window.viewOptions().listening);
        window.close();
    }
    qputenv("BRIVANTA_LISTEN_PORT", "0");
}

QTEST_MAIN(ModalBoxGuardTest)
#include "ModalBoxGuardTest.moc"
