# SPDX-License-Identifier: GPL-3.0-or-later
"""Orca, the screen reader, inside a desktop session of desktop_session.py: what it says is what a blind user hears.

Orca speaks through speech-dispatcher, here with its "dummy" output (no sound card needed). Every utterance is a
line "SPEECH OUTPUT: '<text>'" in Orca's debug log, which Orca writes to a terminal (a pseudo-terminal here): to a
plain file it is block-buffered and the lines arrive seconds late.
"""

import os
import pty
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

# One utterance: its text may span lines (a status text of several lines is one utterance); Orca closes it with
# the voice it used: one voice ("{...}"), or a list of them ("[{...}]") for what flat review reads.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?(?:\{[^{}]*\}|\[\{[^{}]*\}(?:, \{[^{}]*\})*\])$",
                    re.S | re.M)

SPEECHD_CONF = """DefaultVolume 100
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
Include "/etc/speech-dispatcher/clients/*.conf"
"""


def available():
    return shutil.which("orca") is not None and shutil.which("speech-dispatcher") is not None


class ScreenReader:
    """Orca with its defaults (an empty settings folder), its debug log read as it is written."""

    def __init__(self, start_timeout):
        self.folder = tempfile.mkdtemp(prefix="miravo-orca-")
        config = os.path.join(os.environ["XDG_CONFIG_HOME"], "speech-dispatcher")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "speechd.conf"), "w", encoding="utf-8") as conf:
            conf.write(SPEECHD_CONF)
        self.lines = []
        self.lock = threading.Lock()
        master, slave = pty.openpty()
        self.process = subprocess.Popen(
            ["orca", "--replace", "-u", os.path.join(self.folder, "prefs"), "--debug-file", "/dev/stdout"],
            stdin=subprocess.DEVNULL, stdout=slave, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(slave)
        self.reader = threading.Thread(target=self._read, args=(master,), daemon=True)
        self.reader.start()
        # Orca is ready once it has said its greeting ("Screen reader on.").
        self.wait_for(lambda spoken: spoken, "Orca's greeting", start_timeout, since=0)

    def _read(self, master):
        pending = b""
        while True:
            try:
                chunk = os.read(master, 65536)
            except OSError:  # the terminal closed: Orca ended
                break
            if not chunk:
                break
            pending += chunk
            *complete, pending = pending.split(b"\n")
            with self.lock:
                self.lines.extend(line.decode("utf-8", "replace").rstrip("\r") for line in complete)
        os.close(master)

    def mark(self):
        """A position in the log: what Orca says from now on comes after it."""
        with self.lock:
            return len(self.lines)

    def spoken(self, since):
        """The utterances since `since` (a mark), in order."""
        with self.lock:
            log = "\n".join(self.lines[since:])
        # Line breaks and runs of blanks as one blank: what is heard, not how the text was laid out.
        return [" ".join(match.group(1).split()) for match in SPEECH.finditer(log)]

    def wait_for(self, predicate, what, timeout, since):
        """Waits until predicate(utterances since `since`) is true; then waits for Orca to fall silent."""
        deadline = time.monotonic() + timeout
        while not predicate(self.spoken(since)):
            if self.process.poll() is not None:
                raise AssertionError(f"Orca ended with {self.process.returncode}")
            if time.monotonic() > deadline:
                raise AssertionError(f"Orca did not say {what}; it said {self.spoken(since)!r}")
            time.sleep(0.1)
        self.settle()
        return self.spoken(since)

    def settle(self, quiet=1.0, timeout=15):
        """Waits until the log has been quiet for `quiet` seconds, so the next key is not mixed into the last one's
        speech."""
        deadline = time.monotonic() + timeout
        count, since = self.mark(), time.monotonic()
        while time.monotonic() - since < quiet and time.monotonic() < deadline:
            time.sleep(0.1)
            if self.mark() != count:
                count, since = self.mark(), time.monotonic()

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self.reader.join(timeout=5)
        shutil.rmtree(self.folder, ignore_errors=True)
