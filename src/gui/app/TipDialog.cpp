#include "gui/app/TipDialog.h"
#include "gui/controls/MessageBoxes.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "gui/controls/FlatButton.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/platform/WindowManagerHints.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/resources/StringTable.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

constexpr int kBulbSize = 32;

}  // namespace

TipDialog::TipDialog(const Storage& storage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      tipsPath_(storage.tipsFile()) {
    // A dialog of the main window: a close button only, and no taskbar entry of its own (the
    // main window has none either, so a panel would otherwise list the tip by itself). Window
    // managers that keep the buttons of every dialog whatever the window asks (openbox) leave
    // them off a tool bar, as on the main window; minimised without a taskbar entry, the tip
    // would be lost. The toolkit passes the type on only to a window that exists.
    winId();
    setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
    keepOffTaskbar(*this);
    setObjectName(QString::number(ids::kTipDialog));
    setWindowTitle(QString::fromUtf8("每日一帖"));

    frame_ = new QWidget(this);
    frame_->setObjectName(QString::number(ids::kTipFrame));
    frame_->setMinimumSize(360, 150);
    tip_ = new QLabel(frame_);
    tip_->setObjectName(QString::number(ids::kTipText));
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tip_->setTextFormat(Qt::PlainText);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->setContentsMargins(kBulbSize + 8, kBulbSize + 8, 12, 8);
    frameLayout->addWidget(tip_);

    startup_ = new QCheckBox(QString::fromUtf8("启动时显示每日一帖(&S)"), this);
    startup_->setObjectName(QString::number(ids::kTipStartUpCheck));
    next_ = new FlatButton(QString::fromUtf8("下一帖(&N)"), this);
    next_->setObjectName(QString::number(ids::kNextTipButton));
    auto* close = new FlatButton(QString::fromUtf8("关闭(&C)"), this);
    close->setObjectName(QString::number(ids::kIdOk));
    for (FlatButton* button : {next_, close})
        button->setMinimumSize(76, 26);
    close->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &TipDialog::showNextTip);
    connect(close, &QPushButton::clicked, this, &TipDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startup_);
    buttons->addStretch();
    buttons->addWidget(next_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame_, 1);
    layout->addLayout(buttons);

    Profile& profile = DesktopProfile::current();
    startup_->setChecked(profile.tipAtStartup());
    reader_ =
        std::make_unique<TipsReader>(tipsPath_, profile.tipFilePosition(), profile.tipTimeStamp());
    if (!reader_->isOpen()) {
        // Nothing read, so nothing is written back either.
        reader_.reset();
        tip_->setText(resourceString(109) + QStringLiteral("\n") +
                      QDir::toNativeSeparators(QString::fromStdString(tipsPath_)));
        next_->setEnabled(false);
        return;
    }
    if (reader_->stampChanged())
        profile.setTipTimeStamp(reader_->timeStamp());
    if (reader_->readError()) {
        reportReadError();
        return;
    }
    showNextTip();
}

TipDialog::~TipDialog() {
    if (isFileOpen())
        DesktopProfile::current().setTipFilePosition(reader_->position());
}

void TipDialog::showAtStart(const Storage& storage, QWidget* parent) {
    if (!DesktopProfile::current().tipAtStartup())
        return;
    TipDialog dialog(storage, parent);
    dialog.exec();
}

bool TipDialog::showAtStartup() const {
    return startup_->isChecked();
}

QString TipDialog::tipText() const {
    return tip_->text();
}

void TipDialog::showNextTip() {
    if (!isFileOpen())
        return;
    std::string tip = reader_->nextTip();
    if (reader_->readError()) {
        reportReadError();
        return;
    }
    tip_->setText(fromGbk(tip));
}

void TipDialog::accept() {
    QDialog::accept();
    DesktopProfile::current().setTipAtStartup(showAtStartup());
}

void TipDialog::reportReadError() {
    warnBox(this, windowTitle(),
            resourceString(110) + QStringLiteral("\n") +
                QDir::toNativeSeparators(QString::fromStdString(tipsPath_)));
}

void TipDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    QRect band = frame_->geometry();
    painter.fillRect(band, Qt::white);
    QRect bulb(band.topLeft(), QSize(kBulbSize, kBulbSize));
    resourceIcon(ids::kBulbBitmap).paint(&painter, bulb);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    QRect caption(bulb.right() + 6, band.top(), band.right() - bulb.right() - 6, kBulbSize);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     resourceString(108));
}

}  // namespace brivanta
