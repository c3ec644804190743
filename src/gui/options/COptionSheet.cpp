#include "gui/options/COptionSheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/options/CEmailSetPage.h"
#include "gui/options/CNetworkPage.h"
#include "gui/options/CParamPage.h"
#include "gui/options/CPasswordPage.h"
#include "gui/options/CSyncPage.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

COptionSheet::COptionSheet(const std::string& userName, const OptionValues& values, QWidget* owner)
    : QDialog(owner), values_(values) {
    setWindowTitle(QString::fromUtf8("用户(") + fromGbk(userName) + QString::fromUtf8(")参数设置"));
    setWindowIcon(resourceIcon(ids::kProgramIcon));
    tabs_ = new QTabWidget(this);
    pages_ = {new CParamPage(tabs_), new CNetworkPage(tabs_), new CEmailSetPage(tabs_),
              new CPasswordPage(tabs_), new CSyncPage(tabs_)};
    for (OptionPage* page : pages_) {
        page->load(values_);
        connect(page, &OptionPage::complaining, tabs_,
                [this, page] { tabs_->setCurrentWidget(page); });
        tabs_->addTab(page, page->title());
    }
    tabs_->setCurrentIndex(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void COptionSheet::accept() {
    for (OptionPage* page : pages_) {
        if (!page->validate())
            return;
    }
    for (OptionPage* page : pages_)
        page->save(values_);
    QDialog::accept();
}

}  // namespace brivanta
