// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/NetworkManagerMonitor.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QVariantMap>
#include <algorithm>
#include <atomic>
#include <map>
#include <vector>

namespace prandel::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerIface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveIface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDeviceIface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kStatisticsIface = QStringLiteral("org.freedesktop.NetworkManager.Device.Statistics");
const QString kPropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");

// NMActiveConnectionState.
constexpr uint kActivating = 1;
constexpr uint kActivated = 2;
constexpr uint kDeactivated = 4;

Metered meteredOf(uint value) {
  switch (value) {
    case 1: return Metered::Yes;
    case 2: return Metered::No;
    case 3: return Metered::GuessYes;
    case 4: return Metered::GuessNo;
    default: return Metered::Unknown;
  }
}

// An object path as D-Bus defines it: "/" or "/" elements of [A-Za-z0-9_] apart by
// single "/". QtDBus would refuse anything else, but only with a warning.
bool isObjectPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  if (path.size() == 1) return true;
  char before = '/';
  for (std::size_t i = 1; i < path.size(); ++i) {
    const char c = path[i];
    const bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!word && (c != '/' || before == '/')) return false;
    before = c;
  }
  return before != '/';
}

// A list of object paths from a property value, however it was marshalled.
std::vector<QString> pathsOf(const QVariant& value) {
  std::vector<QString> out;
  QList<QDBusObjectPath> paths;
  if (value.canConvert<QDBusArgument>()) {
    value.value<QDBusArgument>() >> paths;
  } else if (value.canConvert<QList<QDBusObjectPath>>()) {
    paths = value.value<QList<QDBusObjectPath>>();
  }
  for (const auto& p : paths) out.push_back(p.path());
  return out;
}

std::string text(const QVariant& value) { return value.toString().toStdString(); }

}  // namespace

// Keeps what NetworkManager said of each active connection, so that every change
// is reported once and in order, however it reached us.
class NetworkManagerMonitor::Watcher final : public QObject {
  Q_OBJECT

 public:
  explicit Watcher(Options options) : options_(std::move(options)) {}

  ~Watcher() override {
    if (subscribed_) unsubscribe();
    if (!privateName_.isEmpty()) QDBusConnection::disconnectFromBus(privateName_);
  }

  Listener* listener = nullptr;

  bool start(std::string& error) {
    if (!connectBus(error)) return false;
    subscribe();
    QDBusMessage reply;
    if (!call(kManagerPath, kPropertiesIface, QStringLiteral("Get"), {kManagerIface, QStringLiteral("ActiveConnections")},
              reply)) {
      const QString name = reply.errorName();
      if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
          name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        error = "NetworkManager is not running (no org.freedesktop.NetworkManager on the system bus)";
      else
        error = "cannot ask NetworkManager for its connections: " + reply.errorMessage().toStdString();
      unsubscribe();
      return false;
    }
    activeConnectionsAre(pathsOf(reply.arguments().value(0).value<QDBusVariant>().variant()));
    return true;
  }

  InterfaceCounters counters(const std::string& interface) {
    if (interface.empty()) return {};
    auto& source = sources_[interface];
    if (source.kind == Source::Unknown) {
      source.device = deviceOf(interface);
      source.kind = source.device.isEmpty() ? Source::Sysfs : Source::Statistics;
      if (source.kind == Source::Statistics && !askForStatistics(source)) source.kind = Source::Sysfs;
    }
    if (source.kind == Source::Sysfs) return readSysfsCounters(options_.sysfsRoot, interface);

    // NetworkManager's values lag until it has refreshed them once after being
    // asked to: a reading from them before then would look like a reset. sysfs is
    // not taken meanwhile, as the two may differ by a refresh.
    if (!source.fresh && source.askedAt.isValid() &&
        source.askedAt.elapsed() < 2 * static_cast<qint64>(options_.statisticsRefreshMs) + 500)
      return {};
    QDBusMessage reply;
    if (!call(source.device, kPropertiesIface, QStringLiteral("GetAll"), {kStatisticsIface}, reply)) return {};
    const QVariantMap props = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    if (!props.contains(QStringLiteral("RxBytes")) || !props.contains(QStringLiteral("TxBytes"))) return {};
    InterfaceCounters c;
    c.valid = true;
    c.received = props.value(QStringLiteral("RxBytes")).toULongLong();
    c.sent = props.value(QStringLiteral("TxBytes")).toULongLong();
    // The kernel's number for the interface, where this machine shows it.
    const auto sysfs = readSysfsCounters(options_.sysfsRoot, interface);
    if (sysfs.valid) c.ifindex = sysfs.ifindex;
    return c;
  }

