#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Private D-Bus buses with a mocked NetworkManager and notification daemon.

The tracker's tests and the platform's run against these, never against the
machine's own buses: a "system" bus with python3-dbusmock's NetworkManager template
on it and a session bus with its notification daemon, each a dbus-daemon of our own
with a configuration of our own (no service activation, so nothing real is started
on them). Run it with /usr/bin/python3: python3-dbusmock is installed for Debian's
Python only.

    dbusmock_env.py run [--no-networkmanager] [--no-notifications] -- COMMAND ...
        starts the buses and mocks, runs COMMAND with DBUS_SYSTEM_BUS_ADDRESS and
        DBUS_SESSION_BUS_ADDRESS set to them, cleans up and exits with its code
        (77, a skip, when the buses or dbusmock cannot be had).
    dbusmock_env.py serve [...]
        starts them and prints DBUS_SYSTEM_BUS_ADDRESS=..., DBUS_SESSION_BUS_ADDRESS=...
        and READY (or SKIP reason), then waits until its standard input closes (its
        user ended, however it ended) and cleans up.

Inside such an environment (the addresses in the environment):

    dbusmock_env.py nm add NAME [--type ppp] [--device ttyUSB0] [--interface ppp0]
                       [--state 1] [--metered 0] [--no-statistics]
        an active connection of that name on a new device; prints its path and the
        device's path. The device names its IP interface once the connection is
        activated.
    dbusmock_env.py nm state PATH STATE [--reason N] [--via both|signal|properties]
        moves it to STATE (1 activating, 2 activated, 3 deactivating, 4 deactivated)
        with StateChanged, a PropertiesChanged of State, or both as NetworkManager does.
    dbusmock_env.py nm bytes DEVICE RX TX      the device's Statistics counters
    dbusmock_env.py nm refresh-rate DEVICE     prints its RefreshRateMs
    dbusmock_env.py nm remove PATH             the active connection removed
    dbusmock_env.py nm deactivate-calls        the paths DeactivateConnection was called with
    dbusmock_env.py notify calls               the Notify calls as JSON

