"""The lab's scenarios, run in this order in one guest. Each takes the Lab and returns None
when it holds, else one line saying what went wrong. To add one: write a function here, put it
in ALL, and keep it bounded (every guest command has its own timeout)."""

import json
import os
import shlex
import time

from machine import Simulator

USB_ADAPTERS = 4     # usb0..usb3: ttyUSB0..3, COM33..COM36
UPLOAD_SECONDS = 240  # one whole upload in the guest, settling included, with room to spare


class Lab:
    def __init__(self, machine, build, labdir):
        self.m = machine
        self.bin = os.path.join(build, "bin")
        self.labdir = labdir
        self.notes = []

    def note(self, text):
        self.notes.append(text)

    def take_notes(self):
        notes, self.notes = self.notes, []
        return notes

    def sim(self, line, *args):
        return Simulator(os.path.join(self.bin, "tormisaplex-devsim"), self.m.rundir,
                         self.m.lines[line], list(args))

    def twin(self, args, timeout=UPLOAD_SECONDS):
        """tormisaplex-upload in the guest with --json; exit status and its JSON lines."""
        cmd = (f"timeout -k 5 {timeout} {shlex.quote(self.bin)}/tormisaplex-upload "
               f"{args} --json | grep -v '\"type\":\"progress\"'")
        status, out = self.m.run("set -o pipefail; " + cmd, timeout + 30)
        return status, parse_json_lines(out), out

    def twin_start(self, args, timeout=UPLOAD_SECONDS):
        cmd = (f"set -o pipefail; timeout -k 5 {timeout} {shlex.quote(self.bin)}/"
               f"tormisaplex-upload {args} --json | grep -v '\"type\":\"progress\"'")
        return self.m.start(cmd)

    def twin_wait(self, ident, timeout=UPLOAD_SECONDS):
        status, out = self.m.wait(ident, timeout + 30)
        return status, parse_json_lines(out), out

    def ports(self):
        status, lines, out = self.twin("--list")
        if status != 0:
            raise AssertionError(f"--list ended with {status}: {out.strip()}")
        return {p["port"]: p for p in lines if p.get("type") == "port"}

    def rate(self, device):
        """The rate the driver reports for the device (termios2), after the program set it."""
        code = ("import fcntl,os,struct,sys;fd=os.open(sys.argv[1],os.O_RDONLY|os.O_NONBLOCK|"
                "os.O_NOCTTY);b=fcntl.ioctl(fd,0x802C542A,bytes(44));"
                "print(struct.unpack('4I20B2I',b)[-1])")
        status, out = self.m.run(f"python3 -c {shlex.quote(code)} {device}", 30)
        return int(out.strip()) if status == 0 and out.strip().isdigit() else None


def parse_json_lines(text):
    out = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                out.append(json.loads(line))
            except ValueError:
                pass
    return out


def result_of(lines):
    for j in lines:
        if j.get("type") == "result":
            return j
    return {}


def check(condition, text):
    if not condition:
        raise AssertionError(text)


# ---------------------------------------------------------------------------------------------

def port_list(lab):
    """The twin's list on real drivers: names, drivers, phantom UARTs and the console."""
    ports = lab.ports()
    lab.note("listed: " + ", ".join(f"{n} {p['device']} {p['driver']} {p['access']}"
                                   for n, p in ports.items()))
    check("COM3" not in ports and "COM4" not in ports, "phantom UARTs ttyS2/ttyS3 listed")
    check(ports.get("COM2", {}).get("driver") == "serial", "COM2 is not ttyS1 on the 8250")
    check(ports["COM2"]["access"] == "usable", f"COM2 is {ports['COM2']['access']}")
    for k in range(USB_ADAPTERS):
        p = ports.get(f"COM{33 + k}", {})
        check(p.get("device") == f"ttyUSB{k}" and p.get("driver") == "ftdi_sio",
              f"COM{33 + k} is not ttyUSB{k} on ftdi_sio: {p}")
        check((p["usb_vendor"], p["usb_product"]) == ("0403", "6001"), f"USB ids {p}")
        check(p["access"] == "usable", f"COM{33 + k} is {p['access']}")
    console = ports.get("COM1")
    check(console is not None and console["access"] == "console",
          f"the console's port ttyS0 is offered as {console and console['access']}")
    return None