  bool disconnect(const std::string& id) {
    if (!isObjectPath(id) || !bus_.isConnected()) return false;
    QDBusMessage reply;
    return call(kManagerPath, kManagerIface, QStringLiteral("DeactivateConnection"),
                {QVariant::fromValue(QDBusObjectPath(QString::fromStdString(id)))}, reply);
  }

 private Q_SLOTS:
  void propertiesChanged(const QString& iface, const QVariantMap& changed, const QStringList&, const QDBusMessage& msg) {
    changedOn(msg.path(), iface, changed);
  }

  // Older NetworkManagers send a PropertiesChanged of each interface's own instead.
  void legacyPropertiesChanged(const QVariantMap& changed, const QDBusMessage& msg) {
    changedOn(msg.path(), msg.interface(), changed);
  }

  void stateChanged(uint state, uint, const QDBusMessage& msg) { stateIs(msg.path(), state); }

 private:
  struct Active {
    ConnectionInfo info;
    QString device;
    int reported = -1;  // the last state told: -1 none, else a ConnectionState
  };
  struct Source {
    enum Kind { Unknown, Statistics, Sysfs } kind = Unknown;
    QString device;
    bool fresh = false;
    QElapsedTimer askedAt;
  };

  bool connectBus(std::string& error) {
    if (options_.busAddress.empty()) {
      bus_ = QDBusConnection::systemBus();
    } else {
      static std::atomic<int> serial{0};
      privateName_ = QStringLiteral("prandel-nm-%1").arg(++serial);
      bus_ = QDBusConnection::connectToBus(QString::fromStdString(options_.busAddress), privateName_);
    }
    if (bus_.isConnected()) return true;
    error = "no system bus: " + bus_.lastError().message().toStdString();
    return false;
  }

  bool call(const QString& path, const QString& iface, const QString& method, const QVariantList& args,
            QDBusMessage& reply) {
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, path, iface, method);
    msg.setArguments(args);
    reply = bus_.call(msg, QDBus::Block, options_.callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
  }

  std::vector<std::pair<QString, QString>> signalsOf() const {
    return {{kPropertiesIface, QStringLiteral("PropertiesChanged")},
            {kActiveIface, QStringLiteral("StateChanged")},
            {kActiveIface, QStringLiteral("PropertiesChanged")},
            {kManagerIface, QStringLiteral("PropertiesChanged")},
            {kStatisticsIface, QStringLiteral("PropertiesChanged")}};
  }

