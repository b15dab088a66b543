#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over the other editors'
# openings, whose only write is the request taken at start-up (RequestCode 0 into the
# link record, never flushed): kill, EIO and a full disk there, then OK without changes;
# and the power-cut states of the opening. The request code itself is not judged (a
# request left is the tracker's to ask again).
FP_SHORT=1 FP_KINDS=kill,eio,enospc,powercut FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" open_holidays open_countdown open_callsettings open_bookmarks open_import
