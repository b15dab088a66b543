#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over a few calls of the
# expense window's OK: the working set over the live one and ChangeCode 3.
FP_SHORT=1 FP_KINDS=eio,kill exec bash "$(dirname "$0")/../fault_table.sh" expense
