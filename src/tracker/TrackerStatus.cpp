// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/TrackerStatus.h"

#include <fcntl.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace prandel::tracker {
namespace {

// JSON numbers are doubles: moments and counts of a tracker fit in their 53 bits.
QJsonValue number(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }
QJsonValue integer(std::int64_t v) { return QJsonValue(static_cast<qint64>(v)); }
QString text(const std::string& s) { return QString::fromStdString(s); }
std::string text(const QJsonValue& v) { return v.toString().toStdString(); }
std::int64_t integer(const QJsonValue& v) { return static_cast<std::int64_t>(v.toDouble()); }
std::uint64_t count(const QJsonValue& v) { return v.toDouble() > 0 ? static_cast<std::uint64_t>(v.toDouble()) : 0; }

constexpr int kFormat = 1;

}  // namespace

std::string statusJson(const TrackerStatus& s) {
  QJsonArray sessions;
  for (const auto& x : s.sessions) {
    QJsonObject o{{QStringLiteral("connection"), text(x.connection)},
                  {QStringLiteral("dialStart"), x.dialStart ? integer(*x.dialStart) : QJsonValue()},
                  {QStringLiteral("up"), integer(x.up)},
                  {QStringLiteral("countFrom"), integer(x.countFrom)},
                  {QStringLiteral("countedSeconds"), integer(x.countedSeconds)},
                  {QStringLiteral("received"), integer(static_cast<std::int64_t>(x.received))},
                  {QStringLiteral("sent"), integer(static_cast<std::int64_t>(x.sent))},
                  {QStringLiteral("cost"), number(x.cost)},
                  {QStringLiteral("slot"), x.slot},
                  {QStringLiteral("condition"), text(x.condition)},
                  {QStringLiteral("pickedUp"), x.pickedUp}};
    sessions.append(o);
  }
  const QJsonObject countdown{{QStringLiteral("enabled"), s.countdown.enabled},
                              {QStringLiteral("total"), number(s.countdown.total)},
                              {QStringLiteral("left"), number(s.countdown.left)}};
  const QJsonObject root{{QStringLiteral("format"), kFormat},
                         {QStringLiteral("pid"), integer(s.pid)},
                         {QStringLiteral("dataFolder"), text(s.dataFolder)},
                         {QStringLiteral("startedAt"), integer(s.startedAt)},
                         {QStringLiteral("asOf"), integer(s.asOf)},
                         {QStringLiteral("monitorProblem"), text(s.monitorProblem)},
                         {QStringLiteral("sessions"), sessions},
                         {QStringLiteral("countdown"), countdown}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::optional<TrackerStatus> parseStatusJson(const std::string& json, std::string& error) {
  QJsonParseError pe{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &pe);
  if (doc.isNull() || !doc.isObject()) {
    error = pe.error != QJsonParseError::NoError ? pe.errorString().toStdString() : "not a JSON object";
    return std::nullopt;
  }
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toInt() != kFormat) {
    error = "not a status of this version of the tracker";
    return std::nullopt;
  }
  TrackerStatus s;
  s.pid = integer(root.value(QStringLiteral("pid")));
  s.dataFolder = text(root.value(QStringLiteral("dataFolder")));
  s.startedAt = integer(root.value(QStringLiteral("startedAt")));
  s.asOf = integer(root.value(QStringLiteral("asOf")));
  s.monitorProblem = text(root.value(QStringLiteral("monitorProblem")));
  for (const QJsonValue& v : root.value(QStringLiteral("sessions")).toArray()) {
    const QJsonObject o = v.toObject();
    SessionStatus x;
    x.connection = text(o.value(QStringLiteral("connection")));
    if (o.value(QStringLiteral("dialStart")).isDouble()) x.dialStart = integer(o.value(QStringLiteral("dialStart")));
    x.up = integer(o.value(QStringLiteral("up")));
    x.countFrom = integer(o.value(QStringLiteral("countFrom")));
    x.countedSeconds = integer(o.value(QStringLiteral("countedSeconds")));
    x.received = count(o.value(QStringLiteral("received")));
    x.sent = count(o.value(QStringLiteral("sent")));
    x.cost = o.value(QStringLiteral("cost")).toDouble();
    x.slot = o.value(QStringLiteral("slot")).toInt();
    x.condition = text(o.value(QStringLiteral("condition")));
    x.pickedUp = o.value(QStringLiteral("pickedUp")).toBool();
    s.sessions.push_back(std::move(x));
  }
  const QJsonObject cd = root.value(QStringLiteral("countdown")).toObject();
  s.countdown.enabled = cd.value(QStringLiteral("enabled")).toBool();
  s.countdown.total = cd.value(QStringLiteral("total")).toDouble();
  s.countdown.left = cd.value(QStringLiteral("left")).toDouble();
  return s;
}

bool writeStatusFile(const std::string& path, const TrackerStatus& s, std::string& error) {
  // Written beside the file and renamed over it, so that a reader sees the old status
  // or the new one. Not synced: the status lives as long as the tracker, and the
  // runtime folder is kept in memory anyway.
  const std::string temp = path + ".new";
  const std::string json = statusJson(s);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = temp + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < json.size()) {
    const ssize_t n = ::write(fd, json.data() + done, json.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = temp + ": " + std::strerror(n < 0 ? errno : ENOSPC);
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace prandel::tracker