Python tests import it and use Environment, NetworkManager and Notifications.
Every process is ended by its pid, every wait is bounded.
"""

import argparse
import ctypes
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77

NM_NAME = 'org.freedesktop.NetworkManager'
NM_PATH = '/org/freedesktop/NetworkManager'
NM_IFACE = 'org.freedesktop.NetworkManager'
SETTINGS_PATH = '/org/freedesktop/NetworkManager/Settings'
SETTINGS_IFACE = 'org.freedesktop.NetworkManager.Settings'
ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'
DEVICE_IFACE = 'org.freedesktop.NetworkManager.Device'
STATISTICS_IFACE = 'org.freedesktop.NetworkManager.Device.Statistics'
PROPERTIES_IFACE = 'org.freedesktop.DBus.Properties'
MOCK_IFACE = 'org.freedesktop.DBus.Mock'
NOTIFY_NAME = 'org.freedesktop.Notifications'
NOTIFY_PATH = '/org/freedesktop/Notifications'
# Where the mock keeps the interface a device will carry IP on once activated.
PLAN_IFACE = 'org.zelkora.Test.Plan'

BUS_CONFIG = '''<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
'''


class Unavailable(Exception):
    """What the environment needs is not there (a reason to skip, not a failure)."""


def _die_with_parent():
    # A child ends when the harness does, even if the harness is killed outright.
    libc = ctypes.CDLL(None, use_errno=True)
    pr_set_pdeathsig = 1
    libc.prctl(pr_set_pdeathsig, signal.SIGTERM, 0, 0, 0)


def _dbus():
    try:
        import dbus  # pylint: disable=import-outside-toplevel
        return dbus
    except ImportError as e:
        raise Unavailable('python3-dbus is missing (use /usr/bin/python3)') from e


class Environment:
    """The buses and mocks; a context manager that always cleans up."""

    def __init__(self, networkmanager=True, notifications=True, timeout=15.0):
        self.networkmanager = networkmanager
        self.notifications = notifications
        self.timeout = timeout
        self.dir = None
        self.procs = []
        self.system_address = None
        self.session_address = None

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def env(self):
        env = dict(os.environ)
        env['DBUS_SYSTEM_BUS_ADDRESS'] = self.system_address
        env['DBUS_SESSION_BUS_ADDRESS'] = self.session_address
        return env

    def start(self):
        if not shutil.which('dbus-daemon'):
            raise Unavailable('dbus-daemon is missing')
        try:
            import dbusmock  # noqa: F401 pylint: disable=import-outside-toplevel,unused-import
        except ImportError as e:
            raise Unavailable('python3-dbusmock is missing (use /usr/bin/python3)') from e
        _dbus()
        self.dir = tempfile.mkdtemp(prefix='zelkora-dbus-')
        self.system_address = self._start_bus('system')
        self.session_address = self._start_bus('session')
        if self.networkmanager:
            self._start_mock('networkmanager', NM_NAME, self.system_address)
        if self.notifications:
            self._start_mock('notification_daemon', NOTIFY_NAME, self.session_address)

    def _start_bus(self, name):
        socket = os.path.join(self.dir, name + '_bus_socket')
        config = os.path.join(self.dir, name + '.conf')
        with open(config, 'w', encoding='utf-8') as f:
            f.write(BUS_CONFIG.format(socket=socket))
        # Its complaints (it cannot raise its file limit in a sandbox) go to a log.
        with open(os.path.join(self.dir, name + '-bus.log'), 'wb') as log:
            proc = subprocess.Popen(['dbus-daemon', '--config-file=' + config, '--nofork', '--print-address=1'],
                                    stdout=subprocess.PIPE, stderr=log, stdin=subprocess.DEVNULL,
                                    preexec_fn=_die_with_parent)
        self.procs.append(proc)
        ready, _, _ = select.select([proc.stdout], [], [], self.timeout)
        line = proc.stdout.readline().decode().strip() if ready else ''
        if not line:
            raise Unavailable(f'the private {name} bus did not start')
        return line

    def _start_mock(self, template, bus_name, address):
        env = self.env()
        log = open(os.path.join(self.dir, template + '.log'), 'wb')  # pylint: disable=consider-using-with
        proc = subprocess.Popen(['/usr/bin/python3', '-m', 'dbusmock', '--template', template],
                                env=env, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                preexec_fn=_die_with_parent)
        log.close()
        self.procs.append(proc)
        dbus = _dbus()
        bus = dbus.bus.BusConnection(address)
        try:
            deadline = time.monotonic() + self.timeout
            while not bus.name_has_owner(bus_name):
                if proc.poll() is not None or time.monotonic() > deadline:
                    with open(os.path.join(self.dir, template + '.log'), encoding='utf-8', errors='replace') as f:
                        raise Unavailable(f'the {template} mock did not start: {f.read()[-500:]}')
                time.sleep(0.05)
        finally:
            bus.close()

    def stop(self):
        # Mocks first, then the buses, each by its pid; bounded waits.
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=5)
            if proc.stdout:
                proc.stdout.close()
        self.procs = []
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None


def _variant_free(value):
    """A D-Bus value as plain Python, for JSON."""
    dbus = _dbus()
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): _variant_free(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, list, tuple, dbus.Struct)):
        return [_variant_free(v) for v in value]
    if isinstance(value, (dbus.Boolean, bool)):
        return bool(value)
    if isinstance(value, (dbus.Byte, dbus.Int16, dbus.Int32, dbus.Int64, dbus.UInt16, dbus.UInt32, dbus.UInt64, int)):
        return int(value)
    if isinstance(value, (dbus.Double, float)):
        return float(value)
    return str(value)


class NetworkManager:
    """Drives the NetworkManager mock on the bus at address (default: $DBUS_SYSTEM_BUS_ADDRESS)."""

    def __init__(self, address=None):
        dbus = _dbus()
        self.dbus = dbus
        self.bus = dbus.bus.BusConnection(address or os.environ['DBUS_SYSTEM_BUS_ADDRESS'])
        self.manager = self.bus.get_object(NM_NAME, NM_PATH)
        self.mock = dbus.Interface(self.manager, MOCK_IFACE)

    def close(self):
        self.bus.close()

    def _object(self, path):
        return self.bus.get_object(NM_NAME, path)

    def _unique(self, prefix):
        # Paths that no earlier call of this or another process took.
        taken = set(str(p) for p in self.manager.Get(NM_IFACE, 'Devices', dbus_interface=PROPERTIES_IFACE))
        taken |= set(str(p) for p in self.manager.Get(NM_IFACE, 'ActiveConnections', dbus_interface=PROPERTIES_IFACE))
        n = 0
        while True:
            n += 1
            name = f'{prefix}{os.getpid()}_{n}_{int(time.monotonic() * 1000)}'
            if not any(p.endswith('/' + name) for p in taken):
                return name

    def add_connection(self, name, conn_type='ppp', device='ttyUSB0', interface='ppp0', state=1, metered=0,
                       statistics=True):
        """An active connection on a device of its own; returns (active path, device path)."""
        dbus = self.dbus
        dev_name = self._unique('zk')
        dev_path = '/org/freedesktop/NetworkManager/Devices/' + dev_name
        self.mock.AddObject(dev_path, DEVICE_IFACE, {
            'DeviceType': dbus.UInt32(8 if conn_type in ('ppp', 'gsm', 'cdma') else 1),
            'State': dbus.UInt32(40),
            'StateReason': (dbus.UInt32(40), dbus.UInt32(0)),
            'Interface': device,
            'IpInterface': interface if state == 2 else '',
            'Ifindex': dbus.UInt32(0),
            'Metered': dbus.UInt32(metered),
            'ActiveConnection': dbus.ObjectPath('/'),
            'AvailableConnections': dbus.Array([], signature='o'),
            'Managed': True,
            'Driver': 'dbusmock',
        }, [])
        dev = dbus.Interface(self._object(dev_path), MOCK_IFACE)
        dev.AddProperties(PLAN_IFACE, {'IpInterface': interface})
        if statistics:
            dev.AddProperties(STATISTICS_IFACE, {'RefreshRateMs': dbus.UInt32(0), 'RxBytes': dbus.UInt64(0),
                                                 'TxBytes': dbus.UInt64(0)})
        devices = self.manager.Get(NM_IFACE, 'Devices', dbus_interface=PROPERTIES_IFACE)
        devices.append(dbus.ObjectPath(dev_path))
        self.manager.Set(NM_IFACE, 'Devices', devices, dbus_interface=PROPERTIES_IFACE)

        settings = self._object(SETTINGS_PATH)
        conn_path = settings.AddConnection(
            dbus.Dictionary({'connection': dbus.Dictionary({'id': name, 'type': conn_type}, signature='sv')},
                            signature='sa{sv}'), dbus_interface=SETTINGS_IFACE)
        active = self.mock.AddActiveConnection([dev_path], conn_path, '/', self._unique('ac'), dbus.UInt32(state))
        return str(active), dev_path

    def set_state(self, path, state, reason=0, via='both'):
        """StateChanged and/or a PropertiesChanged of State, as NetworkManager sends them."""
        dbus = self.dbus
        obj = self._object(path)
        if state == 2:
            devices = obj.Get(ACTIVE_IFACE, 'Devices', dbus_interface=PROPERTIES_IFACE)
            for dev_path in devices:
                dev = self._object(dev_path)
                planned = dev.Get(PLAN_IFACE, 'IpInterface', dbus_interface=PROPERTIES_IFACE)
                dev.Set(DEVICE_IFACE, 'IpInterface', planned, dbus_interface=PROPERTIES_IFACE)
        if via in ('both', 'signal'):
            dbus.Interface(obj, MOCK_IFACE).EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu',
                                                       [dbus.UInt32(state), dbus.UInt32(reason)])
        if via in ('both', 'properties'):
            self.mock.SetProperty(path, ACTIVE_IFACE, 'State', dbus.UInt32(state, variant_level=1))

    def set_bytes(self, device_path, received, sent):
        dbus = self.dbus
        dbus.Interface(self._object(device_path), MOCK_IFACE).UpdateProperties(
            STATISTICS_IFACE, {'RxBytes': dbus.UInt64(received), 'TxBytes': dbus.UInt64(sent)})

    def refresh_rate(self, device_path):
        return int(self._object(device_path).Get(STATISTICS_IFACE, 'RefreshRateMs', dbus_interface=PROPERTIES_IFACE))

    def remove(self, path):
        obj = self._object(path)
        devices = obj.Get(ACTIVE_IFACE, 'Devices', dbus_interface=PROPERTIES_IFACE)
        self.mock.RemoveActiveConnection(devices[0] if devices else '/', path)

    def deactivate_calls(self):
        return [str(args[0]) for _, args in self.mock.GetMethodCalls('DeactivateConnection')]


class Notifications:
    """Reads what the notification daemon mock was asked (default: $DBUS_SESSION_BUS_ADDRESS)."""

    def __init__(self, address=None):
        dbus = _dbus()
        self.bus = dbus.bus.BusConnection(address or os.environ['DBUS_SESSION_BUS_ADDRESS'])
        self.mock = dbus.Interface(self.bus.get_object(NOTIFY_NAME, NOTIFY_PATH), MOCK_IFACE)

    def close(self):
        self.bus.close()

    def calls(self):
        names = ['app_name', 'replaces_id', 'app_icon', 'summary', 'body', 'actions', 'hints', 'expire_timeout']
        return [dict(zip(names, _variant_free(args))) for _, args in self.mock.GetMethodCalls('Notify')]


def _serve(env):
    print(f'DBUS_SYSTEM_BUS_ADDRESS={env.system_address}')
    print(f'DBUS_SESSION_BUS_ADDRESS={env.session_address}')
    print('READY', flush=True)
    # Until the user closes our standard input, or ends: then EOF.
    while sys.stdin.buffer.read(4096):
        pass


def _environment_command(args):
    def on_signal(signum, _frame):
        raise SystemExit(128 + signum)
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    try:
        with Environment(not args.no_networkmanager, not args.no_notifications, args.timeout) as env:
            if args.command == 'serve':
                _serve(env)
                return 0
            command = args.argv[1:] if args.argv[:1] == ['--'] else args.argv
            if not command:
                print('dbusmock_env.py run: no command given', file=sys.stderr)
                return 2
            proc = subprocess.Popen(command, env=env.env())  # pylint: disable=consider-using-with
            try:
                return proc.wait()
            finally:
                if proc.poll() is None:
                    proc.terminate()
                    try:
                        proc.wait(timeout=5)
                    except subprocess.TimeoutExpired:
                        proc.kill()
                        proc.wait()
    except Unavailable as e:
        if args.command == 'serve':
            print(f'SKIP {e}', flush=True)
        else:
            print(f'dbusmock_env.py: skipped: {e}', file=sys.stderr)
        return SKIP


def _nm_command(args):
    nm = NetworkManager()
    try:
        if args.action == 'add':
            active, device = nm.add_connection(args.name, args.type, args.device, args.interface, args.state,
                                               args.metered, not args.no_statistics)
            print(active, device)
        elif args.action == 'state':
            nm.set_state(args.path, args.state, args.reason, args.via)
        elif args.action == 'bytes':
            nm.set_bytes(args.device, args.rx, args.tx)
        elif args.action == 'refresh-rate':
            print(nm.refresh_rate(args.device))
        elif args.action == 'remove':
            nm.remove(args.path)
        elif args.action == 'deactivate-calls':
            for path in nm.deactivate_calls():
                print(path)
    finally:
        nm.close()
    return 0


def _notify_command(_args):
    n = Notifications()
    try:
        print(json.dumps(n.calls()))
    finally:
        n.close()
    return 0


def main(argv):
    parser = argparse.ArgumentParser(prog='dbusmock_env.py', description=__doc__.split('\n', 1)[0])
    sub = parser.add_subparsers(dest='command', required=True)
    for name in ('run', 'serve'):
        p = sub.add_parser(name)
        p.add_argument('--no-networkmanager', action='store_true')
        p.add_argument('--no-notifications', action='store_true')
        p.add_argument('--timeout', type=float, default=15.0, help='seconds to wait for each bus and mock')
        if name == 'run':
            p.add_argument('argv', nargs=argparse.REMAINDER)
        else:
            p.set_defaults(argv=[])
    nm = sub.add_parser('nm').add_subparsers(dest='action', required=True)
    p = nm.add_parser('add')
    p.add_argument('name')
    p.add_argument('--type', default='ppp')
    p.add_argument('--device', default='ttyUSB0')
    p.add_argument('--interface', default='ppp0')
    p.add_argument('--state', type=int, default=1)
    p.add_argument('--metered', type=int, default=0)
    p.add_argument('--no-statistics', action='store_true')
    p = nm.add_parser('state')
    p.add_argument('path')
    p.add_argument('state', type=int)
    p.add_argument('--reason', type=int, default=0)
    p.add_argument('--via', choices=['both', 'signal', 'properties'], default='both')
    p = nm.add_parser('bytes')
    p.add_argument('device')
    p.add_argument('rx', type=int)
    p.add_argument('tx', type=int)
    nm.add_parser('refresh-rate').add_argument('device')
    nm.add_parser('remove').add_argument('path')
    nm.add_parser('deactivate-calls')
    sub.add_parser('notify').add_argument('what', choices=['calls'])

    args = parser.parse_args(argv)
    if args.command in ('run', 'serve'):
        return _environment_command(args)
    if args.command == 'nm':
        return _nm_command(args)
    return _notify_command(args)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
