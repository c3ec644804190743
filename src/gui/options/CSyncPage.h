#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/options/OptionPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace brivanta {

// "同步": the WebDAV server and XBEL file a tree (or one folder of it) is kept in step with,
// the login, an optional CA file, and whether the sync runs every N minutes or only by hand.
class CSyncPage : public OptionPage {
    Q_OBJECT
  public:
    using FileChooser = std::function<QString(QWidget* parent)>;

    explicit CSyncPage(QWidget* parent = nullptr);

    QString title() const override;
    void load(const OptionValues& values) override;
    bool validate() override;
    void save(OptionValues& values) const override;
    // Tests answer the 浏览 button instead of a file dialog.
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

  private:
    void fillFolders(const std::vector<std::string>& chosen);

    QLineEdit* server_;
    QLineEdit* file_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* caFile_;
    QPushButton* browse_;
    QComboBox* tree_;
    QComboBox* folder_;
    QRadioButton* manual_;
    QRadioButton* every_;
    QSpinBox* minutes_;
    QLabel* storeNote_;
    FileChooser chooser_;
    std::vector<std::vector<std::string>> customFolders_;
    std::vector<std::vector<std::string>> recommendedFolders_;
};

}  // namespace brivanta
