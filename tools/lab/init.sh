#!/bin/busybox sh
# The lab guest's first process, from the initramfs: loads the drivers, mounts the host's root
# read-only over 9p, and runs the agent in a chroot of it; powers off when the agent ends.
/bin/busybox --install -s /bin
export PATH=/bin
mkdir -p /proc /sys /dev /host
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
# Kernel messages would mix with the agent's replies on the console.
echo 1 >/proc/sys/kernel/printk
for m in $(cat /modules.order); do
  insmod "/lib/modules/$m" || echo "lab: insmod $m failed"
done

repo=
for word in $(cat /proc/cmdline); do
  case $word in lab.repo=*) repo=${word#lab.repo=} ;; esac
done

opts=trans=virtio,version=9p2000.L,msize=512000,ro,cache=loose
if ! mount -t 9p -o "$opts" hostroot /host; then
  echo "@@LAB fatal the host's root did not mount"
  poweroff -f
fi
mount -t tmpfs -o mode=1777 tmpfs /host/tmp
mount -t tmpfs tmpfs /host/run
mkdir -p /host/run/lock
mount -t devtmpfs dev /host/dev
mkdir -p /host/dev/pts /host/dev/shm
mount -t devpts devpts /host/dev/pts
mount -t tmpfs -o mode=1777 tmpfs /host/dev/shm
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
# The repository may lie below /tmp, which the tmpfs above hides.
mkdir -p "/host$repo"
mount -t 9p -o "$opts" repo "/host$repo"

chroot /host /bin/bash "$repo/tools/lab/agent.sh"
echo "@@LAB halt"
poweroff -f
