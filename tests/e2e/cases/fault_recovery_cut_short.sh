#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over a recovery cut short:
# zktrack import killed with its journal flushed and mlif.zkt half written, then the
# recovering start killed, failing (EIO, ENOSPC, a failing flush) or cut by a power cut at
# its calls; after a second, clean recovery every file must be as before the import.
FP_SHORT=1 FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" recovery
