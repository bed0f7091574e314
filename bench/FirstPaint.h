#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <functional>

// The system-wide monotonic clock in nanoseconds, comparable between processes.
inline long long monotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Watches a top-level window for its first paint. The window's paint event comes first and its
// children are painted in the same pass, so the moment is taken once that pass has ended: on
// the next turn of the event loop. Then done runs with that moment.
class FirstPaint : public QObject {
public:
  FirstPaint(QWidget& window, std::function<void(long long)> done)
      : window_(window), done_(std::move(done)) {
    window_.installEventFilter(this);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      window_.removeEventFilter(this);
      QMetaObject::invokeMethod(
          this, [this] { done_(monotonicNs()); }, Qt::QueuedConnection);
    }
    return false;
  }

private:
  QWidget& window_;
  std::function<void(long long)> done_;
  bool seen_ = false;
};
