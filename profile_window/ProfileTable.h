#pragma once
// The stations of a profile as a table: a model over the profile's own
// stations (10,000 of them cost no widget each), its columns in one table,
// and the table as the clipboard takes it, with all it was computed from.

#include <memory>

#include <QAbstractTableModel>
#include <QString>

#include "hydraulics/constants.h"
#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/profile.h"

struct ProfileColumn {
  QString header;  // two lines: the symbol and its unit, then what it is
  QString spoken;  // the column's name as a screen reader says it
  QString unit;    // empty for the numbers without one
  double hydraulics::exact::ProfileStation::*member;
};

// x exact, x by the step method, h, A, v, Fr, E, J.
const std::vector<ProfileColumn>& ProfileColumns();

class ProfileTableModel : public QAbstractTableModel {
  Q_OBJECT

public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetProfile(std::shared_ptr<const hydraulics::exact::Profile> profile);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  std::shared_ptr<const hydraulics::exact::Profile> profile_;
};

// What a profile was computed from, for the copied table.
struct ProfileCopy {
  hydraulics::exact::Section section;
  hydraulics::exact::ProfileInputs inputs;
  QString i_typed;  // the slope as typed ("1/1000"), shown beside its value when it differs
  hydraulics::Units units = hydraulics::kSI;
  std::shared_ptr<const hydraulics::exact::Profile> profile;
};

// Tab-separated lines, as spreadsheets paste them into cells: the section,
// Q, n, i, α, h1, h2 or L, the steps, the units and g; the profile's type,
// slope class, h_k and h_0; a line per station with every digit; the notes.
QString ProfileTabSeparated(const ProfileCopy& copy);

// "b1型降水曲线"; "降水曲线" for a profile without a type.
QString ProfileName(const hydraulics::exact::Profile& profile);
// The notes' sentences, joined by "；".
QString ProfileNotes(const hydraulics::exact::Profile& profile);
