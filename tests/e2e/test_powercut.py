# SPDX-License-Identifier: GPL-3.0-or-later
"""The power-cut model of powercut.py on small traces written by hand, as strace -f -y -xx
prints them, and the verdict rules of verdicts.py.

    python3 -m unittest discover -s tests/e2e -p 'test_*.py'
"""
import os
import random
import tempfile
import unittest

import powercut
import verdicts

FOLDER = '/d'


def x(data):
    """A string or path as strace -xx prints it."""
    if isinstance(data, str):
        data = data.encode()
    return ''.join(f'\\x{b:02x}' for b in data)


def fd(n, name):
    path = FOLDER if name is None else f'{FOLDER}/{name}'
    return f'{n}<{x(path)}>'


def pwrite(name, data, offset, n=3, result=None):
    return f'100 pwrite64({fd(n, name)}, "{x(data)}", {len(data)}, {offset}) = {len(data) if result is None else result}'


def sync(name, n=3, call='fdatasync', result='0'):
    return f'100 {call}({fd(n, name)}) = {result}'


def fsync_folder(result='0'):
    return f'100 fsync({fd(9, None)}) = {result}'


def create(name, n=4):
    return (f'100 openat(AT_FDCWD<{x("/")}>, "{x(FOLDER + "/" + name)}", O_RDWR|O_CREAT|O_EXCL|O_CLOEXEC, 0644) = '
            f'{fd(n, name)}')


def unlink(name):
    return f'100 unlink("{x(FOLDER + "/" + name)}") = 0'


def states(lines, base, **kw):
    calls = powercut.parse_trace(lines)
    found, cuts, _ = powercut.collect(calls, FOLDER, base, **kw)
    return [s[3] for s in found], cuts


def at_each_cut(lines, base):
    """The images tried after each call on its own: [(call number, [image...])]."""
    calls = powercut.parse_trace(lines)
    return [(n, [s[3] for s in powercut.collect(calls, FOLDER, base, stop=n, extra=0, last_only=True)[0]])
            for n in range(1, len(calls) + 1)]


class Flushes(unittest.TestCase):
    def test_a_flush_keeps_the_writes_before_it(self):
        base = {'f': b'0000'}
        lines = [pwrite('f', b'AB', 0), sync('f'), pwrite('f', b'CD', 2)]
        cuts = dict(at_each_cut(lines, base))
        self.assertEqual(sorted(i['f'] for i in cuts[1]), [b'0000', b'AB00'])
        # After the flush AB is on the disk whatever happens to the write after it.
        self.assertEqual(sorted(i['f'] for i in cuts[2]), [b'AB00'])
        self.assertEqual(sorted(i['f'] for i in cuts[3]), [b'AB00', b'ABCD'])

    def test_a_flush_of_another_file_keeps_nothing_of_this_one(self):
        base = {'f': b'00', 'g': b'00'}
        lines = [pwrite('f', b'AB', 0), pwrite('g', b'CD', 0, n=5), sync('g', n=5)]
        images = dict(at_each_cut(lines, base))[3]
        self.assertIn({'f': b'00', 'g': b'CD'}, images)
        self.assertNotIn(b'00', [i['g'] for i in images])

    def test_the_folder_fsync_keeps_names_not_contents(self):
        base = {'f': b'00'}
        lines = [create('f-journal'), pwrite('f-journal', b'J', 0, n=4), fsync_folder()]
        images = dict(at_each_cut(lines, base))[3]
        self.assertTrue(all('f-journal' in i for i in images))
        self.assertIn({'f': b'00', 'f-journal': b''}, images)

    def test_a_failed_flush_may_lose_its_writes_for_good(self):
        base = {'f': b'00'}
        lines = [pwrite('f', b'AB', 0), sync('f', result='-1 EIO (Input/output error) (INJECTED)'), sync('f')]
        images = dict(at_each_cut(lines, base))[3]
        # The later flush succeeds, and still the write may be gone.
        self.assertEqual(sorted(i['f'] for i in images), [b'00', b'AB'])

    def test_a_flush_cut_off_by_the_kill_keeps_nothing(self):
        base = {'f': b'00'}
        lines = [pwrite('f', b'AB', 0), f'100 fdatasync({fd(3, "f")} <unfinished ...>']
        self.assertEqual(sorted(i['f'] for i in dict(at_each_cut(lines, base))[2]), [b'00', b'AB'])


