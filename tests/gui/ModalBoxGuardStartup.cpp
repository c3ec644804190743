// Linked into every desktop test program: on the offscreen platform a modal message box that
// nobody answers fails the running test instead of hanging it.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

#include "ModalBoxGuard.h"

namespace {

void installModalBoxGuard() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    new brivanta::test::ModalBoxGuard(
        [](const QString& said) { QTest::qFail(qPrintable(said), __FILE__, __LINE__); },
        brivanta::test::ModalBoxGuard::kGraceMilliseconds, QCoreApplication::instance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installModalBoxGuard)