def console_port(lab):
    """Choosing the console's port, in the twin and in the window, says what it is and sends
    nothing into the console."""
    before = open(os.path.join(lab.labdir, "console.log")).read().count("VERS")
    status, lines, out = lab.twin("--port COM1")
    r = result_of(lines)
    check(status == 3 and r.get("result") == "open_failed", f"exit {status}: {out.strip()}")
    check("консоль" in r.get("message", ""), f"the message does not say it: {r.get('message')}")
    lab.note(r.get("message", ""))
    status, out = lab.m.run(_window(lab, "choose:COM1"), 120)
    lab.note(f"window: {_said(out)}")
    check(status == 0 and "консоль" in out, f"the window: exit {status}: {out.strip()[-300:]}")
    after = open(os.path.join(lab.labdir, "console.log")).read().count("VERS")
    check(after == before, "VERS reached the console")


def _upload(lab, line, port, device, *sim_args, expect=0, args="--write"):
    sim = lab.sim(line, *sim_args)
    status, lines, out = lab.twin(f"--port {port} {args}")
    # Asked only, the simulator waits for the program to come back: no need to wait for it.
    sim_status, summary = sim.finish(timeout=30 if "--write" in args else 2)
    r = result_of(lines)
    lab.note(f"{port}: exit {status}, {r.get('result')}, {r.get('message', '')}; "
             f"upload {r.get('upload_ms')} ms")
    lab.note(summary)
    check(status == expect, f"exit {status}, expected {expect}: {out.strip()[-400:]}")
    return r, sim_status, summary


def _whole_upload(lab, line, port, device):
    r, sim_status, summary = _upload(lab, line, port, device)
    check(r.get("model") and r.get("pusk") is True, f"result {r}")
    check(sim_status == 0, f"the device saw: {summary}")
    rate = lab.rate(f"/dev/{device}")
    lab.note(f"{device}: the driver reports {rate} baud")
    check(rate is not None and abs(rate - 38462) <= 38462 * 0.02,
          f"{device} runs at {rate} baud, not 38462")


def upload_ftdi(lab):
    """Identification and the whole image through ftdi_sio, the rate read back."""
    _whole_upload(lab, "usb0", "COM33", "ttyUSB0")


def upload_8250(lab):
    """Identification and the whole image through the 8250 driver, the rate read back."""
    _whole_upload(lab, "s1", "COM2", "ttyS1")


def faults(lab):
    """The simulator's faults through the real drivers: a wrong CRC, silence, answers and
    replies in pieces. (Stray bytes are left out: the twin presses «Записать» at once, and a
    device's bytes mid-upload are a wrong reply.)"""
    r, _, summary = _upload(lab, "usb0", "COM33", "ttyUSB0", "--fault", "wrong-crc=20", expect=5)
    check(r.get("pusk") is False and "PUSK no" in summary, f"PUSK after a wrong CRC: {summary}")
    r, _, summary = _upload(lab, "s1", "COM2", "ttyS1", "--fault", "silence=30", expect=6)
    check(r.get("pusk") is False and "PUSK no" in summary, f"PUSK after silence: {summary}")
    r, sim_status, summary = _upload(lab, "usb1", "COM34", "ttyUSB1", "--pieces", "1",
                                     "--piece-gap", "0.2", "--fault", "split-answer",
                                     "--fault", "split-reply=5")
    check(sim_status == 0 and r.get("pusk") is True, f"answers in pieces: {summary}")


