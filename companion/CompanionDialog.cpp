#include "companion/CompanionDialog.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>

#include "skin/SkinModule.h"
#include "skin/TitleBar.h"

CompanionDialog::CompanionDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {}

void CompanionDialog::ShowComputation(const LastComputation& last) {
  last_ = last;
  Recompute();
}

void CompanionDialog::Dress(QLabel* title, std::initializer_list<QWidget*> greyed_captions, QLabel* message,
                            QLabel* note) {
  SkinModule::ApplyPieceProperties(this, SkinModule::TitleHints::Off);
  title->adjustSize();
  auto* bar = new SkinModule::TitleBar(this);
  connect(bar, &SkinModule::TitleBar::imgTitleClose_Click, this, &CompanionDialog::cmdClose_Click);
  connect(bar, &SkinModule::TitleBar::TitleMouseDown, this,
          [this](const QMouseEvent& press) { SkinModule::DragForm(this, press); });

  for (QWidget* caption : greyed_captions) {
    QPalette greyed = caption->palette();
    greyed.setColor(QPalette::Disabled, QPalette::WindowText, QColor(96, 96, 96));
    caption->setPalette(greyed);
  }
  QPalette warning = message->palette();
  warning.setColor(QPalette::WindowText, QColor(170, 0, 0));
  message->setPalette(warning);
  message_ = message;
  note_ = note;
}

void CompanionDialog::LoadFrame() {
  SkinModule::LayoutFrame(this);
  SkinModule::ShowMaximizePicture(this);
  SkinModule::LoadSkin(this);
}

QGridLayout* CompanionDialog::InputGrid(std::initializer_list<InputRow> rows, int per_row) {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(kSpacing);
  int i = 0;
  for (const InputRow& input : rows) {
    const int row = i / per_row;
    const int column = 3 * (i % per_row);
    grid->addWidget(input.label, row, column);
    grid->addWidget(input.box, row, column + 1);
    if (input.unit) grid->addWidget(input.unit, row, column + 2);
    grid->setColumnMinimumWidth(column + 2, kUnitWidth);
    grid->setColumnStretch(column + 1, 1);
    ++i;
  }
  return grid;
}

void CompanionDialog::ShowTexts() {
  message_->setVisible(keep_text_places_ || !message_->text().isEmpty());
  note_->setVisible(keep_text_places_ || !note_->text().isEmpty());
}

void CompanionDialog::FinishArrange(QSize size, bool keep_text_places) {
  layout()->setContentsMargins(kInner);
  layout()->setSizeConstraint(QLayout::SetNoConstraint);
  keep_text_places_ = keep_text_places;
  ShowTexts();
  SkinModule::ResizeForm(this, QPoint(0, 0), QPoint(size.width() - width(), size.height() - height()), 4);
  layout()->activate();
}

void CompanionDialog::Copy(const QString& text, const QImage& picture) {
  auto* data = new QMimeData;
  data->setText(text);
  data->setImageData(picture);
  QGuiApplication::clipboard()->setMimeData(data);
}

// No button is the dialog's default: Enter in a box presses none.
void CompanionDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button && event->modifiers() == Qt::NoModifier) {
    button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}
