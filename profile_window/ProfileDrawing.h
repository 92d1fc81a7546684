#pragma once
// The 水面曲线 window's picture: paints the model ProfilePlot makes, or the
// sentence that stands in for it. The model is made once for each profile
// and size, not for every paint: a profile of 10,000 stations is thinned to
// the screen's columns there, and a repaint only draws.

#include <optional>

#include <QImage>
#include <QWidget>

#include "profile_window/ProfilePlot.h"

class ProfileDrawing : public QWidget {
  Q_OBJECT

public:
  explicit ProfileDrawing(QWidget* parent = nullptr);

  void SetPicture(ProfilePicture picture);
  const ProfilePicture& Picture() const { return picture_; }
  // The model at the widget's present size.
  const ProfilePlot& Plot() const;

  // The picture on a white ground, as the clipboard takes it.
  QImage Image() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void Paint(QPainter& painter) const;

  ProfilePicture picture_;
  mutable std::optional<ProfilePlot> plot_;
};