def _wait_guest(lab, test, what, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        status, _ = lab.m.run(test, 30)
        if status == 0:
            return
        time.sleep(1)
    raise AssertionError(f"{what} within {timeout} s")


def unplug_mid_upload(lab):
    """The adapter pulled out mid-upload: exit 7, no PUSK, the port freed, no hang; plugged in
    again it is listed and identified."""
    sim = lab.sim("usb0")
    ident = lab.twin_start("--port COM33 --write")
    check(lab.m.lines["usb0"].wait_bytes(64 * 1024, UPLOAD_SECONDS), "the upload did not start")
    lab.m.unplug("usb0")
    pulled = time.monotonic()
    status, lines, out = lab.twin_wait(ident)
    gone = time.monotonic() - pulled
    _, summary = sim.finish()
    r = result_of(lines)
    lab.note(f"COM33 pulled at {r.get('bytes')} bytes: exit {status} after {gone:.1f} s, "
             f"{r.get('message')}")
    check(status == 7 and r.get("result") == "line_gone", f"exit {status}: {out.strip()[-400:]}")
    check(r.get("pusk") is False and "PUSK no" in summary, f"PUSK: {summary}")
    lab.m.plug("usb0")
    # The program let go of the old tty, so the new adapter takes its number again.
    _wait_guest(lab, "test -c /dev/ttyUSB0", "the adapter plugged in again is no ttyUSB0")
    ports = lab.ports()
    check(ports.get("COM33", {}).get("access") == "usable", f"COM33 after plugging: {ports}")
    r, _, _ = _upload(lab, "usb0", "COM33", "ttyUSB0", args="")
    check(r.get("result") == "ok" and r.get("model"), f"not identified: {r}")


def _window(lab, task):
    return (f"TORMISAPLEX_LAB_WINDOW={task} timeout -k 5 {UPLOAD_SECONDS + 60} "
            f"{shlex.quote(lab.bin)}/app_qt_tests -platform offscreen")


def _said(out):
    """What the window's user said, without the toolkit's own chatter."""
    keys = ("list:", "status:", "display:", "appeared:", "left:")
    return " / ".join(l for l in out.splitlines() if l.startswith(keys))[-300:]


def _window_output(lab, ident):
    status, out = lab.m.run(f"cat /tmp/lab/{ident}.out", 30)
    return out


def window_hotplug(lab):
    """The window follows an adapter plugged in after it started, and one pulled out."""
    lab.m.unplug("usb3")
    _wait_guest(lab, "! test -e /dev/ttyUSB3", "ttyUSB3 did not go")
    ident = lab.m.start(_window(lab, "watch:COM36"))
    for want, act in (("watching", lambda: lab.m.plug("usb3")),
                      ("appeared", lambda: lab.m.unplug("usb3"))):
        deadline = time.monotonic() + 120
        while want not in _window_output(lab, ident):
            check(time.monotonic() < deadline, f"the window never said {want}: "
                  f"{_window_output(lab, ident)[-300:]}")
            time.sleep(1)
        act()
    status, out = lab.m.wait(ident, 180)
    lab.note(_said(out))
    lab.m.plug("usb3")
    check(status == 0, f"exit {status}: {out.strip()[-400:]}")


def window_upload(lab):
    """The window program writes the image through ftdi_sio, the port chosen from its list."""
    sim = lab.sim("usb1")
    status, out = lab.m.run(_window(lab, "upload:COM34"), UPLOAD_SECONDS + 90)
    sim_status, summary = sim.finish()
    lab.note(_said(out))
    lab.note(summary)
    check(status == 0 and "display: done" in out, f"exit {status}: {out.strip()[-400:]}")
    check(sim_status == 0, f"the device saw: {summary}")


def station(lab):
    """A station of four FTDI adapters writing at once."""
    sims = [lab.sim(f"usb{k}") for k in range(USB_ADAPTERS)]
    ports = " ".join(f"--port COM{33 + k}" for k in range(USB_ADAPTERS))
    status, lines, out = lab.twin(f"{ports} --write", timeout=UPLOAD_SECONDS * 2)
    results = [j for j in lines if j.get("type") == "result"]
    for sim in sims:
        sim_status, summary = sim.finish()
        lab.note(summary)
        check(sim_status == 0, f"a device saw: {summary}")
    lab.note("; ".join(f"{j['port']} {j['result']} {j.get('upload_ms')} ms" for j in results))
    check(status == 0 and len(results) == USB_ADAPTERS and
          all(j["result"] == "ok" for j in results), f"exit {status}: {out.strip()[-400:]}")


ALL = [port_list, console_port, upload_ftdi, upload_8250, faults, unplug_mid_upload,
       window_hotplug, window_upload, station]
