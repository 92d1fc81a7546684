#pragma once
// Computes profiles off the user-interface thread, one at a time: a request
// made while one runs waits in its place, and a newer request replaces a
// waiting one, so typing never queues up work. The result comes back on the
// thread of the runner's owner, as a signal.

#include <memory>
#include <optional>

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include "hydraulics/constants.h"
#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/profile.h"

struct ProfileRequest {
  quint64 id = 0;  // the caller's count: a result answers the request of its id
  hydraulics::exact::Section section;
  hydraulics::exact::ProfileInputs inputs;
  hydraulics::Units units = hydraulics::kSI;
};

struct ProfileResult {
  ProfileRequest request;
  std::shared_ptr<const hydraulics::exact::Profile> profile;
};

class ProfileRunner : public QObject {
  Q_OBJECT

public:
  explicit ProfileRunner(QObject* parent = nullptr);
  // Waits for the profile in hand, whose result then goes nowhere.
  ~ProfileRunner() override;

  void Submit(const ProfileRequest& request);
  bool Busy() const { return watcher_.isRunning(); }

signals:
  void Done(const ProfileResult& result);

private:
  void Start(const ProfileRequest& request);
  void Finished();

  QThreadPool pool_;
  QFutureWatcher<ProfileResult> watcher_;
  std::optional<ProfileRequest> waiting_;
};
