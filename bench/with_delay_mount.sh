#!/usr/bin/env bash
# Mounts SOURCE at MNT through delay_fs (every metadata request delayed by
# DELAY_US microseconds, MODE nocache or cache), runs COMMAND, unmounts, and
# exits with COMMAND's status. COMMAND runs in the current directory.
#
#   bench/with_delay_mount.sh SOURCE MNT DELAY_US MODE -- COMMAND...
#
# e.g. bench/with_delay_mount.sh /data/tree /mnt/slow 1000 nocache -- \
#          sh -c 'cd /mnt/slow && time wendex // /g >/dev/null'
#
# DELAY_FS (default build-bench/bench/delay_fs, built when missing) and
# DELAY_FS_OPTIONS (say "--count --threads 16") are taken from the
# environment; COMMAND finds delay_fs's process id in DELAY_FS_PID (for
# --count: kill -USR1 prints the requests so far, -USR2 resets them). No page
# cache is dropped: do it in COMMAND if you want a cold
# run (`sync; echo 3 > /proc/sys/vm/drop_caches`).
set -euo pipefail

if (($# < 6)) || [[ $5 != -- ]]; then
    echo "usage: bench/with_delay_mount.sh SOURCE MNT DELAY_US MODE -- COMMAND..." >&2
    exit 2
fi
source_dir=$1 mnt=$2 delay_us=$3 mode=$4
shift 5

here=$(cd "$(dirname "$0")" && pwd)
delay_fs=${DELAY_FS:-$(dirname "$here")/build-bench/bench/delay_fs}
if [[ ! -x $delay_fs ]]; then
    mkdir -p "$(dirname "$delay_fs")"
    # shellcheck disable=SC2046  # pkg-config's flags are separate words
    g++ -std=c++20 -O2 -o "$delay_fs" "$here/delay_fs.cpp" $(pkg-config --cflags --libs fuse3)
fi

mount_wait_tenths=50
# shellcheck disable=SC2086  # the options are separate words
"$delay_fs" --source "$source_dir" --mountpoint "$mnt" --delay-us "$delay_us" --mode "$mode" \
    ${DELAY_FS_OPTIONS:-} &
pid=$!
trap 'fusermount3 -u "$mnt" 2>/dev/null || kill "$pid" 2>/dev/null; wait "$pid" || true' EXIT
for ((tenth = 0; tenth < mount_wait_tenths; tenth++)); do
    [[ $(findmnt -n -o FSTYPE --mountpoint "$mnt" 2>/dev/null) == fuse.delayfs ]] && break
    kill -0 "$pid" 2>/dev/null || { echo "with_delay_mount: delay_fs did not start" >&2; exit 1; }
    sleep 0.1
done
DELAY_FS_PID=$pid "$@"
