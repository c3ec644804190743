#pragma once

#include <QDialog>

namespace brivanta {

class CHyperLink;

// The about box: the program's icon, its version, a line on what it is and the project's
// mail and web addresses as links.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kMailAddress = "brivanta@example.cn";
    static constexpr const char* kWebAddress = "https://brivanta.github.io/";

    explicit AboutDialog(QWidget* parent = nullptr);

    CHyperLink* mailLink() const { return mail_; }
    CHyperLink* webLink() const { return web_; }

  private:
    CHyperLink* mail_ = nullptr;
    CHyperLink* web_ = nullptr;
};

// "Brivanta 3.0版": the version line of the about box.
QString versionLine();

}  // namespace brivanta
