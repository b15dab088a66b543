// SPDX-License-Identifier: GPL-3.0-or-later
#include "MockBuses.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>

namespace prandel::test {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
QString harness() { return QStringLiteral(DBUSMOCK_ENV); }

}  // namespace

MockBuses::MockBuses(Mocks mocks) : serve_(std::make_unique<QProcess>()) {
  QStringList args{harness(), QStringLiteral("serve")};
  if (!mocks.networkManager) args << QStringLiteral("--no-networkmanager");
  if (!mocks.notifications) args << QStringLiteral("--no-notifications");
  serve_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  serve_->start(kPython, args);
  if (!serve_->waitForStarted(10000)) {
    whyNot_ = "cannot start " + kPython.toStdString();
    return;
  }
  const QDeadlineTimer deadline(30000);
  while (!deadline.hasExpired()) {
    if (!serve_->canReadLine() && !serve_->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
    while (serve_->canReadLine()) {
      const QString line = QString::fromUtf8(serve_->readLine()).trimmed();
      if (line.startsWith(QLatin1String("DBUS_SYSTEM_BUS_ADDRESS="))) system_ = line.section(QLatin1Char('='), 1).toStdString();
      if (line.startsWith(QLatin1String("DBUS_SESSION_BUS_ADDRESS="))) session_ = line.section(QLatin1Char('='), 1).toStdString();
      if (line.startsWith(QLatin1String("SKIP"))) {
        whyNot_ = line.toStdString();
        return;
      }
      if (line == QLatin1String("READY")) {
        ready_ = !system_.empty() && !session_.empty();
        return;
      }
    }
  }
  whyNot_ = "the harness did not get ready in 30 s";
}

MockBuses::~MockBuses() {
  // Our end of its pipe closed: it stops the mocks and the buses and ends.
  serve_->closeWriteChannel();
  if (!serve_->waitForFinished(20000)) {
    serve_->kill();
    serve_->waitForFinished(5000);
  }
}

MockBuses::Result MockBuses::run(const QStringList& arguments) const {
  QProcess p;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QString::fromStdString(system_));
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(session_));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(kPython, QStringList{harness()} + arguments);
  Result r;
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished(5000);
    r.output = QStringLiteral("timed out: ") + arguments.join(QLatin1Char(' '));
    return r;
  }
  r.output = QString::fromUtf8(p.readAll()).trimmed();
  r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return r;
}

}  // namespace prandel::test
