#include "profile_window/ProfileRunner.h"

#include <QtConcurrent>

ProfileRunner::ProfileRunner(QObject* parent) : QObject(parent) {
  // One profile at a time: a second thread would only compute one that is
  // already superseded.
  pool_.setMaxThreadCount(1);
  connect(&watcher_, &QFutureWatcher<ProfileResult>::finished, this, &ProfileRunner::Finished);
}

ProfileRunner::~ProfileRunner() {
  watcher_.disconnect(this);
  pool_.waitForDone();
}

void ProfileRunner::Submit(const ProfileRequest& request) {
  if (watcher_.isRunning()) {
    waiting_ = request;
    return;
  }
  Start(request);
}

void ProfileRunner::Start(const ProfileRequest& request) {
  // ComputeProfile keeps no shared state: the request's own copy is all it reads.
  watcher_.setFuture(QtConcurrent::run(&pool_, [request] {
    return ProfileResult{request, std::make_shared<const hydraulics::exact::Profile>(hydraulics::exact::ComputeProfile(
                                      request.section, request.inputs, request.units))};
  }));
}

void ProfileRunner::Finished() {
  if (waiting_) {
    // The result in hand answers a request already superseded.
    const ProfileRequest next = *waiting_;
    waiting_.reset();
    Start(next);
    return;
  }
  emit Done(watcher_.result());
}
