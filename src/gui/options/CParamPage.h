#pragma once

#include "gui/options/OptionPage.h"

class QCheckBox;

namespace brivanta {

// "参数设置": the window's view switches. Listening and auto-hide pass through unchanged.
class CParamPage : public OptionPage {
    Q_OBJECT
  public:
    explicit CParamPage(QWidget* parent = nullptr);

    QString title() const override;
    void load(const OptionValues& values) override;
    bool validate() override { return true; }
    void save(OptionValues& values) const override;

  private:
    QCheckBox* openInNewBrowser_;
    QCheckBox* showMenuIcons_;
    QCheckBox* showToolbar_;
    QCheckBox* showTrayIcon_;
    ViewOptions carried_;
};

}  // namespace brivanta
