#!/usr/bin/env python3
"""make lab: the programs on real kernel serial drivers, in one QEMU guest.

    tools/lab/lab.py BUILD_DIR [--only NAME ...] [--timeout SECONDS]

Prepares the kernel and the initramfs once (BUILD_DIR/lab), boots the guest, runs the
scenarios (scenarios.py) one after another inside it, prints one line per scenario and a
summary, and exits 1 when a scenario failed, 2 when the lab itself could not run.
"""

import argparse
import os
import signal
import sys
import threading
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)

import machine  # noqa: E402
import scenarios  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--only", action="append", default=[])
    parser.add_argument("--timeout", type=float, default=900,
                        help="hard bound on the whole run, boot included")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    repo = os.path.dirname(os.path.dirname(here))
    labdir = os.path.join(build, "lab")

    def log(text):
        print(text, flush=True)

    if os.geteuid() != 0:
        log("lab: needs root (QEMU exports the host's root to the guest)")
        return 2
    chosen = [s for s in scenarios.ALL if not args.only or s.__name__ in args.only]
    started = time.monotonic()
    try:
        kernel, initrd = machine.prepare(labdir, here, log)
    except (machine.LabError, OSError) as e:
        log(f"lab: cannot prepare: {e}")
        return 2
    log(f"lab: booting ({time.monotonic() - started:.0f} s so far)")
    try:
        m = machine.Machine(labdir, kernel, initrd, repo, scenarios.USB_ADAPTERS, 1024, log)
    except machine.LabError as e:
        log(f"lab: cannot start QEMU: {e}")
        return 2

    # The hard bound: whatever hangs, QEMU and the run end here.
    def overrun():
        log(f"lab: overall timeout of {args.timeout:.0f} s reached; QEMU killed")
        m.kill()
        os._exit(2)

    timer = threading.Timer(args.timeout, overrun)
    timer.daemon = True
    timer.start()
    signal.signal(signal.SIGTERM, lambda *_: overrun())

    results = []
    try:
        boot = time.monotonic()
        m.wait_ready(240)
        log(f"lab: guest up in {time.monotonic() - boot:.1f} s")
        # The USB adapters are enumerated after the guest is up; on a quick host the first
        # scenario would list only some of them. Every scenario expects all bound.
        bound = " && ".join(f"test -c /dev/ttyUSB{k} && test -e /sys/class/tty/ttyUSB{k}/device/driver"
                            for k in range(scenarios.USB_ADAPTERS))
        settle = time.monotonic()
        while m.run(bound, 30)[0] != 0:
            if time.monotonic() - settle > 120:
                raise machine.LabError("the USB adapters were not all bound within 120 s")
            time.sleep(0.5)
        log(f"lab: {scenarios.USB_ADAPTERS} USB adapters bound after "
            f"{time.monotonic() - settle:.1f} s more")
        lab = scenarios.Lab(m, build, labdir)
        for scenario in chosen:
            t0 = time.monotonic()
            try:
                problem = scenario(lab)
            except machine.LabError as e:
                problem = f"lab: {e}"
            except Exception as e:  # a fault in the scenario itself is a failure too
                problem = f"{type(e).__name__}: {e}"
            seconds = time.monotonic() - t0
            verdict = "PASS" if not problem else "FAIL"
            results.append((scenario.__name__, verdict, seconds))
            log(f"{verdict}  {scenario.__name__:<28} {seconds:6.1f} s"
                + ("" if not problem else f"  {problem}"))
            for note in lab.take_notes():
                log(f"      {note}")
    except machine.LabError as e:
        log(f"lab: {e}")
        results.append(("guest", "FAIL", 0.0))
    finally:
        m.stop()
        timer.cancel()
    failed = [r for r in results if r[1] != "PASS"]
    log(f"lab: {len(results) - len(failed)} of {len(chosen)} scenarios passed in "
        f"{time.monotonic() - started:.0f} s (console: {os.path.join(labdir, 'console.log')})")
    return 1 if failed or len(results) < len(chosen) else 0


if __name__ == "__main__":
    sys.exit(main())
