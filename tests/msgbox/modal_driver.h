#pragma once
// Acts on the modal boxes that a call opens, one action per box in turn,
// while the call waits in its own event loop. A box still open after
// kWatchdogMs is closed, so that a box can never hang the suite; the test
// then fails on timedOut() or on the count of boxes seen.

#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class ModalDriver {
public:
  using Action = std::function<void(QWidget* box)>;

  explicit ModalDriver(QList<Action> actions = {}) : actions_(std::move(actions)) {
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Poll(); });
    poll_.start();
    running_.start();
  }

  qsizetype seen() const { return seen_; }
  bool timedOut() const { return timedOut_; }

private:
  static constexpr int kPollMs = 10;
  static constexpr int kWatchdogMs = 10000;

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (running_.hasExpired(kWatchdogMs)) {
      timedOut_ = true;
      modal->close();
      return;
    }
    if (modal == current_) return;
    current_ = modal;
    if (seen_++ >= actions_.size()) {
      modal->close();
      return;
    }
    // Deferred, so the action runs inside the box's own wait.
    QTimer::singleShot(0, modal, [modal, act = actions_[seen_ - 1]] { act(modal); });
  }

  QList<Action> actions_;
  QTimer poll_;
  QElapsedTimer running_;
  QPointer<QWidget> current_;
  qsizetype seen_ = 0;
  bool timedOut_ = false;
};
