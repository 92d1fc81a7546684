#pragma once
// 断面详情: the calculation window's last computation on the true section
// geometry, drawn to scale with its specific-energy curve, and its critical,
// normal and given-depth states in a table. Owned by the calculation window
// and kept above it; not modal, so that window goes on computing. Opens
// beside it, its parts side by side or stacked as the room there allows.

#include <memory>
#include <optional>
#include <vector>

#include <QList>

#include "companion/CompanionDialog.h"
#include "detail_window/DetailTable.h"

namespace Ui {
class frmDetail;
}

class frmDetail : public CompanionDialog {
  Q_OBJECT

public:
  enum class Arrangement { SideBySide, Stacked };

  explicit frmDetail(QWidget* owner);
  ~frmDetail() override;

  void Form_Load();
  // Shows the window beside its owner when it opens, and brings it forward.
  void Open();

  void cmdProfile_Click();
  void cmdCopy_Click();

  // What the window computes from: the section (the true trapezoid where a
  // bottom width is given), n, and i as typed. The profile window takes them over.
  const DetailInputs& Inputs() const { return inputs_; }

  const std::vector<DetailRow>& Rows() const { return rows_; }
  Arrangement CurrentArrangement() const { return arrangement_; }
  // The window's sizes, most wanted first as PlaceCompanion takes them, for a
  // screen whose available room is `room`: side by side, then two stacks.
  static QList<QSize> ArrangementSizes(const QRect& room);
  void Arrange(Arrangement arrangement, QSize size);

signals:
  // 水面曲线 asked for; the owner opens it.
  void OpenProfile();

private:
  void Recompute() override;
  void FillTable();
  static int TableHeight(int rows);

  std::unique_ptr<Ui::frmDetail> ui;
  std::vector<DetailRow> rows_;
  DetailInputs inputs_;
  Arrangement arrangement_ = Arrangement::SideBySide;
};
