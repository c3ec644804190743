#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QInputMethodEvent>

#include "core/formats/ArchiveWriter.h"
#include "gui/platform/DesktopProfile.h"

namespace brivanta::test {

std::unique_ptr<LoginSession> logIn(const std::string& home, const UserAccount& account) {
    auto login = std::make_unique<LoginSession>(Storage(home));
    login->logIn(account);
    return login;
}

void openFreshProfile(const QString& file) {
    QFile::remove(file);
    DesktopProfile::open(file.toStdString());
}

TestProfile::TestProfile() {
    DesktopProfile::setCurrent(&profile_);
}

TestProfile::~TestProfile() {
    DesktopProfile::setCurrent(nullptr);
}

QStringList TempHome::entries() const {
    QStringList found;
    QDirIterator it(dir_.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QDir base(dir_.path());
    while (it.hasNext())
        found << base.relativeFilePath(it.next());
    found.sort();
    return found;
}

QByteArray TempHome::read(const QString& name) const {
    QFile f(filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempHome::write(const QString& name, const QByteArray& bytes) const {
    QString full = filePath(name);
    QDir().mkpath(QFileInfo(full).path());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

ModalDriver::ModalDriver() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::poll);
    timer_.start();
}

void ModalDriver::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (!box->isVisible())
            return;
        QStringList buttons;
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        messages_.push_back({box->windowTitle(), box->text(), box->icon(), buttons, box->width()});
        for (QAbstractButton* button : box->buttons()) {
            if (!answer_.isEmpty() && button->text() == answer_) {
                button->click();
                return;
            }
        }
        box->done(QMessageBox::Ok);
        return;
    }
    if (modal == lastHandled_ || next_ >= actions_.size())
        return;
    lastHandled_ = modal;
    actions_[next_++](modal);
}

void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

std::string accountRecord(const UserAccount& account) {
    std::string bytes;
    auto str = [&](const std::string& s) { bytes += archiveLengthPrefix(s.size()) + s; };
    str(account.name);
    str(account.pop3Server);
    str(account.smtpServer);
    auto sum = static_cast<std::uint32_t>(account.passwordSum);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((sum >> (8 * i)) & 0xFF));
    str(account.email);
    return bytes;
}

UserAccount makeAccount(const std::string& name, const std::string& password,
                        const std::string& email) {
    UserAccount a;
    a.name = name;
    a.password = password;
    a.passwordSum = passwordSum(password);
    a.email = email;
    return a;
}

}  // namespace brivanta::test
