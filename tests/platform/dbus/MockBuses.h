// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The test harness (tests/tracker/dbusmock_env.py) from C++: private buses with the
// mocks on them for as long as this object lives, and its helpers run as commands.
// The harness ends itself when this process ends, however it ends: it waits on a
// pipe that only we hold open.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

namespace prandel::test {

class MockBuses {
 public:
  struct Mocks {
    bool networkManager = true;
    bool notifications = true;
  };
  explicit MockBuses(Mocks mocks);
  MockBuses() : MockBuses(Mocks{}) {}
  ~MockBuses();
  MockBuses(const MockBuses&) = delete;
  MockBuses& operator=(const MockBuses&) = delete;

  // Empty when the harness could not make them; why, then.
  bool ready() const { return ready_; }
  const std::string& whyNot() const { return whyNot_; }
  const std::string& systemAddress() const { return system_; }
  const std::string& sessionAddress() const { return session_; }

  // One helper of the harness (nm add ..., notify calls); its standard output, or
  // an empty optional-like failure: ok false and the output with its errors.
  struct Result {
    bool ok = false;
    QString output;
  };
  Result run(const QStringList& arguments) const;

 private:
  std::unique_ptr<QProcess> serve_;
  bool ready_ = false;
  std::string whyNot_, system_, session_;
};

}  // namespace prandel::test
