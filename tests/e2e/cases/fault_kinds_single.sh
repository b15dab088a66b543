#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) with a full disk, failing
# flushes and a sample of power-cut states over the saves of a single write: countdown
# and call settings (MainRecord), a bookmark added, then Close.
FP_SHORT=1 FP_KINDS=enospc,flush,powercut FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" countdown callsettings bookmarks
