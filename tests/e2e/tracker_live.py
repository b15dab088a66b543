#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The live tracker end to end: the real zktrack run on private buses with
NetworkManager and the notification daemon mocked (tests/tracker/dbusmock_env.py),
its clock started at a moment of our choosing and run fast.

ZKTRACK_TEST_CLOCK="START,SPEED" (START @SECONDS or a local yyyy-mm-dd hh:mm:ss,
SPEED 1 to 1000) is a hidden setting of zktrack run for these tests: its clock starts
at START and runs SPEED times fast, and it ticks as often, so that three hours of a
session pass in under a minute.

1. A session of three hours over a tariff saved while it runs (zktrack import, which
   leaves the change notice as Prandel does) and a countdown that runs out: the log,
   the notifications and the main record's bytes are what zktrack price predicts for
   the same session with the saved tariff (the two tariffs agree until after the save).
2. The tracker killed by its pid in a session and started again: the session is taken
   over, and ends whole.

    tracker_live.py ZKTRACK      (exit 77: skipped, the buses or dbusmock missing)
"""
import datetime
import json
import os
import shutil
import signal
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tracker'))
import dbusmock_env  # noqa: E402 pylint: disable=wrong-import-position

SPEED = 300
START = 1797267600  # Monday 2026-12-14 17:00:00 UTC
MAIN = 1024
LINK = 8192
OFF = {'CallStart': 2, 'IncTime': 6, 'CdEnabled': 24, 'CdStatus': 26, 'CdTotal': 28, 'CdUsed': 36,
       'CdActiveOnly': 46, 'CdExpenseMode': 55, 'CdResetOn': 57, 'ChangeCode': 156, 'AddDialTime': 161}
COUNTDOWN = 7200  # two hours: it runs out at 19:00:20

# A: 1.20 an hour by day, 3.60 in the evening. B, saved at 18:30: the evening 3.60
# until 20:00 and 6.00 after. They agree up to 20:00.
TARIFF_A = '''days_off = []
holiday = []
[[condition]]
amount = 1.2
time = "between"
time_from = "08:00"
time_to = "18:00"
[[condition]]
amount = 3.6
time = "after"
time_from = "18:00"
'''
TARIFF_B = '''days_off = []
holiday = []
[[condition]]
amount = 1.2
time = "between"
time_from = "08:00"
time_to = "18:00"
[[condition]]
amount = 3.6
time = "between"
time_from = "18:00"
time_to = "20:00"
[[condition]]
amount = 6.0
time = "after"
time_from = "20:00"
'''

problems = []


def check(what, got, want):
    if got != want:
        problems.append(f'{what}: got {got!r}, want {want!r}')


def at(h, m, s=0):
    return START + (h - 17) * 3600 + m * 60 + s


class Zktrack:
    def __init__(self, exe, env):
        self.exe, self.env = exe, env

    def __call__(self, *args, ok=(0,)):
        out = subprocess.run([self.exe, *args], env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=60, check=False)
        if out.returncode not in ok:
            raise RuntimeError(f'zktrack {" ".join(args)} ended with {out.returncode}: {out.stderr.decode()}')
        return out.stdout.decode()

    def status(self, data):
        out = subprocess.run([self.exe, 'status', '--json', '--data', data], env=self.env, capture_output=True,
                             timeout=30, check=False)
        return json.loads(out.stdout) if out.returncode == 0 else None


class Tracker:
    """zktrack run in a process of its own, ended by its pid."""

    def __init__(self, zk, data, env, log_path):
        self.zk, self.data = zk, data
        self.log = open(log_path, 'ab')  # pylint: disable=consider-using-with
        self.proc = subprocess.Popen([zk.exe, 'run', '--data', data], env=env, stdin=subprocess.DEVNULL,  # pylint: disable=consider-using-with
                                     stdout=self.log, stderr=self.log)
        self.wait_for(lambda s: s is not None, 'the tracker to write its status')

    def wait_for(self, ready, what, timeout=90):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError(f'zktrack run ended with {self.proc.returncode} while waiting for {what}')
            st = self.zk.status(self.data)
            if ready(st):
                return st
            time.sleep(0.05)
        raise RuntimeError(f'timed out waiting for {what}')

    def stop(self, sig=signal.SIGTERM):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        try:
            rc = self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            rc = self.proc.wait(timeout=10)
        self.log.close()
        return rc


def patch_main(path, values):
    with open(path, 'r+b') as f:
        data = bytearray(f.read())
        for name, (fmt, value) in values.items():
            struct.pack_into(fmt, data, MAIN + OFF[name], value)
        struct.pack_into('<h', data, LINK + 244, 0)  # ReloadFlag
        f.seek(0)
        f.write(data)


def main_bytes(folder):
    with open(os.path.join(folder, 'mlif.zkt'), 'rb') as f:
        return f.read()[MAIN:MAIN + 163]


def prepare(zk, tmp):
    data = os.path.join(tmp, 'data')
    zk('seed', '--data', data)
    tariff_a = os.path.join(tmp, 'a.toml')
    with open(tariff_a, 'w', encoding='utf-8') as f:
        f.write(TARIFF_A)
    zk('import', tariff_a, '--data', data)
    # After Connection in whole minutes, the countdown on and full, no reset; the
    # import's change notice taken back, as if the tracker had read it.
    patch_main(os.path.join(data, 'mlif.zkt'), {
        'CallStart': ('<h', 1), 'IncTime': ('<d', 60 / 86400), 'CdEnabled': ('<h', -1), 'CdStatus': ('<h', 0),
        'CdTotal': ('<d', COUNTDOWN), 'CdUsed': ('<d', 0), 'CdActiveOnly': ('B', 0), 'CdExpenseMode': ('<h', 0),
        'CdResetOn': ('<h', 0), 'ChangeCode': ('B', 0), 'AddDialTime': ('B', 0)})
    return data


def logged(data):
    db = sqlite3.connect(f'file:{os.path.join(data, "zelkora.sqlite")}?mode=ro', uri=True)
    try:
        sessions = db.execute('SELECT id, connection, t0, t1, t2, counted_seconds, cost, countdown_seconds, state, '
                              'received FROM sessions ORDER BY id').fetchall()
        out = []
        for s in sessions:
            slices = db.execute('SELECT from_at, to_at, slot, units, charge FROM slices WHERE session = ? '
                                'ORDER BY from_at', (s[0],)).fetchall()
            samples = db.execute('SELECT at, received, sent FROM samples WHERE session = ? ORDER BY at',
                                 (s[0],)).fetchall()
            out.append({'id': s[0], 'connection': s[1], 't0': s[2], 't1': s[3], 't2': s[4], 'counted': s[5],
                        'cost': s[6], 'countdown': s[7], 'state': s[8], 'received': s[9], 'slices': slices,
                        'samples': samples})
        return out
    finally:
        db.close()


def epoch(iso):
    return int(datetime.datetime.fromisoformat(iso.replace('Z', '+00:00')).timestamp())


def session_over_a_tariff_change(zk, env, tmp, nm, notes):
    data = prepare(zk, tmp)
    # What zktrack price is asked with: the folder as it is before the session, with
    # the tariff that will be saved during it.
    predict = os.path.join(tmp, 'predict')
    shutil.copytree(data, predict)
    tariff_b = os.path.join(tmp, 'b.toml')
    with open(tariff_b, 'w', encoding='utf-8') as f:
        f.write(TARIFF_B)
    zk('import', tariff_b, '--data', predict)

    tracker = Tracker(zk, data, env, os.path.join(tmp, 'tracker1.log'))
    try:
        active, device = nm.add_connection('Dial-Up', 'ppp', state=1)
        nm.set_state(active, 1)
        tracker.wait_for(lambda s: s and s['asOf'] >= START + 20, 'the dialling')
        nm.set_state(active, 2)
        tracker.wait_for(lambda s: s and s['sessions'], 'the session')
        began = time.monotonic()
        saved = False
        while True:
            # Traffic of the real time that passes: 2 kB down and 200 B up a fake second.
            secs = int((time.monotonic() - began) * SPEED)
            nm.set_bytes(device, secs * 2000, secs * 200)
            st = zk.status(data)
            if st and not saved and st['asOf'] >= at(18, 30):
                zk('import', tariff_b, '--data', data)
                saved = True
            if st and st['asOf'] >= at(20, 5):
                break
            if time.monotonic() - began > 90:
                raise RuntimeError('the session did not reach 20:05 in 90 s')
            time.sleep(0.1)
        nm.set_state(active, 4)
        nm.remove(active)
        tracker.wait_for(lambda s: s and not s['sessions'], 'the session to end')
    finally:
        check('zktrack run ended by SIGTERM', tracker.stop(), 0)

    sessions = logged(data)
    check('sessions logged', len(sessions), 1)
    if not sessions:
        return
    s = sessions[0]
    check('state', s['state'], 'finished')
    check('connection', s['connection'], 'Dial-Up')
    samples = os.path.join(tmp, 'samples.csv')
    with open(samples, 'w', encoding='utf-8') as f:
        f.write('seconds_since_up,received,sent\n')
        for moment, rx, tx in s['samples']:
            f.write(f'{moment - s["t1"]},{rx},{tx}\n')
    want = json.loads(zk('price', '--data', predict, '--from', f'@{s["t1"]}', '--to', f'@{s["t2"]}', '--dial-start',
                         f'@{s["t0"]}', '--connection', 'Dial-Up', '--samples', samples, '--json'))
    check('slices', [list(x) for x in s['slices']],
          [[epoch(x['from']), epoch(x['to']), x['slot'], x['units'], x['charge']] for x in want['slices']])
    check('slots of the slices', [x[2] for x in s['slices']], [1, 2, 3])
    check('total', s['cost'], want['total'])
    check('counted seconds', s['counted'], want['countedSeconds'])
    check('received', s['received'], want['received'])
    check('countdown seconds', s['countdown'], want['countdownUsed'])
    check('the countdown ran out', want['countdownOut'] is not None, True)
    print(f'session: {len(s["slices"])} slices, {s["counted"]} s counted, cost {s["cost"]}, '
          f'countdown out at {want["countdownOut"]}')

    summaries = [c['summary'] for c in notes.calls()]
    check('notifications', summaries, ['Countdown: 10 % left', 'Countdown: 5 minutes left', 'Countdown ran out'])

    # The main record: the saved tariff's, the change notice cleared, the countdown
    # counted down by the session's seconds and run out; no other byte.
    expected = bytearray(main_bytes(predict))
    struct.pack_into('B', expected, OFF['ChangeCode'], 0)
    struct.pack_into('<d', expected, OFF['CdUsed'], want['countdownUsed'])
    struct.pack_into('<h', expected, OFF['CdStatus'], 1)
    check('main record', main_bytes(data).hex(), bytes(expected).hex())
    with open(os.path.join(data, 'mlif.zkt'), 'rb') as f:
        check('ReloadFlag', struct.unpack_from('<h', f.read(), LINK + 244)[0], 0)
    with open(os.path.join(tmp, 'tracker1.log'), encoding='utf-8', errors='replace') as f:
        lines = f.read()
    for line in ('zktrack: session "Dial-Up" up', 'zktrack: settings read again (ChangeCode 3)',
                 'zktrack: session "Dial-Up" down: 03:0'):
        if line not in lines:
            problems.append(f'the tracker did not say {line!r}:\n{lines}')


def killed_and_started_again(zk, env, tmp, nm):
    tmp = os.path.join(tmp, 'kill')
    os.mkdir(tmp)
    data = prepare(zk, tmp)
    first = Tracker(zk, data, env, os.path.join(tmp, 'tracker.log'))
    active, device = nm.add_connection('Dial-Up', 'ppp', interface='ppp1', state=1)
    nm.set_state(active, 2)
    st = first.wait_for(lambda s: s and s['sessions'] and s['sessions'][0]['countedSeconds'] >= 600, 'ten minutes')
    nm.set_bytes(device, 123456, 7890)
    st = first.wait_for(lambda s: s and s['sessions'][0]['countedSeconds'] >= 700, 'the bytes')
    check('killed by SIGKILL', first.stop(signal.SIGKILL), -signal.SIGKILL)
    killed = st['asOf']
    check('a running session in the log', [x['state'] for x in logged(data)], ['running'])

    # Started again a minute later by its own clock; the connection is still up.
    env = dict(env, ZKTRACK_TEST_CLOCK=f'@{killed + 60},{SPEED}')
    second = Tracker(zk, data, env, os.path.join(tmp, 'tracker.log'))
    try:
        second.wait_for(lambda s: s and s['sessions'] and s['sessions'][0]['pickedUp'], 'the session taken over')
        second.wait_for(lambda s: s['asOf'] >= killed + 300, 'five minutes more')
        nm.set_state(active, 4)
        nm.remove(active)
        second.wait_for(lambda s: s and not s['sessions'], 'the session to end')
    finally:
        check('the second tracker ended by SIGTERM', second.stop(), 0)
    sessions = logged(data)
    check('sessions after the kill', len(sessions), 1)
    if sessions:
        s = sessions[0]
        check('state', s['state'], 'finished')
        check('all its time counted', s['counted'], s['t2'] - s['t1'])
        check('more than the time the tracker was away', s['counted'] > killed + 60 - s['t1'], True)
        check('its bytes', s['received'], 123456)
        check('slices end to end', all(a[1] == b[0] for a, b in zip(s['slices'], s['slices'][1:])), True)


def main():
    exe = os.path.abspath(sys.argv[1])
    try:
        env_cm = dbusmock_env.Environment()
        env_cm.__enter__()
    except dbusmock_env.Unavailable as e:
        print(f'SKIP: {e}')
        return 77
    tmp = tempfile.mkdtemp(prefix='zelkora-live-')
    try:
        runtime = os.path.join(tmp, 'run')
        os.mkdir(runtime, 0o700)
        env = dict(env_cm.env(), XDG_RUNTIME_DIR=runtime, TZ='UTC', LC_ALL='C.UTF-8',
                   ZKTRACK_TEST_CLOCK=f'@{START},{SPEED}')
        zk = Zktrack(exe, env)
        nm = dbusmock_env.NetworkManager(env_cm.system_address)
        notes = dbusmock_env.Notifications(env_cm.session_address)
        try:
            session_over_a_tariff_change(zk, env, tmp, nm, notes)
            killed_and_started_again(zk, env, tmp, nm)
        finally:
            nm.close()
            notes.close()
    finally:
        env_cm.__exit__(None, None, None)
        shutil.rmtree(tmp, ignore_errors=True)
    if problems:
        print('\n'.join('FAIL: ' + p for p in problems), file=sys.stderr)
        return 1
    print('PASS tracker_live')
    return 0


if __name__ == '__main__':
    sys.exit(main())
