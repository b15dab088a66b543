#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) with a full disk, failing
# flushes and a sample of power-cut states over the holiday save (count, days off and
# records as one save) and the countdown switched off (two writes of MainRecord).
FP_SHORT=1 FP_KINDS=enospc,flush,powercut FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" holidays countdown_off
