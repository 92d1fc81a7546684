#pragma once
// The detail window's picture: the cross section to scale with its water
// surfaces, and below it the specific-energy curve E(h) of the discharge with
// its marked points; or, where there is nothing to draw, the reason in words.

#include <optional>

#include <QString>
#include <QWidget>

#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"

struct DetailPicture {
  // Empty: the explanation stands in for the drawing.
  std::optional<hydraulics::exact::Section> section;
  QString explanation;
  hydraulics::exact::Analysis analysis;  // its critical state is known when `section` is set
  std::optional<double> shown_depth;     // h_k as the calculation window's own method gave it
  hydraulics::Units units;
};

class DetailDrawing : public QWidget {
  Q_OBJECT

public:
  explicit DetailDrawing(QWidget* parent = nullptr);

  void SetPicture(DetailPicture picture);
  const DetailPicture& Picture() const { return picture_; }

  // The picture on a white ground, as the clipboard takes it.
  QImage Image() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void Paint(QPainter& painter, const QRect& area) const;

  DetailPicture picture_;
};
