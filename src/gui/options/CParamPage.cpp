#include "gui/options/CParamPage.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "gui/resources/CommandIds.h"

namespace brivanta {

namespace {
QCheckBox* checkBox(int id, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(QString::number(id));
    return box;
}
}  // namespace

CParamPage::CParamPage(QWidget* parent) : OptionPage(parent) {
    setObjectName(QString::number(ids::kParamPage));
    openInNewBrowser_ = checkBox(ids::kOpenInNewBrowserCheck, "用新的浏览器打开站点", this);
    showMenuIcons_ = checkBox(ids::kShowMenuIconsCheck, "使用菜单时显示图标", this);
    // Made in the order they are laid out, which is the order Tab visits them.
    showTrayIcon_ = checkBox(ids::kShowTrayIconCheck, "在任务栏显示图标", this);
    showToolbar_ = checkBox(ids::kShowToolbarCheck, "在主窗口中显示工具条", this);
    auto* boxes = new QVBoxLayout;
    for (QCheckBox* box : {openInNewBrowser_, showMenuIcons_, showTrayIcon_, showToolbar_})
        boxes->addWidget(box);
    boxes->addStretch();
    layOutPage(this, ids::kProgramIcon, boxes);
}

QString CParamPage::title() const {
    return QString::fromUtf8("参数设置");
}

void CParamPage::load(const OptionValues& values) {
    carried_ = values.view;
    openInNewBrowser_->setChecked(values.view.openInNewBrowser);
    showMenuIcons_->setChecked(values.view.showMenuIcons);
    showToolbar_->setChecked(values.view.showToolbar);
    showTrayIcon_->setChecked(values.view.showTrayIcon);
}

void CParamPage::save(OptionValues& values) const {
    values.view = carried_;
    values.view.openInNewBrowser = openInNewBrowser_->isChecked();
    values.view.showMenuIcons = showMenuIcons_->isChecked();
    values.view.showToolbar = showToolbar_->isChecked();
    values.view.showTrayIcon = showTrayIcon_->isChecked();
}

}  // namespace brivanta
