#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "gui/options/OptionValues.h"

class QTabWidget;

namespace brivanta {

class OptionPage;

// "用户(name)参数设置": the five option pages with OK and Cancel. OK checks the pages in
// order and stays open on the first that refuses, showing it; values() is then what the
// pages hold.
class COptionSheet : public QDialog {
    Q_OBJECT
  public:
    // `userName` is the stored (GBK) name.
    COptionSheet(const std::string& userName, const OptionValues& values, QWidget* owner = nullptr);

    const OptionValues& values() const { return values_; }
    QTabWidget* pages() const { return tabs_; }

    void accept() override;

  private:
    QTabWidget* tabs_;
    std::array<OptionPage*, 5> pages_{};
    OptionValues values_;
};

}  // namespace brivanta