  const char* slotOf(const QString& iface, const QString& name) const {
    if (iface == kPropertiesIface) return SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage));
    if (name == QLatin1String("StateChanged")) return SLOT(stateChanged(uint, uint, QDBusMessage));
    return SLOT(legacyPropertiesChanged(QVariantMap, QDBusMessage));
  }

  // Every object's signals (an empty path matches any), so that a connection's
  // StateChanged is heard even before ActiveConnections names it.
  void subscribe() {
    for (const auto& [iface, name] : signalsOf()) bus_.connect(kService, QString(), iface, name, this, slotOf(iface, name));
    subscribed_ = true;
  }

  void unsubscribe() {
    for (const auto& [iface, name] : signalsOf()) bus_.disconnect(kService, QString(), iface, name, this, slotOf(iface, name));
    subscribed_ = false;
  }

  void changedOn(const QString& path, const QString& iface, const QVariantMap& changed) {
    if (iface == kManagerIface && path == kManagerPath) {
      const auto it = changed.find(QStringLiteral("ActiveConnections"));
      if (it != changed.end()) activeConnectionsAre(pathsOf(*it));
    } else if (iface == kActiveIface) {
      const auto it = changed.find(QStringLiteral("State"));
      if (it != changed.end()) stateIs(path, it->toUInt());
    } else if (iface == kStatisticsIface) {
      for (auto& [name, source] : sources_)
        if (source.device == path) source.fresh = true;
    }
  }

  void activeConnectionsAre(const std::vector<QString>& paths) {
    std::vector<QString> gone;
    for (const auto& [path, active] : active_)
      if (std::find(paths.begin(), paths.end(), path) == paths.end()) gone.push_back(path);
    for (const auto& path : gone) stateIs(path, kDeactivated);
    for (const auto& path : paths)
      if (active_.find(path) == active_.end()) learn(path);
  }

  // A connection not seen before: what it is and where it stands.
  void learn(const QString& path) {
    QDBusMessage reply;
    if (!call(path, kPropertiesIface, QStringLiteral("GetAll"), {kActiveIface}, reply)) return;  // gone meanwhile
    const QVariantMap props = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    Active a;
    a.info.id = path.toStdString();
    a.info.name = text(props.value(QStringLiteral("Id")));
    a.info.type = text(props.value(QStringLiteral("Type")));
    const auto devices = pathsOf(props.value(QStringLiteral("Devices")));
    if (!devices.empty()) a.device = devices.front();
    active_[path] = std::move(a);
    stateIs(path, props.value(QStringLiteral("State")).toUInt());
  }

  // The device's IP interface and whether it is metered, as they stand now.
  void readDevice(Active& a, bool up) {
    if (a.device.isEmpty() || a.device == QLatin1String("/")) {
      // NetworkManager may name the device only once the connection is up.
      QDBusMessage reply;
      if (!call(QString::fromStdString(a.info.id), kPropertiesIface, QStringLiteral("Get"),
                {kActiveIface, QStringLiteral("Devices")}, reply))
        return;
      const auto devices = pathsOf(reply.arguments().value(0).value<QDBusVariant>().variant());
      if (devices.empty()) return;
      a.device = devices.front();
    }
    QDBusMessage reply;
    if (!call(a.device, kPropertiesIface, QStringLiteral("GetAll"), {kDeviceIface}, reply)) return;
    const QVariantMap props = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    std::string iface = text(props.value(QStringLiteral("IpInterface")));
    // A device that carries IP itself (Ethernet) may leave IpInterface empty; a
    // modem's own interface (ttyUSB0) is no IP interface while it dials.
    if (iface.empty() && up) iface = text(props.value(QStringLiteral("Interface")));
    if (!iface.empty()) a.info.interface = iface;
    a.info.metered = meteredOf(props.value(QStringLiteral("Metered")).toUInt());
  }

  void stateIs(const QString& path, uint state) {
    auto it = active_.find(path);
    if (it == active_.end()) {
      if (state == kActivating || state == kActivated) learn(path);
      return;
    }
    Active& a = it->second;
    if (state == kActivating && a.reported < 0) {
      readDevice(a, false);
      tell(a, ConnectionState::Activating);
    } else if (state == kActivated && a.reported < static_cast<int>(ConnectionState::Activated)) {
      readDevice(a, true);
      tell(a, ConnectionState::Activated);
    } else if (state == kDeactivated) {
      const Active last = a;
      forget(path);
      if (last.reported >= 0) tellCopy(last, ConnectionState::Deactivated);
    }
  }

  void tell(Active& a, ConnectionState state) {
    a.reported = static_cast<int>(state);
    tellCopy(a, state);
  }

  // The listener gets a copy: what it does may change the map.
  void tellCopy(const Active& a, ConnectionState state) {
    const ConnectionInfo info = a.info;
    if (listener) listener->connectionChanged(info, state);
  }

  void forget(const QString& path) {
    const auto it = active_.find(path);
    if (it == active_.end()) return;
    sources_.erase(it->second.info.interface);
    active_.erase(it);
  }

  QString deviceOf(const std::string& interface) const {
    for (const auto& [path, a] : active_)
      if (a.info.interface == interface && !a.device.isEmpty() && a.device != QLatin1String("/")) return a.device;
    return {};
  }

  // Asks NetworkManager to refresh the device's statistics at least as often as
  // wanted. False when the device has none.
  bool askForStatistics(Source& source) {
    QDBusMessage reply;
    if (!call(source.device, kPropertiesIface, QStringLiteral("Get"), {kStatisticsIface, QStringLiteral("RefreshRateMs")},
              reply))
      return false;
    const uint rate = reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
    if (rate != 0 && rate <= options_.statisticsRefreshMs) {
      source.fresh = true;
      return true;
    }
    if (!call(source.device, kPropertiesIface, QStringLiteral("Set"),
              {kStatisticsIface, QStringLiteral("RefreshRateMs"),
               QVariant::fromValue(QDBusVariant(QVariant::fromValue(options_.statisticsRefreshMs)))},
              reply))
      return false;
    source.askedAt.start();
    return true;
  }

  Options options_;
  QDBusConnection bus_{QString()};
  QString privateName_;
  bool subscribed_ = false;
  std::map<QString, Active> active_;
  std::map<std::string, Source> sources_;
};

NetworkManagerMonitor::NetworkManagerMonitor() : NetworkManagerMonitor(Options{}) {}

NetworkManagerMonitor::NetworkManagerMonitor(Options options) : watcher_(std::make_unique<Watcher>(std::move(options))) {}

NetworkManagerMonitor::~NetworkManagerMonitor() = default;

void NetworkManagerMonitor::setListener(Listener* listener) { watcher_->listener = listener; }

bool NetworkManagerMonitor::start(std::string& error) { return watcher_->start(error); }

InterfaceCounters NetworkManagerMonitor::counters(const std::string& interface) { return watcher_->counters(interface); }

bool NetworkManagerMonitor::disconnect(const std::string& id) { return watcher_->disconnect(id); }

}  // namespace prandel::platform

#include "NetworkManagerMonitor.moc"