class Names(unittest.TestCase):
    def test_a_name_not_yet_synced_may_vanish(self):
        base = {'f': b'00'}
        lines = [create('f-journal'), pwrite('f-journal', b'J', 0, n=4), sync('f-journal', n=4), fsync_folder()]
        cuts = dict(at_each_cut(lines, base))
        # Its contents flushed, its name not yet: there or not.
        self.assertIn({'f': b'00'}, cuts[3])
        self.assertIn({'f': b'00', 'f-journal': b'J'}, cuts[3])
        # Made but never written: the name alone.
        self.assertIn({'f': b'00', 'f-journal': b''}, cuts[1])
        # After the folder's fsync the journal is there in every state.
        self.assertEqual(cuts[4], [{'f': b'00', 'f-journal': b'J'}])

    def test_a_name_removed_but_not_synced_may_stay_with_its_durable_contents(self):
        base = {'f': b'00', 'f-journal': b'OLD'}
        lines = [pwrite('f-journal', b'NEW', 0, n=4), unlink('f-journal')]
        images = dict(at_each_cut(lines, base))[2]
        self.assertIn({'f': b'00'}, images)
        self.assertIn({'f': b'00', 'f-journal': b'OLD'}, images)
        self.assertIn({'f': b'00', 'f-journal': b'NEW'}, images)

    def test_a_journal_made_again_under_the_same_name_is_a_new_file(self):
        base = {'f': b'00'}
        lines = [create('f-journal'), pwrite('f-journal', b'ONE', 0, n=4), sync('f-journal', n=4), fsync_folder(),
                 unlink('f-journal'), fsync_folder(), create('f-journal', n=4), pwrite('f-journal', b'TWO', 0, n=4)]
        images = dict(at_each_cut(lines, base))[8]
        journals = sorted(i.get('f-journal', b'-') for i in images)
        self.assertEqual(journals, sorted([b'-', b'', b'TWO']))

    def test_writes_through_a_removed_name(self):
        base = {'j': b''}
        lines = [unlink('j'), f'100 pwrite64({fd(3, "j")}(deleted), "{x("ab")}", 2, 0) = 2']
        images = dict(at_each_cut(lines, base))[2]
        self.assertIn({'j': b'ab'}, images)
        self.assertIn({}, images)


class TornWrites(unittest.TestCase):
    def test_a_torn_write_keeps_only_its_first_or_last_sector(self):
        base = {'f': bytes(1536)}
        new = b'A' * 100 + b'B' * 512 + b'C' * 100  # sectors 0, 1 and 2 from offset 412
        lines = [pwrite('f', new, 412)]
        images = [i['f'] for i in dict(at_each_cut(lines, base))[1]]
        first = bytearray(1536)
        first[412:512] = b'A' * 100
        last = bytearray(1536)
        last[1024:1124] = b'C' * 100
        self.assertIn(bytes(first), images)
        self.assertIn(bytes(last), images)
        self.assertEqual(len(images), 4)  # and whole, and not at all

    def test_a_write_within_one_sector_is_never_torn(self):
        base = {'f': bytes(512)}
        images = dict(at_each_cut([pwrite('f', b'xy' * 64, 128)], base))[1]
        self.assertEqual(len(images), 2)

    def test_an_append_lands_at_the_end_and_may_be_lost(self):
        base = {'b': b'R1'}
        lines = [f'100 pwritev2({fd(3, "b")}, [{{iov_base="{x("R2")}", iov_len=2}}], 1, -1, RWF_APPEND) = 2']
        self.assertEqual(sorted(i['b'] for i in dict(at_each_cut(lines, base))[1]), [b'R1', b'R1R2'])

    def test_a_lost_truncation_leaves_the_file_long(self):
        base = {'f': b'abcd'}
        lines = [f'100 ftruncate({fd(3, "f")}, 2) = 0']
        self.assertEqual(sorted(i['f'] for i in dict(at_each_cut(lines, base))[1]), [b'ab', b'abcd'])


class Choosing(unittest.TestCase):
    LINES = [pwrite('f', b'A' * 700, 0), pwrite('f', b'B', 800), sync('f'), pwrite('f', b'C', 900)]

    def test_every_state_is_one_image_once(self):
        images, cuts = states(self.LINES, {'f': bytes(1024)})
        self.assertEqual(cuts, 4)
        keys = [powercut.image_key(i) for i in images]
        self.assertEqual(len(keys), len(set(keys)))

    def test_the_cap_keeps_the_plain_states_and_is_seeded(self):
        calls = powercut.parse_trace(self.LINES)
        found, _, _ = powercut.collect(calls, FOLDER, {'f': bytes(1024)}, extra=5, seed=3)
        one = powercut.choose(found, 3, seed=7)
        self.assertEqual(len(one), 3)
        self.assertEqual({s[0] for s in one}, {0})
        self.assertEqual([powercut.image_key(s[3]) for s in one],
                         [powercut.image_key(s[3]) for s in powercut.choose(found, 3, seed=7)])

    def test_the_skipped_calls_are_neither_replayed_nor_cut(self):
        # Their effects are in the base already.
        images, cuts = states(self.LINES, {'f': bytes(1024)}, skip=3, extra=0)
        self.assertEqual(cuts, 1)
        self.assertEqual(len(images), 2)
        self.assertTrue(all(i['f'][:700] == bytes(700) for i in images))


