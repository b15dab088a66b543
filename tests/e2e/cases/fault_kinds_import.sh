#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) with a full disk, failing
# flushes and a sample of power-cut states over the favourites import: appends to
# bit.zkt and ChangeCode 6 in mlif.zkt, one save over two files (a state with one file
# as before and the other as after counts as neither).
FP_SHORT=1 FP_KINDS=enospc,flush,powercut FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" import
