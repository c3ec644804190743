#pragma once

#include <optional>

#include "gui/options/OptionPage.h"

class QLineEdit;

namespace brivanta {

// "网络设置": the upload server and the port this copy listens on, for this run.
class CNetworkPage : public OptionPage {
    Q_OBJECT
  public:
    explicit CNetworkPage(QWidget* parent = nullptr);

    QString title() const override;
    void load(const OptionValues& values) override;
    bool validate() override;
    void save(OptionValues& values) const override;

    // A whole number as the integer fields take it: digits with an optional sign, blanks
    // around them allowed. Nothing for anything else.
    static std::optional<long long> parseInteger(const QString& text);

  private:
    bool validatePort(QLineEdit* edit);

    QLineEdit* serverAddress_;
    QLineEdit* serverPort_;
    QLineEdit* listenPort_;
};

}  // namespace brivanta
