#pragma once

#include <QSvgRenderer>
#include <QTimer>
#include <QWidget>

namespace brivanta {

// A small looping animation: a ring of dots turned one step per frame.
class BusyAnimation : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFrameCount = 12;
    static constexpr int kFrameMilliseconds = 80;

    explicit BusyAnimation(QWidget* parent = nullptr);
    int frame() const { return frame_; }
    bool isRunning() const { return timer_.isActive(); }
    void start() { timer_.start(); }
    void stop() { timer_.stop(); }
    QSize sizeHint() const override { return {32, 32}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSvgRenderer renderer_;
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace brivanta
