#pragma once

#include <QString>
#include <QWidget>

class QRadioButton;

namespace brivanta {

// "全部发送" or the selected entry: the two radio buttons of the send dialogs. With an entry
// the second is chosen and names it, "<label>:[<entry>]"; without, it is disabled.
class BranchChoice : public QWidget {
    Q_OBJECT
  public:
    BranchChoice(const QString& selectedLabel, const QString& entryText, QWidget* parent = nullptr);
    // 1 when the selected entry is to be sent, 0 for the whole tree.
    int sendSelected() const;
    QRadioButton* allRadio() const { return all_; }
    QRadioButton* selectedRadio() const { return selected_; }

  private:
    QRadioButton* all_;
    QRadioButton* selected_;
};

}  // namespace brivanta
