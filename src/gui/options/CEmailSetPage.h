#pragma once

#include <optional>

#include "gui/options/OptionPage.h"

class QComboBox;
class QLineEdit;

namespace brivanta {

// "EMAIL设置": the account's address and servers (each may carry ":port"), how each server
// connection is protected, and the login the outgoing server wants.
class CEmailSetPage : public OptionPage {
    Q_OBJECT
  public:
    explicit CEmailSetPage(QWidget* parent = nullptr);

    QString title() const override;
    void load(const OptionValues& values) override;
    bool validate() override;
    void save(OptionValues& values) const override;

  private:
    struct Server {
        QLineEdit* host = nullptr;
        QComboBox* security = nullptr;
        int protocolPort = 0;
        // Until the user picks a mode, the combo follows the port typed.
        bool chosen = false;
    };
    void follow(Server& server);
    bool validateServer(const Server& server);
    static std::optional<net::SecurityMode> modeToStore(const Server& server);

    QLineEdit* email_;
    QLineEdit* smtpLogin_;
    Server pop3_;
    Server smtp_;
};

}  // namespace brivanta
