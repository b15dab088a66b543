# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fault cases. Each case runs in a mount namespace of its own, so that
# it can mount a read-only view or a small tmpfs over its data folder without
# touching the machine's mounts; where namespaces or mounts are not allowed the case
# is skipped (77). Call enter_mount_namespace before sourcing lib.sh.

enter_mount_namespace() {
  if [ -z "${E2E_IN_NAMESPACE:-}" ]; then
    unshare -m --propagation private true 2>/dev/null || { echo "SKIP: no mount namespace (needs CAP_SYS_ADMIN)"; exit 77; }
    E2E_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
  fi
}

FAULT_MOUNTS=()

# Mounts are undone before lib.sh removes the temporary folder.
fault_cleanup() {
  local i
  for ((i = ${#FAULT_MOUNTS[@]} - 1; i >= 0; i--)); do umount "${FAULT_MOUNTS[i]}" 2>/dev/null || true; done
  FAULT_MOUNTS=()
  e2e_cleanup
}

# read_only DIR / writable DIR: a read-only view of DIR over itself, and back.
read_only() {
  mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1" || { echo "SKIP: no read-only bind mount"; exit 77; }
  FAULT_MOUNTS+=("$1")
}
writable() {
  umount "$1" || fail "could not unmount $1"
  unset 'FAULT_MOUNTS[-1]'
}

# small_disk DIR SIZE: an empty tmpfs of SIZE over DIR.
small_disk() {
  mount -t tmpfs -o "size=$2" tmpfs "$1" || { echo "SKIP: no tmpfs mount"; exit 77; }
  FAULT_MOUNTS+=("$1")
}

# Fills the file system of DIR to the last block.
fill_up() { dd if=/dev/zero of="$1/filler" bs=4096 status=none 2>/dev/null || true; }

# The run ends by itself with exit code 0, without a message box on the way.
no_message_box() { expect_eq "$(count_windows Prandel)" 0 "message boxes shown"; }
ended_cleanly() {
  wait_exit "$PRANDEL_PID" 10
  expect_eq "$EXIT_CODE" 0 "exit code"
}

# same_files A B: the files of two folders (without sub-folders) hold the same bytes.
same_files() {
  local f
  for f in "$1"/*.zkt; do
    cmp -s "$f" "$2/$(basename "$f")" || fail "$(basename "$f") changed"
  done
}
