"""The lab's machine: Debian's kernel under QEMU (software emulation) with real serial drivers
in front of the device simulator.

The guest gets a 16550A on its second serial port (ttyS1, the 8250 driver) and FTDI adapters
on an xHCI controller (ttyUSB<k>, ftdi_sio). Each emulated line is a QEMU socket chardev that
this module relays to a simulator's pseudo-terminal, started afresh for each scenario, so a
simulator that ends its session never leaves QEMU with a dead backend. The guest's first port
is the kernel's console; the agent on it (agent.sh) runs the commands sent here.
"""

import base64
import json
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import termios
import threading
import time
import tty

DEFAULT_MODULES = ["9p", "9pnet_virtio", "virtio_pci", "xhci_pci", "ftdi_sio"]


class LabError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Preparing: the kernel and the initramfs, cached under build/lab.

def _download(package, dest):
    for attempt in range(2):
        r = subprocess.run(["apt-get", "download", package], cwd=dest,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if r.returncode == 0:
            return
        if attempt == 0:  # stale or missing package lists
            subprocess.run(["apt-get", "update", "-q"], check=False)
    raise LabError(f"apt-get download {package} failed:\n{r.stdout}")


def _kernel_package():
    out = subprocess.run(["apt-cache", "depends", "linux-image-amd64"], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    m = re.search(r"Depends: (linux-image-[0-9][^\s]*-amd64)", out)
    if not m:
        raise LabError("apt-cache does not name the kernel of linux-image-amd64")
    return m.group(1)


def _modinfo_depends(path):
    with open(path, "rb") as f:
        data = f.read()
    m = re.search(rb"(?:^|\x00)depends=([\w,-]*)\x00", data)
    return [d for d in m.group(1).decode().split(",") if d] if m else []


def _module_order(moddir, wanted):
    """The .ko files for `wanted` and everything they need, dependencies first."""
    files = {}
    for root, _, names in os.walk(moddir):
        for n in names:
            if n.endswith(".ko"):
                files[n[:-3].replace("-", "_")] = os.path.join(root, n)
    order, seen = [], set()

    def visit(name):
        key = name.replace("-", "_")
        if key in seen:
            return
        seen.add(key)
        if key not in files:
            raise LabError(f"kernel module {name} not found")
        for dep in _modinfo_depends(files[key]):
            visit(dep)
        order.append(files[key])

    for w in wanted:
        visit(w)
    return order


def _write_cpio(root, path):
    """The tree at `root` as a newc archive, the initramfs format."""
    def header(name, mode, size, ino):
        fields = [ino, mode, 0, 0, 1, 0, size, 0, 0, 0, 0, len(name) + 1, 0]
        return b"070701" + b"".join(b"%08X" % f for f in fields)

    def pad(n):
        return b"\0" * (-n % 4)

    with open(path, "wb") as out:
        ino = 1
        entries = []
        for base, dirs, files in os.walk(root):
            dirs.sort()
            for n in sorted(dirs) + sorted(files):
                entries.append(os.path.join(base, n))
        for full in entries:
            name = os.path.relpath(full, root).encode()
            st = os.lstat(full)
            data = open(full, "rb").read() if os.path.isfile(full) else b""
            h = header(name, st.st_mode, len(data), ino) + name + b"\0"
            out.write(h + pad(len(h)) + data + pad(len(data)))
            ino += 1
        trailer = header(b"TRAILER!!!", 0, 0, 0) + b"TRAILER!!!\0"
        out.write(trailer + pad(len(trailer)))


def prepare(labdir, here, log):
    """Kernel and initramfs in `labdir`; reused while init.sh and the modules stay (remove
    the folder to take a newer kernel)."""
    os.makedirs(labdir, exist_ok=True)
    with open(os.path.join(here, "init.sh"), "rb") as f:
        stamp = " ".join(DEFAULT_MODULES) + "\n" + base64.b64encode(f.read()).decode()
    stamp_file = os.path.join(labdir, "stamp")
    kernel = os.path.join(labdir, "vmlinuz")
    initrd = os.path.join(labdir, "initrd.cpio")
    if os.path.exists(stamp_file) and open(stamp_file).read() == stamp:
        return kernel, initrd
    package = _kernel_package()
    log(f"preparing the lab: {package} and busybox-static from Debian")
    dl = os.path.join(labdir, "download")
    shutil.rmtree(dl, ignore_errors=True)
    os.makedirs(dl)
    _download(package, dl)
    _download("busybox-static", dl)
    unpacked = os.path.join(dl, "root")
    for deb in os.listdir(dl):
        if deb.endswith(".deb"):
            subprocess.run(["dpkg-deb", "-x", os.path.join(dl, deb), unpacked], check=True)
    version = package[len("linux-image-"):]
    shutil.copy(os.path.join(unpacked, "boot", f"vmlinuz-{version}"), kernel)

    rd = os.path.join(dl, "initrd")
    os.makedirs(os.path.join(rd, "bin"))
    os.makedirs(os.path.join(rd, "lib", "modules"))
    shutil.copy(os.path.join(unpacked, "bin", "busybox"), os.path.join(rd, "bin", "busybox"))
    shutil.copy(os.path.join(here, "init.sh"), os.path.join(rd, "init"))
    os.chmod(os.path.join(rd, "init"), 0o755)
    names = []
    for path in _module_order(os.path.join(unpacked, "lib", "modules", version), DEFAULT_MODULES):
        shutil.copy(path, os.path.join(rd, "lib", "modules"))
        names.append(os.path.basename(path))
    with open(os.path.join(rd, "modules.order"), "w") as f:
        f.write("\n".join(names) + "\n")
    _write_cpio(rd, initrd)
    shutil.rmtree(dl)
    with open(stamp_file, "w") as f:
        f.write(stamp)
    return kernel, initrd


# ---------------------------------------------------------------------------------------------
# A line: QEMU's end of an emulated port, relayed to a simulator's pseudo-terminal.

class Line:
    def __init__(self, name, sockpath):
        self.name = name
        self.sockpath = sockpath
        self.sock = None
        self.pty = None
        self.to_device = 0  # bytes the guest sent while a simulator was attached
        self.lock = threading.Lock()
        self.changed = threading.Condition(self.lock)

    def connect(self, deadline):
        while True:
            try:
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.connect(self.sockpath)
                with self.lock:
                    self.sock = s
                return
            except OSError:
                s.close()
                if time.monotonic() > deadline:
                    raise LabError(f"QEMU's socket for {self.name} did not come up")
                time.sleep(0.05)

    def attach(self, pty_fd):
        with self.lock:
            self.pty = pty_fd
            self.to_device = 0

    def detach(self):
        with self.lock:
            fd, self.pty = self.pty, None
        if fd is not None:
            os.close(fd)

    def drop_socket(self):
        with self.lock:
            s, self.sock = self.sock, None
        if s is not None:
            s.close()

    def endpoints(self):
        with self.lock:
            return self.sock, self.pty

    def move(self, source):
        """Moves what `source` (the socket or the pseudo-terminal) has to the other end."""
        if isinstance(source, socket.socket):
            try:
                data = source.recv(65536)
            except OSError:
                data = b""
            if not data:
                self.drop_socket()
                return
            with self.lock:
                if self.pty is not None:
                    os.write(self.pty, data)
                    self.to_device += len(data)
                    self.changed.notify_all()
            return
        try:
            data = os.read(source, 65536)
        except OSError:
            return  # the simulator ended; its end is reported by Simulator
        with self.lock:
            if self.sock is not None and data:
                try:
                    self.sock.sendall(data)
                except OSError:
                    pass

    def wait_bytes(self, count, timeout):
        deadline = time.monotonic() + timeout
        with self.lock:
            while self.to_device < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    return False
                self.changed.wait(left)
        return True


class Simulator:
    """One tormisaplex-devsim, its pseudo-terminal attached to a line."""

    def __init__(self, binary, workdir, line, args):
        self.line = line
        ports = os.path.join(workdir, f"ports-{line.name}-{time.monotonic_ns()}")
        self.proc = subprocess.Popen([binary, "--ports", ports, "--com", "1"] + args,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        first = self.proc.stdout.readline().split()
        if len(first) < 2 or not first[1].startswith("/dev/"):
            self.proc.kill()
            raise LabError(f"the simulator did not start: {' '.join(first)}")
        fd = os.open(first[1], os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        attrs = termios.tcgetattr(fd)
        attrs[3] &= ~termios.ECHO
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        line.attach(fd)

    def finish(self, timeout=30):
        """Lets go of the line (a program closing the port, to the simulator) and returns the
        simulator's exit status and summary line."""
        self.line.detach()
        try:
            out, _ = self.proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            # Closed before the first image byte the simulator waits for another open.
            self.proc.send_signal(signal.SIGTERM)
            try:
                out, _ = self.proc.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                out, _ = self.proc.communicate()
        lines = [l for l in out.splitlines() if l.startswith("devsim ")]
        return self.proc.returncode, (lines[-1] if lines else out.strip())


# ---------------------------------------------------------------------------------------------
# The machine.

class Machine:
    def __init__(self, labdir, kernel, initrd, repo, usb_count, memory_mb, log):
        self.labdir = labdir
        self.log = log
        self.rundir = os.path.join(labdir, "run")
        shutil.rmtree(self.rundir, ignore_errors=True)
        os.makedirs(self.rundir)
        self.lines = {"s1": Line("s1", os.path.join(self.rundir, "s1.sock"))}
        for k in range(usb_count):
            self.lines[f"usb{k}"] = Line(f"usb{k}", os.path.join(self.rundir, f"usb{k}-0.sock"))
        self.generation = {}
        qmp = os.path.join(self.rundir, "qmp.sock")
        cmd = ["qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
               "-accel", "tcg", "-m", str(memory_mb), "-smp", "2", "-no-reboot",
               "-kernel", kernel, "-initrd", initrd,
               "-append", f"console=ttyS0 quiet loglevel=1 panic=-1 lab.repo={repo}",
               "-chardev", "stdio,id=con,signal=off", "-serial", "chardev:con",
               "-chardev", f"socket,id=c-s1,path={self.lines['s1'].sockpath},server=on,wait=off",
               "-serial", "chardev:c-s1",
               "-virtfs", "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,"
                          "multidevs=remap",
               "-virtfs", f"local,path={repo},mount_tag=repo,security_model=none,readonly=on,"
                          "multidevs=remap",
               "-device", "qemu-xhci,id=xhci",
               "-qmp", f"unix:{qmp},server=on,wait=off"]
        for k in range(usb_count):
            name = f"usb{k}"
            cmd += ["-chardev", f"socket,id=c-{name}-0,path={self.lines[name].sockpath},"
                                "server=on,wait=off",
                    "-device", f"usb-serial,id={name},chardev=c-{name}-0,bus=xhci.0,"
                               f"serial=LAB{k}"]
            self.generation[name] = 0
        self.console_log = open(os.path.join(labdir, "console.log"), "w")
        self.qemu = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.console_log, start_new_session=True)
        self.replies = {}
        self.reply_cond = threading.Condition()
        self.ended = False
        self.stopping = False
        threading.Thread(target=self._read_console, daemon=True).start()
        deadline = time.monotonic() + 30
        for line in self.lines.values():
            line.connect(deadline)
        threading.Thread(target=self._relay, daemon=True).start()
        self.qmp = self._qmp_connect(qmp, deadline)
        self.events = []
        self.next_id = 0

    # The console: the agent's answers, and everything else into console.log.
    def _read_console(self):
        buf = b""
        while True:
            chunk = self.qemu.stdout.read1(65536) if hasattr(self.qemu.stdout, "read1") \
                else os.read(self.qemu.stdout.fileno(), 65536)
            if not chunk:
                break
            buf += chunk
            while b"\n" in buf:
                raw, buf = buf.split(b"\n", 1)
                text = raw.decode("utf-8", "replace").strip("\r")
                self.console_log.write(text + "\n")
                self.console_log.flush()
                at = text.find("@@")
                if at < 0:
                    continue
                words = text[at:].split(" ", 3)
                with self.reply_cond:
                    if words[0] == "@@R" and len(words) == 4:
                        self.replies[words[1]] = (int(words[2]), words[3])
                    elif words[0] == "@@LAB":
                        self.replies["@" + words[1]] = " ".join(words[2:])
                    self.reply_cond.notify_all()
        with self.reply_cond:
            self.ended = True
            self.reply_cond.notify_all()

    def _relay(self):
        # One select over every line: a reply waits for nothing but the emulation.
        while not self.stopping:
            sources = {}
            for line in list(self.lines.values()):
                sock, pty = line.endpoints()
                if sock is not None:
                    sources[sock.fileno()] = (line, sock)
                if pty is not None:
                    sources[pty] = (line, pty)
            if not sources:
                time.sleep(0.05)
                continue
            try:
                ready, _, _ = select.select(list(sources), [], [], 0.05)
            except (OSError, ValueError):  # a descriptor closed under us; next round
                continue
            for fd in ready:
                line, source = sources[fd]
                line.move(source)

    def _await(self, key, timeout):
        deadline = time.monotonic() + timeout
        with self.reply_cond:
            while key not in self.replies:
                left = deadline - time.monotonic()
                if left <= 0 or self.ended:
                    return None
                self.reply_cond.wait(min(left, 1.0))
            return self.replies.pop(key)

    def wait_ready(self, timeout):
        got = self._await("@ready", timeout)
        if got is None:
            fatal = self.replies.get("@fatal")
            raise LabError("the guest did not come up" + (f": {fatal}" if fatal else ""))

    # The agent.
    def _send(self, kind, ident, code):
        text = f"{kind} {ident} {base64.b64encode(code.encode()).decode()}\n"
        self.qemu.stdin.write(text.encode())
        self.qemu.stdin.flush()

    def _reply(self, ident, timeout):
        got = self._await(ident, timeout)
        if got is None:
            raise LabError(f"no answer from the guest within {timeout:.0f} s")
        status, data = got
        return status, ("" if data == "-" else base64.b64decode(data).decode("utf-8", "replace"))

    def run(self, code, timeout):
        """Runs a shell command in the guest; its exit status and output."""
        self.next_id += 1
        ident = f"x{self.next_id}"
        self._send("X", ident, code)
        return self._reply(ident, timeout)

    def start(self, code):
        self.next_id += 1
        ident = f"b{self.next_id}"
        self._send("B", ident, code)
        self._reply(ident, 30)
        return ident

    def wait(self, ident, timeout):
        self.qemu.stdin.write(f"W {ident}\n".encode())
        self.qemu.stdin.flush()
        return self._reply(ident, timeout)

    # QMP: the hands that pull adapters out and plug them in.
    def _qmp_connect(self, path, deadline):
        while True:
            try:
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.connect(path)
                break
            except OSError:
                s.close()
                if time.monotonic() > deadline:
                    raise LabError("QEMU's monitor did not come up")
                time.sleep(0.05)
        f = s.makefile("rw")
        f.readline()  # greeting
        self._qmp_file = f
        self._qmp_exec("qmp_capabilities")
        return s

    def _qmp_exec(self, command, **arguments):
        msg = {"execute": command}
        if arguments:
            msg["arguments"] = arguments
        self._qmp_file.write(json.dumps(msg) + "\n")
        self._qmp_file.flush()
        while True:
            reply = json.loads(self._qmp_file.readline())
            if "event" in reply:
                self.events.append(reply)
                continue
            if "error" in reply:
                raise LabError(f"QEMU {command}: {reply['error'].get('desc')}")
            return reply.get("return")

    def _qmp_event(self, name, device, timeout):
        deadline = time.monotonic() + timeout
        self._qmp_file.flush()
        while True:
            for e in self.events:
                if e["event"] == name and e.get("data", {}).get("device") == device:
                    self.events.remove(e)
                    return
            left = deadline - time.monotonic()
            if left <= 0:
                raise LabError(f"QEMU did not report {name} for {device}")
            self.qmp.settimeout(left)
            try:
                line = self._qmp_file.readline()
            except (socket.timeout, OSError):
                raise LabError(f"QEMU did not report {name} for {device}")
            finally:
                self.qmp.settimeout(None)
            if line:
                self.events.append(json.loads(line))

    def unplug(self, name, timeout=30):
        line = self.lines[name]
        self._qmp_exec("device_del", id=name)
        self._qmp_event("DEVICE_DELETED", name, timeout)
        self._qmp_exec("chardev-remove", id=f"c-{name}-{self.generation[name]}")
        line.drop_socket()

    def plug(self, name):
        line = self.lines[name]
        self.generation[name] += 1
        gen = self.generation[name]
        line.sockpath = os.path.join(self.rundir, f"{name}-{gen}.sock")
        self._qmp_exec("chardev-add", id=f"c-{name}-{gen}",
                       backend={"type": "socket", "data": {
                           "addr": {"type": "unix", "data": {"path": line.sockpath}},
                           "server": True, "wait": False}})
        line.connect(time.monotonic() + 10)
        self._qmp_exec("device_add", driver="usb-serial", id=name, chardev=f"c-{name}-{gen}",
                       bus="xhci.0", serial=f"LAB{name[3:]}P{gen}")

    def stop(self, timeout=30):
        try:
            self.qemu.stdin.write(b"Q\n")
            self.qemu.stdin.flush()
            self.qemu.wait(timeout)
        except (OSError, subprocess.TimeoutExpired):
            pass
        self.kill()

    def kill(self):
        self.stopping = True
        if self.qemu.poll() is None:
            os.killpg(self.qemu.pid, signal.SIGKILL)
            self.qemu.wait()
