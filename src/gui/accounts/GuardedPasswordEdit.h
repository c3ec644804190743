#pragma once

#include <QLineEdit>
#include <string>

namespace brivanta {

// A password edit whose text stays inside this program: it cannot be copied, cut or dragged
// out, input methods are not told the text around the cursor, and accessibility tools see
// no text at all. The owning dialog reads the password through password().
class GuardedPasswordEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit GuardedPasswordEdit(QWidget* parent = nullptr);

    // The typed password as stored text (GBK).
    std::string password() const;
    void setPassword(const std::string& gbk);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace brivanta
