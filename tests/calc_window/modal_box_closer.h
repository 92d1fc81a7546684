#pragma once
// Closes the modal box that an action opens, and remembers what it showed.
// It polls while the action runs its own event loop, so a box can never
// hang a test; the test then asserts that a box did (or did not) appear.

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

struct ShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QString okText;
};

class ModalBoxCloser {
public:
  ModalBoxCloser() {
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { CloseActive(); });
    poll_.start();
  }

  int count() const { return static_cast<int>(shown_.size()); }
  const ShownBox& last() const { return shown_.back(); }

private:
  static constexpr int kPollMs = 10;

  void CloseActive() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == closing_) return;
    closing_ = modal;
    ShownBox seen;
    seen.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen.text = box->text();
      seen.icon = box->icon();
      seen.buttons = box->standardButtons();
      if (QAbstractButton* ok = box->button(QMessageBox::Ok)) seen.okText = ok->text();
    }
    shown_.push_back(seen);
    // Closing is deferred so the box's exec() is the one that returns.
    QTimer::singleShot(0, modal, [modal] {
      if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->button(QMessageBox::Ok))
        box->button(QMessageBox::Ok)->click();
      else
        modal->close();
    });
  }

  QTimer poll_;
  QPointer<QWidget> closing_;
  QList<ShownBox> shown_;
};
