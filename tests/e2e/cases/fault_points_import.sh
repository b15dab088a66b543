#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over a few calls of the
# favourites import: appends to bit.zkt and ChangeCode 6 in mlif.zkt, one save over
# two files.
FP_SHORT=1 FP_KINDS=eio,kill exec bash "$(dirname "$0")/../fault_table.sh" import
