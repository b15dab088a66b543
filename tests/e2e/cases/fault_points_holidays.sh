#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over a few calls of the
# holiday save (count, days off and records) and of the countdown switched off (two
# writes of MainRecord).
FP_SHORT=1 FP_KINDS=eio,kill exec bash "$(dirname "$0")/../fault_table.sh" holidays countdown_off