class Parsing(unittest.TestCase):
    def test_an_unfinished_call_is_joined_with_its_resumption(self):
        lines = [f'100 pwrite64({fd(3, "f")}, "{x("AB")}", 2, 0 <unfinished ...>',
                 '101 --- SIGCHLD {si_signo=SIGCHLD} ---',
                 '100 <... pwrite64 resumed>) = 2']
        calls = powercut.parse_trace(lines)
        self.assertEqual(len(calls), 1)
        self.assertEqual(powercut.string_arg(calls[0].args[1]), b'AB')
        self.assertEqual(calls[0].result, '2')

    def test_a_string_cut_short_is_refused(self):
        lines = [f'100 pwrite64({fd(3, "f")}, "{x("AB")}"..., 64, 0) = 64']
        with self.assertRaises(powercut.TraceError):
            states(lines, {'f': b''})

    def test_a_failed_or_killed_write_changes_nothing(self):
        lines = [pwrite('f', b'AB', 0, result='-1 ENOSPC (No space left on device) (INJECTED)'),
                 f'100 pwrite64({fd(3, "f")}, "{x("CD")}", 2, 0) = ?']
        images, _ = states(lines, {'f': b'00'})
        self.assertEqual(images, [{'f': b'00'}])

    def test_a_write_at_the_file_position_is_refused(self):
        with self.assertRaises(powercut.TraceError):
            states([f'100 write({fd(3, "f")}, "{x("AB")}", 2) = 2'], {'f': b''})


class Verdicts(unittest.TestCase):
    def test_before_after_and_neither(self):
        self.assertEqual(verdicts.judge(b'aa', b'bb', b'aa'), 'before')
        self.assertEqual(verdicts.judge(b'aa', b'bb', b'bb'), 'after')
        self.assertEqual(verdicts.judge(b'aa', b'bb', b'ab'), 'neither')
        self.assertEqual(verdicts.judge(b'aa', b'bb', None), 'neither')
        self.assertEqual(verdicts.judge(b'aa', b'aa', b'ab'), 'neither')
        self.assertIsNone(verdicts.judge(b'aa', b'aa', b'aa'))

    def test_the_reload_flag_alone_is_forgiven_only_under_the_save_rule(self):
        before, after = b'x\0\0y', b'z\xff\xffy'
        unflagged = b'z\0\0y'
        self.assertEqual(verdicts.judge(before, after, unflagged, 'save', stamp=1), 'after-unflagged')
        self.assertEqual(verdicts.judge(before, after, b'x\xff\xffy', 'save', stamp=1), 'before-flagged')
        self.assertEqual(verdicts.judge(before, after, unflagged, 'strict', stamp=1), 'neither')

    def test_the_before_rule_takes_no_after(self):
        self.assertEqual(verdicts.judge(b'aa', b'bb', b'bb', 'before'), 'neither')
        self.assertEqual(verdicts.judge(b'aa', b'bb', b'aa', 'before'), 'before')

    def test_masked_bytes_are_not_judged(self):
        with tempfile.TemporaryDirectory() as d:
            for sub, data in (('b', b'LIVEwork'), ('a', b'LIVEWORK'), ('n', b'LIVEjunk')):
                os.mkdir(os.path.join(d, sub))
                with open(os.path.join(d, sub, 'mlif.zkt'), 'wb') as f:
                    f.write(data)
            j = lambda masks: verdicts.judge_files(*(os.path.join(d, s) for s in 'ban'), ['mlif.zkt'],
                                                   masks=verdicts.parse_masks(masks))
            self.assertEqual(j([]), [('mlif.zkt', 'neither')])
            # With the second half masked the save changes nothing judged, and nothing changed.
            self.assertEqual(j(['mlif.zkt:4:8']), [])
            self.assertEqual(j(['mlif.zkt:0:2']), [('mlif.zkt', 'neither')])

    def test_a_save_over_two_files_is_mixed_when_they_disagree(self):
        self.assertTrue(verdicts.mixed([('a', 'before'), ('b', 'after-unflagged')]))
        self.assertFalse(verdicts.mixed([('a', 'after'), ('b', 'after')]))


if __name__ == '__main__':
    random.seed(0)
    unittest.main()
