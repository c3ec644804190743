#pragma once

#include <QWidget>

namespace brivanta {

class BusyAnimation;

// The small window a long command shows while it works: a looping animation, and the step
// the command is in as the title. It has no buttons; the command closes it on every way out.
class BusyWindow : public QWidget {
    Q_OBJECT
  public:
    // Opens at once, near the top-left corner of `owner`.
    explicit BusyWindow(QWidget* owner = nullptr);
    ~BusyWindow() override;

    // Shows the step in the title and repaints at once, since the command may keep the
    // event loop busy until its next step.
    void setStepText(const QString& text);
    BusyAnimation* animation() const { return animation_; }

  private:
    BusyAnimation* animation_;
};

}  // namespace brivanta
