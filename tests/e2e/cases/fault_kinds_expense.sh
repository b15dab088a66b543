#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short pass of the fault table (tests/e2e/fault_table.sh) over the expense window's OK
# with a full disk (ENOSPC at a reservation, the journal's write and the file's flush),
# failing flushes (the journal's, the folder's, the file's; also judged after a power cut
# that loses what they were to write), and a seeded sample of the power-cut states of a
# recorded clean save.
FP_SHORT=1 FP_KINDS=enospc,flush,powercut FP_STATES=${FP_STATES:-40} exec bash "$(dirname "$0")/../fault_table.sh" expense
