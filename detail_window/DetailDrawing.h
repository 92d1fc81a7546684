#pragma once
// The detail window's picture: paints the model DetailPlot makes of the
// section and its specific-energy curve, or the sentence that stands in for
// them. It computes nothing itself.

#include <QImage>
#include <QWidget>

#include "detail_window/DetailPlot.h"

class DetailDrawing : public QWidget {
  Q_OBJECT

public:
  explicit DetailDrawing(QWidget* parent = nullptr);

  void SetPicture(DetailPicture picture);
  const DetailPicture& Picture() const { return picture_; }
  // The model as last painted at the widget's size.
  DetailPlot Plot() const;

  // The picture on a white ground, as the clipboard takes it.
  QImage Image() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void Paint(QPainter& painter, const QRect& area) const;

  DetailPicture picture_;
};
