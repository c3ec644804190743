#include "gui/app/AboutDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/controls/CHyperLink.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

#if __has_include("core/app/Version.h")
#include "core/app/Version.h"
#define BRIVANTA_HAS_VERSION_HEADER 1
#endif

namespace brivanta {

QString versionLine() {
#ifdef BRIVANTA_HAS_VERSION_HEADER
    return QString::fromUtf8("Brivanta %1.%2版").arg(kVersionMajor).arg(kVersionMinor);
#else
    return QString::fromUtf8("Brivanta 3.0版");
#endif
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(ids::kAboutDialog));
    setWindowTitle(QString::fromUtf8("关于 Brivanta"));
    setWindowIcon(resourceIcon(ids::kProgramIcon));

    auto* icon = new QLabel(this);
    icon->setPixmap(resourceIcon(ids::kProgramIcon).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* version = new QLabel(versionLine(), this);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    auto* purpose = new QLabel(QString::fromUtf8("收藏夹、推荐网址和通讯录的个人管理程序。"), this);
    auto* credit = new QLabel(QString::fromUtf8("由 Brivanta 项目的开发者编写。"), this);

    mail_ = new CHyperLink(QString::fromLatin1(kMailAddress), {}, this);
    mail_->setObjectName(QString::number(ids::kAboutMailLink));
    web_ = new CHyperLink(QString::fromLatin1(kWebAddress), {}, this);
    web_->setObjectName(QString::number(ids::kAboutWebLink));

    auto* contacts = new QGridLayout;
    contacts->addWidget(new QLabel(QString::fromUtf8("电子邮件:"), this), 0, 0);
    contacts->addWidget(mail_, 0, 1, Qt::AlignLeft);
    contacts->addWidget(new QLabel(QString::fromUtf8("主页:"), this), 1, 0);
    contacts->addWidget(web_, 1, 1, Qt::AlignLeft);
    contacts->setColumnStretch(1, 1);

    auto* text = new QVBoxLayout;
    text->addWidget(version);
    text->addWidget(purpose);
    text->addWidget(credit);
    text->addSpacing(6);
    text->addLayout(contacts);

    auto* ok = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("确定"), this);
    ok->setObjectName(QString::number(ids::kIdOk));
    ok->setMinimumSize(76, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // A focused link draws as active: the links start out blue, the button has the focus.
    ok->setFocus();

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace brivanta
