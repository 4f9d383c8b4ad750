#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A throw-away desktop for the desktop tests: an X server (Xvfb), a session bus, the accessibility bus with its
registry (at-spi2-core), and a small window manager (openbox), all in a temporary folder. Runs the command given
after "--" inside it and ends everything it started when the command ends.

    desktop_session.py -- python3 -m unittest -v desktop_tests

The command sees DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR and a HOME of its own.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
START_TIMEOUT = 60  # seconds; the sanitizer build shares a busy machine


def read_line(fd, timeout, what):
    """The first line written to a pipe, within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    data = b""
    os.set_blocking(fd, False)
    while b"\n" not in data:
        if time.monotonic() > deadline:
            raise RuntimeError(f"{what} did not start within {timeout} s")
        try:
            chunk = os.read(fd, 256)
        except BlockingIOError:
            time.sleep(0.05)
            continue
        if not chunk:
            raise RuntimeError(f"{what} ended before it started")
        data += chunk
    return data.split(b"\n", 1)[0].decode().strip()


class Session:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="miravo-desktop-")
        self.processes = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "QT_QPA_PLATFORM",
                     "SESSION_MANAGER"):
            self.env.pop(name, None)
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        home = os.path.join(self.folder, "home")
        os.mkdir(home)
        self.env.update(XDG_RUNTIME_DIR=runtime, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_CACHE_HOME=os.path.join(home, ".cache"))

    def spawn(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def start(self):
        # The X server picks a free display and writes its number to the pipe; -noreset keeps it up when the
        # last client goes.
        read_end, write_end = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp", "-screen", "0",
                    "1280x1024x24"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.env["DISPLAY"] = ":" + read_line(read_end, START_TIMEOUT, "Xvfb")
        os.close(read_end)

        read_end, write_end = os.pipe()
        self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", f"--print-address={write_end}"],
                   pass_fds=(write_end,), stdout=subprocess.DEVNULL)
        os.close(write_end)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = read_line(read_end, START_TIMEOUT, "dbus-daemon")
        os.close(read_end)

        # The accessibility bus: its launcher owns org.a11y.Bus on the session bus and starts the registry on the
        # bus it launches.
        self.spawn([AT_SPI_BUS_LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
        self.wait_for_a11y_bus()

        self.spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_for_a11y_bus(self):
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                                    "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, text=True)
            if reply.returncode == 0 and "unix:" in reply.stdout:
                return
            time.sleep(0.2)
        raise RuntimeError("the accessibility bus did not start")

    def strays(self):
        """Processes of this session that nothing here started directly and that outlive it: the accessibility
        registry, and speech-dispatcher, which the screen reader starts and which leaves its process group."""
        mark = ("DBUS_SESSION_BUS_ADDRESS=" + self.env.get("DBUS_SESSION_BUS_ADDRESS", "")).encode()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if mark in environ.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                continue
        return found

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        if "DBUS_SESSION_BUS_ADDRESS" in self.env:
            for pid in self.strays():
                try:
                    os.kill(pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        shutil.rmtree(self.folder, ignore_errors=True)


def main():
    if "--" not in sys.argv:
        print(__doc__, file=sys.stderr)
        return 2
    command = sys.argv[sys.argv.index("--") + 1:]
    session = Session()
    try:
        session.start()
        return subprocess.run(command, env=session.env).returncode
    finally:
        session.stop()


if __name__ == "__main__":
    sys.exit(main())
