#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The program on a real X server, used as a keyboard user and a screen-reader user would use it.

Runs inside desktop_session.py (X server, window manager, accessibility bus). Each case starts the built program
with a database and, where it dials, a virtual modem of its own; it finds every control through the
accessibility interface (AT-SPI) by its role and accessible name, never by its position, and presses keys only.
The Heard cases run the screen reader Orca as well and check what it says (screen_reader.py).

Environment: MIRAVO_BIN_DIR, the folder of the built programs.
"""

import os
import shutil
import sqlite3
import subprocess
import tempfile
import time
import unittest

import pyatspi

import screen_reader

BIN_DIR = os.environ.get("MIRAVO_BIN_DIR", "")
# Generous: the sanitizer build runs these too, on a machine shared with other builds.
TIMEOUT = float(os.environ.get("MIRAVO_DESKTOP_TIMEOUT", "45"))

# The main window's fields and their captions, as a screen reader must name them.
MAIN_FIELDS = [
    (pyatspi.ROLE_COMBO_BOX, "Select Card Company"),
    (pyatspi.ROLE_TEXT, "Enter Miravo Number!"),
    (pyatspi.ROLE_TEXT, "Language English or French"),
    (pyatspi.ROLE_TEXT, "Com Port"),
    (pyatspi.ROLE_TEXT, "Enter Access PIN Number!"),
    (pyatspi.ROLE_COMBO_BOX, "Select Clent or Friend"),
    (pyatspi.ROLE_COMBO_BOX, "Select telephone number."),
]

# The main window's designed tab order, starting from the control that has the focus when it opens.
MAIN_TAB_ORDER = [
    "Connect", "Enter Miravo Number!", "Language English or French", "Enter Access PIN Number!", "Close",
    "Select Card Company", "Select Clent or Friend", "Products", "Dial", "Disconnect", "Phonebook", "Com Port",
    "Select telephone number.",
]

VENDORS = [
    {"Company": "Acme Card", "Business": "18005550100", "Language": "2", "Code": "4321", "City": "Oslo"},
    {"Company": "Beta Tel", "Business": "18005550200", "Language": "1", "Code": "9999", "City": "Rome"},
]
CLIENTS = [
    {"Name": "Ann Smith", "Home": "5551234", "Cell": "5559876"},
    {"Name": "Bob Jones", "Home": "5550000"},
]

ACCESS_COMMAND = "ATDT18005550100<CR>"
TONE_COMMAND = "ATDT2,4321,,5551234,#<CR><LF>"
# What a whole call needs typed into the main window: (caption, text), in the order typed.
DIALING_FIELDS = (("Enter Miravo Number!", "18005550100"), ("Language English or French", "2"),
                  ("Enter Access PIN Number!", "4321"), ("Select telephone number.", "5551234"))


def poll(what, probe, timeout=TIMEOUT):
    """The first true result of probe(), asked again and again until `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.1)


def press(*keys):
    """Keys as a person presses them, one after the other ("Tab", "ctrl+Home", "alt+a")."""
    subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "60", text], check=True)


def descendants(accessible):
    """The accessible and everything below it, depth first."""
    stack = [accessible]
    while stack:
        current = stack.pop()
        if current is None:
            continue
        yield current
        try:
            children = list(current)
        except Exception:  # an object that went away while we looked
            continue
        stack.extend(reversed(children))


def has_state(accessible, state):
    try:
        return accessible.getState().contains(state)
    except Exception:
        return False


def text_of(accessible):
    """The text a field holds; for an editable combo box, the text of its box."""
    try:
        text = accessible.queryText()
    except NotImplementedError:
        box = next((child for child in accessible if child is not None and child.getRole() == pyatspi.ROLE_TEXT),
                   None)
        if box is None:
            raise
        text = box.queryText()
    return text.getText(0, text.characterCount)


def text_of_any(accessible):
    """The text of an accessible and of what it holds (a link's words are often its child's)."""
    texts = []
    for part in descendants(accessible):
        try:
            text = part.queryText()
            texts.append(text.getText(0, text.characterCount))
        except NotImplementedError:
            texts.append(part.name or "")
    return " ".join(texts)


def describe(accessible):
    return f"{accessible.getRoleName()} {accessible.name!r}"


class Program:
    """The built program, running with a data folder of its own."""

    def __init__(self, data_home, extra_env=None):
        env = dict(os.environ, XDG_DATA_HOME=data_home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb", QT_LOGGING_RULES="qt.accessibility.*=false")
        env.update(extra_env or {})
        self.process = subprocess.Popen([os.path.join(BIN_DIR, "miravodialer")], env=env)
        self.app = poll("the program on the accessibility bus", self._find_app)

    def _find_app(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended with {self.process.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == self.process.pid and app.childCount > 0:
                    return app
            except Exception:
                continue
        return None

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def fresh(self):
        # The client side caches names and states; the program reports changes, but a fresh read is certain.
        self.app.clear_cache()
        return self.app

    def window(self, name):
        """The program's window with this title (a main window, a dialog or a message box)."""
        def find():
            for window in self.fresh():
                if window is not None and window.name == name:
                    return window
            return None

        return poll(f"the window {name!r}", find)

    def focused(self):
        """The control that has the keyboard focus, or None.

        A web page's own tree keeps its focused element (at least the document) marked focused after the keyboard
        has left the page for a control of the window, so a focused control outside a page comes first."""
        in_page = None
        stack = [(self.fresh(), False)]
        while stack:
            accessible, inside = stack.pop()
            if accessible is None:
                continue
            try:
                role = accessible.getRole()
                children = list(accessible)
            except Exception:  # an object that went away while we looked
                continue
            inside = inside or role == pyatspi.ROLE_DOCUMENT_WEB
            if has_state(accessible, pyatspi.STATE_FOCUSED) and role not in (
                    pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW, pyatspi.ROLE_APPLICATION):
                if not inside:
                    return accessible
                in_page = in_page or accessible
            stack.extend((child, inside) for child in reversed(children))
        return in_page

    def wait_focus(self, name, role=None):
        def probe():
            current = self.focused()
            if current is not None and current.name == name and (role is None or current.getRole() == role):
                return current
            return None

        return poll(f"the focus on {name!r}", probe)

    def press_and_wait_focus_move(self, key):
        """Presses `key` and waits until the focus has left the control that had it: the control that has it now."""
        before = poll("a focused control", self.focused)
        press(key)

        def moved():
            now = self.focused()
            return now if now is not None and now.path != before.path else None

        return poll(f"the focus to move on from {describe(before)}", moved)

    def tab_to(self, name, key="Tab", limit=40):
        """Presses Tab (or `key`) until the control named `name` has the focus."""
        current = poll("a focused control", self.focused)
        for _ in range(limit):
            if current.name == name:
                return current
            current = self.press_and_wait_focus_move(key)
        raise AssertionError(f"{name!r} is not reached by {key}")

    def tab_cycle(self, limit=60):
        """Presses Tab from the focused control until the focus is back on it: the controls visited, in order."""
        start = poll("a focused control", self.focused)
        visited = [start]
        for _ in range(limit):
            current = self.press_and_wait_focus_move("Tab")
            if current.path == start.path:
                return visited
            visited.append(current)
        raise AssertionError(f"Tab does not come back to {describe(start)}: {[describe(v) for v in visited[-5:]]}")


def find(root, role, name):
    for accessible in descendants(root):
        if accessible.getRole() == role and accessible.name == name:
            return accessible
    return None


def wait_find(program, window_name, role, name):
    return poll(f"{name!r} in {window_name!r}",
                lambda: find(program.window(window_name), role, name))


def controls(window):
    """The window's own controls: not what a web page shows inside the browser (the page names its own)."""
    stack = [window]
    while stack:
        current = stack.pop()
        if current is None:
            continue
        yield current
        if current.getRole() != pyatspi.ROLE_DOCUMENT_WEB:
            stack.extend(reversed(list(current)))


def in_named_combo_box(accessible):
    """The text box of a named combo box: the box's name says what it is for, once."""
    parent = accessible.parent
    return parent is not None and parent.getRole() == pyatspi.ROLE_COMBO_BOX and bool((parent.name or "").strip())


def unnamed_focusable(window):
    """The focusable, shown controls of a window that have no accessible name. The entries of a list are its
    content, not controls: the keypad's slots offer an empty entry by design."""
    return [describe(a) for a in controls(window)
            if has_state(a, pyatspi.STATE_FOCUSABLE) and has_state(a, pyatspi.STATE_SHOWING)
            and a.getRole() != pyatspi.ROLE_LIST_ITEM and not (a.name or "").strip() and not in_named_combo_box(a)]


# The windows' client areas as designed, in pixels: (width, height).
DESIGNED_SIZES = {"Miravo": (539, 296), "Phone": (208, 512), "Clients - Contacts": (412, 298), "Vendors": (387, 281)}

# What lies over other controls by design, by role and accessible name: the keypad's background picture (under
# everything, and a pixel or two past the window's edge) and its frame (behind the keys and the lowest list, which
# reaches into its top edge); the navigation bar against the editors' buttons; two of the main window's captions,
# which touch.
EDITOR_BUTTONS = [("push button", name) for name in ("Add", "Update", "Delete", "Refresh", "Close")]
NAVIGATION_BAR = [("filler", "")] + [("push button", name) for name in (
    "First record", "Previous record", "Next record", "Last record")]
OVERLAPPING = {
    "Miravo": [([("label", "Language English or French")], [("label", "Enter Access PIN Number!")])],
    "Phone": [([("image", "Keypad background"), ("panel", "Keypad")], None)],
    "Clients - Contacts": [(NAVIGATION_BAR + [("label", "datClients")], EDITOR_BUTTONS)],
    "Vendors": [(NAVIGATION_BAR + [("label", "datVendors")], EDITOR_BUTTONS)],
}
# Qt's measure of a text and the glyphs drawn may differ by a pixel or two (hinting, smoothed edges); a caption
# that much narrower still shows its last stroke whole.
TEXT_SLACK = 2
# The background picture is drawn from a pixel or two beyond the window's top left corner.
PAST_THE_EDGE = {"Phone": [("image", "Keypad background")]}

# Parts of a control, not controls of their own: what a list or a box holds, and hidden announcers.
CONTROL_PARTS = {"list item", "list", "menu", "menu item", "scroll bar", "window", "notification"}


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def shared_area(first, second):
    width = min(first[0] + first[2], second[0] + second[2]) - max(first[0], second[0])
    height = min(first[1] + first[3], second[1] + second[3]) - max(first[1], second[1])
    return max(width, 0) * max(height, 0)


def shown_controls(window):
    """The window's shown controls: ((role name, accessible name), extents, the keys of the controls it lies in)."""
    found = []
    stack = [(child, ()) for child in window]
    while stack:
        accessible, outer = stack.pop()
        if accessible is None or not has_state(accessible, pyatspi.STATE_SHOWING):
            continue
        role = accessible.getRoleName()
        if role in CONTROL_PARTS:
            continue
        key = (role, accessible.name or "")
        found.append((key, extents(accessible), outer))
        stack.extend((child, outer + (key,)) for child in accessible)
    return found


def layout_faults(title, window, caption_widths):
    """What a user would see wrong in a window: its size, controls past its edges, overlapping or cut short."""
    faults = []
    left, top, width, height = extents(window)
    designed = DESIGNED_SIZES[title]
    if abs(width - designed[0]) > 2 or abs(height - designed[1]) > 2:
        faults.append(f"the window is {width}x{height}, designed {designed[0]}x{designed[1]}")
    shown = shown_controls(window)
    for key, (x, y, w, h), _ in shown:
        if w <= 0 or h <= 0:
            faults.append(f"{key} has no area: {w}x{h}")
        elif key not in PAST_THE_EDGE.get(title, []) and (
                x < left or y < top or x + w > left + width or y + h > top + height):
            faults.append(f"{key} at {(x - left, y - top, w, h)} is cut by the window's edge")
        needed, texts = caption_widths.get(key, (0, []))
        if w + TEXT_SLACK < needed:
            faults.append(f"{key} is {w} wide, its text needs {needed}")
        faults.extend(f"{key} is cut short to {text!r}" for text in texts if "\u2026" in text)

    def designed_overlap(first, second):
        for group, others in OVERLAPPING.get(title, []):
            for one, other in ((first, second), (second, first)):
                if one in group and (others is None or other in others):
                    return True
        return False

    for index, (key, box, outer) in enumerate(shown):
        for other_key, other_box, other_outer in shown[index + 1:]:
            # A control lies in the one that holds it.
            if key in other_outer or other_key in outer or designed_overlap(key, other_key):
                continue
            if shared_area(box, other_box) > 0:
                faults.append(f"{key} and {other_key} overlap")
    return faults


class DesktopCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="miravo-case-")
        self.data_home = os.path.join(self.folder, "data")
        self.database = os.path.join(self.data_home, "MiravoDialer", "PCData.mdb")
        os.makedirs(os.path.dirname(self.database))
        subprocess.run([os.path.join(BIN_DIR, "miravo-create-database"), self.database], check=True,
                       stdout=subprocess.DEVNULL)
        with sqlite3.connect(self.database) as db:
            for table, rows in (("Vendors", VENDORS), ("Clients", CLIENTS)):
                for row in rows:
                    columns = ", ".join(row)
                    marks = ", ".join("?" * len(row))
                    db.execute(f"INSERT INTO {table} ({columns}) VALUES ({marks})", list(row.values()))
        self.modem = None
        self.modem_log = os.path.join(self.folder, "modem.log")
        self.program = None

    def tearDown(self):
        if self.program:
            self.program.stop()
        if self.modem and self.modem.poll() is None:
            self.modem.terminate()
            self.modem.wait(timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)

    def start_modem(self):
        """A virtual modem on COM3, the main window's port, recording every command it receives."""
        env = dict(os.environ, XDG_DATA_HOME=self.data_home)
        self.modem = subprocess.Popen([os.path.join(BIN_DIR, "miravo-virtual-modem"), "--port", "3", "--log",
                                       self.modem_log], env=env, stdout=subprocess.DEVNULL)
        link = os.path.join(self.data_home, "MiravoDialer", "ports", "COM3")
        poll("the virtual modem on COM3", lambda: os.path.islink(link) or self.modem.poll() is not None)
        self.assertIsNone(self.modem.poll(), "the virtual modem ended")

    def modem_commands(self):
        """The commands the modem received, with their terminators made visible."""
        if not os.path.exists(self.modem_log):
            return []
        with open(self.modem_log, encoding="utf-8") as log:
            return [line.split(None, 1)[1] for line in log.read().splitlines()
                    if len(line.split(None, 1)) == 2 and line.split(None, 1)[1].startswith("AT")]

    def start_program(self, extra_env=None):
        self.program = Program(self.data_home, extra_env)
        main = self.program.window("Miravo")
        self.program.wait_focus("Connect", pyatspi.ROLE_PUSH_BUTTON)
        return main

    def fill_dialing_fields(self, fields=DIALING_FIELDS):
        """Types each text into the main window's field of that caption, reaching it by Tab."""
        for caption, typed in fields:
            self.program.tab_to(caption)
            type_text(typed)

    def field_text(self, window_name, role, name):
        return text_of(wait_find(self.program, window_name, role, name))

    def wait_field_text(self, window_name, role, name, expected):
        poll(f"{name!r} to read {expected!r}",
             lambda: self.field_text(window_name, role, name) == expected)

    def stored(self, sql, parameters=()):
        with sqlite3.connect(self.database) as db:
            return db.execute(sql, parameters).fetchall()


class MainWindow(DesktopCase):
    def test_fields_are_named_by_their_captions_and_tab_follows_the_design(self):
        main = self.start_program()
        self.assertEqual(unnamed_focusable(main), [])
        for role, caption in MAIN_FIELDS:
            with self.subTest(caption=caption):
                self.assertIsNotNone(find(main, pyatspi.ROLE_LABEL, caption), "the caption is shown")
                self.assertIsNotNone(find(main, role, caption), "the field is named by its caption")
        for picture in ("Telephone handset", "Calling card"):
            self.assertIsNotNone(find(main, pyatspi.ROLE_IMAGE, picture))

        visited = [accessible.name for accessible in self.program.tab_cycle()]
        self.assertEqual(visited, MAIN_TAB_ORDER)

    def test_whole_call_by_keyboard(self):
        self.start_modem()
        self.start_program()
        program = self.program

        # Down in a list nobody touched picks its first entry, which fills the dialing fields.
        program.tab_to("Select Card Company")
        press("Down")
        self.wait_field_text("Miravo", pyatspi.ROLE_TEXT, "Enter Miravo Number!", "18005550100")
        self.assertEqual(self.field_text("Miravo", pyatspi.ROLE_TEXT, "Language English or French"), "2")
        self.assertEqual(self.field_text("Miravo", pyatspi.ROLE_TEXT, "Enter Access PIN Number!"), "4321")

        program.tab_to("Select Clent or Friend")
        press("Down")
        self.wait_field_text("Miravo", pyatspi.ROLE_COMBO_BOX, "Select Clent or Friend", "Ann Smith")
        number = wait_find(program, "Miravo", pyatspi.ROLE_COMBO_BOX, "Select telephone number.")
        self.assertEqual(text_of(number), "")

        # The offered numbers leave the number's text alone; Down picks the first of them.
        program.tab_to("Select telephone number.")
        press("Down")
        poll("the first offered number", lambda: text_of(number) == "5551234")

        program.tab_to("Connect")
        press("space")
        question = self.program.window("Dialing Status")
        poll("the access number on the line", lambda: self.modem_commands() == [ACCESS_COMMAND])
        self.assertIsNotNone(find(question, pyatspi.ROLE_PUSH_BUTTON, "Yes"))
        press("y")
        poll("the tones on the line", lambda: self.modem_commands() == [ACCESS_COMMAND, TONE_COMMAND])


class KeypadWindow(DesktopCase):
    def test_tab_leaves_the_display_and_send_dials_by_keyboard(self):
        self.start_modem()
        self.start_program()
        program = self.program
        self.fill_dialing_fields()
        program.tab_to("Dial")
        press("space")

        phone = program.window("Phone")
        self.assertEqual(phone.getRole(), pyatspi.ROLE_FRAME, "a window to screen readers")
        program.wait_focus("Display", pyatspi.ROLE_TEXT)
        self.assertEqual(unnamed_focusable(phone), [])
        visited = [accessible.name for accessible in program.tab_cycle()]
        self.assertEqual(visited, ["Display", "Quick dial", "COM:", "Pause:", "Sequence 1", "Sequence 2", "Sequence 3",
                                   "1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#",
                                   "REDIAL", "SEND", "CLR", "CLOSE", "END"])
        # The captions keep their designed blanks; only what is spoken is trimmed.
        self.assertIsNotNone(find(phone, pyatspi.ROLE_PUSH_BUTTON, "CLR"))
        self.assertEqual(self.field_text("Phone", pyatspi.ROLE_COMBO_BOX, "Sequence 3"), "Long Distance Number")

        program.tab_to("Pause:")
        press("ctrl+a")
        type_text("0.5")
        program.tab_to("SEND")
        press("space")
        poll("the sequence on the line", lambda: self.modem_commands() == [ACCESS_COMMAND, TONE_COMMAND])
        display = find(program.window("Phone"), pyatspi.ROLE_TEXT, "Display")
        poll("the sequence status", lambda: "Sequence Listing" in text_of(display))


class EditorWindows(DesktopCase):
    def test_add_update_and_move_by_keys(self):
        self.start_program()
        program = self.program
        program.tab_to("Phonebook")
        press("space")

        clients = program.window("Clients - Contacts")
        vendors = program.window("Vendors")
        program.wait_focus("Close", pyatspi.ROLE_PUSH_BUTTON)
        for window in (clients, vendors):
            with self.subTest(window=window.name):
                self.assertEqual(window.getRole(), pyatspi.ROLE_FRAME, "a window to screen readers")
                self.assertEqual(unnamed_focusable(window), [])
                self.assertIsNotNone(find(window, pyatspi.ROLE_TEXT, "Name:"))
                self.assertIsNotNone(find(window, pyatspi.ROLE_TEXT, "Address:"))

        visited = [accessible.name for accessible in program.tab_cycle()]
        self.assertEqual(visited, ["Close", "Refresh", "Delete", "Update", "Add", "First record",
                                   "Previous record", "Next record", "Last record", "Fax:", "Company:",
                                   "CompAddress:", "Code:", "City:", "Business:", "Address:", "Name:", "Language:",
                                   "ID:"])

        press("alt+a")
        self.wait_field_text("Vendors", pyatspi.ROLE_TEXT, "Company:", "")
        program.tab_to("Company:")
        type_text("Zulu Cards")
        program.tab_to("Business:", key="Tab")
        type_text("18005550300")
        press("alt+u")
        poll("the new record in the file", lambda: self.stored(
            "SELECT Business FROM Vendors WHERE Company = ?", ("Zulu Cards",)) == [("18005550300",)])

        program.tab_to("City:")
        press("ctrl+Home")
        self.wait_field_text("Vendors", pyatspi.ROLE_TEXT, "Company:", "Acme Card")
        press("ctrl+End")
        self.wait_field_text("Vendors", pyatspi.ROLE_TEXT, "Company:", "Zulu Cards")
        press("ctrl+Page_Up")
        self.wait_field_text("Vendors", pyatspi.ROLE_TEXT, "Company:", "Beta Tel")
        # A change is stored when the record is left, here by a key.
        press("ctrl+a")
        type_text("Lima")
        press("ctrl+Page_Down")
        self.wait_field_text("Vendors", pyatspi.ROLE_TEXT, "Company:", "Zulu Cards")
        poll("the changed city in the file", lambda: self.stored(
            "SELECT City FROM Vendors WHERE Company = ?", ("Beta Tel",)) == [("Lima",)])


class BrowserWindow(DesktopCase):
    PAGE_TITLE = "Miravo cards"

    def tearDown(self):
        super().tearDown()
        if getattr(self, "page_server", None) and self.page_server.poll() is None:
            self.page_server.terminate()
            self.page_server.wait(timeout=30)
        if getattr(self, "page_server", None):
            self.page_server.stdout.close()

    def open_browser(self, proxy=None):
        """Starts the program and opens the browser window by keyboard; through `proxy` (a port) when given."""
        flags = "--disable-gpu --no-sandbox"
        if proxy:
            flags += f" --proxy-server=http://127.0.0.1:{proxy}"
        # The browser engine refuses to run as root with its sandbox, which is how CI runs.
        self.start_program({"QTWEBENGINE_DISABLE_SANDBOX": "1", "QTWEBENGINE_CHROMIUM_FLAGS": flags})
        program = self.program
        program.tab_to("Products")
        press("space")

        def browser_window():
            for window in program.fresh():
                if window is not None and find(window, pyatspi.ROLE_PUSH_BUTTON, "Search") is not None:
                    return window
            return None

        window = poll("the browser window", browser_window)
        program.wait_focus("Web page")
        return window

    def serve_product_page(self):
        """A loopback server that answers every address with the product page: the port, to use as a proxy."""
        self.page_server = subprocess.Popen([os.path.join(BIN_DIR, "miravo-serve-product-page"), self.PAGE_TITLE],
                                            stdout=subprocess.PIPE, text=True)
        port = self.page_server.stdout.readline().strip()
        self.assertTrue(port.isdigit(), "the page server did not start")
        return port

    def test_controls_are_named(self):
        window = self.open_browser()
        self.assertEqual(unnamed_focusable(window), [])
        self.assertIsNotNone(find(window, pyatspi.ROLE_COMBO_BOX, "Address:"))
        for key in ("Back", "Forward", "Stop", "Refresh", "Home", "Search"):
            button = find(window, pyatspi.ROLE_PUSH_BUTTON, key)
            self.assertTrue(has_state(button, pyatspi.STATE_FOCUSABLE), key)
        # Screen readers list and announce windows by this role.
        for top_level in (self.program.window("Miravo"), window):
            self.assertEqual(top_level.getRole(), pyatspi.ROLE_FRAME, describe(top_level))

    def test_keys_leave_the_page_for_the_address_box(self):
        self.open_browser(self.serve_product_page())
        program = self.program
        poll("the page's title in the caption", lambda: program.window(self.PAGE_TITLE))
        for key in ("alt+a", "F6", "ctrl+l", "Tab"):
            with self.subTest(key=key):
                # The page has the keyboard: the view (and the page inside it) holds the focus.
                program.wait_focus("Web page")
                press(key)
                program.wait_focus("Address:")
                # Back into the page: the address box comes right after the page in the tab order.
                press("shift+Tab")
        # A page whose field takes the keyboard when the page opens: the engine claims every key a field is given,
        # the access key still leaves it.
        press("alt+a")
        program.wait_focus("Address:")
        type_text("data:text/html,<title>Field</title><input autofocus>")
        press("Return")
        program.window("Field")
        press("shift+Tab")
        program.wait_focus("Web page")
        press("alt+a")
        program.wait_focus("Address:")

class DesignedLayout(DesktopCase):
    """The windows as the user sees them: the designed size, every control inside, none over another, no caption
    cut short."""

    def caption_widths(self):
        """What Qt measures each caption's text to need, on this display, and the texts shown:
        (role name, accessible name) -> (pixels, [texts])."""
        env = dict(os.environ, XDG_DATA_HOME=self.data_home, QT_QPA_PLATFORM="xcb")
        listing = subprocess.run([os.path.join(BIN_DIR, "miravo-caption-widths")], env=env, check=True,
                                 capture_output=True, text=True).stdout
        widths = {}
        for line in listing.splitlines():
            _, kind, name, pixels, shown = line.split("\t")
            role = "push button" if kind == "button" else "label"
            needed, texts = widths.get((role, name), (0, []))
            widths[(role, name)] = (max(needed, int(pixels)), texts + [shown])
        return widths

    def assertLaidOut(self, title, widths):
        with self.subTest(window=title):
            faults = layout_faults(title, self.program.window(title), widths)
            self.assertEqual(faults, [], "\n".join(faults))

    def test_every_control_is_inside_its_window_apart_and_readable(self):
        widths = self.caption_widths()
        for caption in (("push button", "Connect"), ("label", "Card_Password:"), ("push button", "REDIAL")):
            self.assertIn(caption, widths, "the tool measured the windows")
        self.start_modem()
        self.start_program()
        program = self.program
        self.assertLaidOut("Miravo", widths)

        self.fill_dialing_fields((("Enter Miravo Number!", "18005550100"), ("Select telephone number.", "5551234")))
        program.tab_to("Dial")
        press("space")
        program.wait_focus("Display", pyatspi.ROLE_TEXT)
        self.assertLaidOut("Phone", widths)
        program.tab_to("CLOSE")
        press("space")
        program.wait_focus("Dial", pyatspi.ROLE_PUSH_BUTTON)

        program.tab_to("Phonebook")
        press("space")
        program.wait_focus("Close", pyatspi.ROLE_PUSH_BUTTON)
        for title in ("Clients - Contacts", "Vendors"):
            self.assertLaidOut(title, widths)


class Heard(DesktopCase):
    """What Orca itself says while the program is used by keyboard: what a blind user hears."""

    # Orca takes a while to start and to answer on a machine busy with builds.
    ORCA_START = TIMEOUT * 2
    PAGE_TITLE = BrowserWindow.PAGE_TITLE

    @classmethod
    def setUpClass(cls):
        if not screen_reader.available():
            raise unittest.SkipTest("Orca and speech-dispatcher are not installed (setup.sh installs them)")
        # One Orca for the cases, as a user keeps one running while programs come and go.
        cls.orca = screen_reader.ScreenReader(cls.ORCA_START)

    @classmethod
    def tearDownClass(cls):
        cls.orca.stop()

    def setUp(self):
        super().setUp()
        self.page_server = None

    def tearDown(self):
        super().tearDown()
        if self.page_server and self.page_server.poll() is None:
            self.page_server.terminate()
            self.page_server.wait(timeout=30)
        if self.page_server:
            self.page_server.stdout.close()
        # What the last case's program said on its way out is not the next case's.
        self.orca.settle()

    def said(self, what, probe, since):
        """Waits until Orca has said something for which probe(utterance) holds; everything said since `since`."""
        return self.orca.wait_for(lambda spoken: any(probe(u) for u in spoken), what, TIMEOUT, since)

    def key_and_hear(self, key, what, probe):
        mark = self.orca.mark()
        press(key)
        return self.said(what, probe, mark)

    def test_enter_presses_connect_and_the_question_is_read(self):
        self.start_modem()
        self.start_program()
        self.fill_dialing_fields()
        self.program.tab_to("Connect")
        self.orca.settle()
        self.key_and_hear("Return", "the handset question",
                          lambda said: "Pick up the handset when the dialing is complete" in said)
        poll("the access number on the line", lambda: self.modem_commands() == [ACCESS_COMMAND])
        press("y")
        poll("the tones on the line", lambda: self.modem_commands() == [ACCESS_COMMAND, TONE_COMMAND])

    def test_keypad_says_its_status_texts_during_a_send(self):
        self.start_modem()
        self.start_program()
        self.fill_dialing_fields()
        self.program.tab_to("Dial")
        press("Return")
        self.program.wait_focus("Display", pyatspi.ROLE_TEXT)
        self.program.tab_to("Pause:")
        press("ctrl+a")
        type_text("1")
        self.program.tab_to("5")
        self.orca.settle()
        # A key press is echoed with the digit it added.
        self.key_and_hear("space", "the digit", lambda said: said == "notification 5.")

        self.program.tab_to("SEND")
        self.orca.settle()
        mark = self.orca.mark()
        press("Return")
        start = "Dialing: 18005550100 Pick up the handset when the dialing is complete. Press End after you hear ringing."
        sequence = "Dialing: 18005550100 Sequence Listing 2 4321 5551234"
        spoken = self.said("the sequence status", lambda said: sequence in said, mark)
        self.assertTrue(any(start in said for said in spoken), spoken)
        self.assertLess(next(i for i, said in enumerate(spoken) if start in said),
                        next(i for i, said in enumerate(spoken) if sequence in said), spoken)
        # Said without moving the focus: the user is still on SEND.
        self.assertEqual(self.program.focused().name, "SEND")
        self.assertEqual(self.modem_commands(), [ACCESS_COMMAND, TONE_COMMAND])

    def test_editors_keep_a_focused_control_after_opening_and_after_a_message(self):
        self.start_program()
        self.program.tab_to("Phonebook")
        self.orca.settle()
        self.key_and_hear("Return", "the Vendors window's Close button", lambda said: said == "Close push button.")
        # Closing Vendors makes Clients active: its first control in the tab order has the focus, and typing lands.
        self.key_and_hear("Return", "the Notes field", lambda said: said == "Notes: text.")
        type_text("abc")
        self.wait_field_text("Clients - Contacts", pyatspi.ROLE_TEXT, "Notes:", "abc")

        # Another program holds the file: the store is refused with SQLite's reason in a message box.
        with sqlite3.connect(self.database, isolation_level=None) as holder:
            holder.execute("BEGIN EXCLUSIVE")
            self.orca.settle()
            self.key_and_hear("alt+u", "the refusal", lambda said: said == "database is locked.")
            self.key_and_hear("Return", "the Notes field again", lambda said: said == "Notes: text.")
            holder.execute("ROLLBACK")
        type_text("d")
        self.wait_field_text("Clients - Contacts", pyatspi.ROLE_TEXT, "Notes:", "abcd")

    def test_product_page_load_is_said_and_its_content_read(self):
        mark = self.orca.mark()
        BrowserWindow.open_browser(self, BrowserWindow.serve_product_page(self))
        self.said("the finished load", lambda said: said == f"notification Page loaded: {self.PAGE_TITLE}.", mark)
        window = self.program.window(self.PAGE_TITLE)
        poll("the page's heading", lambda: find(window, pyatspi.ROLE_HEADING, self.PAGE_TITLE))

        # A page of our own from the address box, loaded by Enter: its heading and its link are there to read.
        press("alt+a")
        self.program.wait_focus("Address:")
        type_text("data:text/html,<title>Prices</title><h1>Card prices</h1><a href='prices.htm'>Price list</a>")
        self.orca.settle()
        self.key_and_hear("Return", "the new page's load", lambda said: said == "notification Page loaded: Prices.")
        window = self.program.window("Prices")
        poll("the new page's heading", lambda: find(window, pyatspi.ROLE_HEADING, "Card prices"))
        poll("the new page's link", lambda: any(
            link.getRole() == pyatspi.ROLE_LINK and "Price list" in (link.name or text_of_any(link))
            for link in descendants(window)))
        # Orca has no browse mode for a Qt program's pages; its flat review reads what the window shows, line by
        # line from the top: the toolbar, the address box, then the page, whose heading is heard.
        self.orca.settle()
        heard = self.review_lines_until(lambda said: said == "Card prices")
        self.assertIn("Back Forward Stop Refresh Home Search", heard[0])
        self.assertTrue(any("Address:" in line for line in heard[:-1]), heard)
        # What was announced is not read again as part of the window.
        self.assertFalse(any("Page loaded" in line for line in heard), heard)
        # Back into the page and on to its link, which Orca reads with the page it is in.
        press("shift+Tab")
        self.program.wait_focus("Web page")
        self.orca.settle()
        spoken = self.key_and_hear("Tab", "the link", lambda said: said == "Price list link.")
        self.assertIn("Prices document web", spoken)

    def review_lines_until(self, probe, limit=10):
        """Reads the active window by Orca's flat review, its current line and then line after line, until Orca
        says something for which probe(utterance) holds: what each line said."""
        lines = []
        for key in ["KP_Up"] + ["KP_Page_Up"] * limit:
            mark = self.orca.mark()
            press(key)
            self.orca.settle()
            lines.append(" ".join(self.orca.spoken(mark)))
            if any(probe(said) for said in self.orca.spoken(mark)):
                return lines
        raise AssertionError(f"flat review never said it; line by line it said {lines!r}")

    def test_an_opened_list_says_how_many_entries_it_has(self):
        self.start_program()
        self.program.tab_to("Select Card Company")
        self.orca.settle()
        self.key_and_hear("alt+Down", "the opened list", lambda said: said == "List with 2 items.")
        self.key_and_hear("Down", "the second company", lambda said: said == "Beta Tel.")
        self.key_and_hear("Return", "the list box with its pick",
                          lambda said: said == "Select Card Company editable combo box.")
        self.wait_field_text("Miravo", pyatspi.ROLE_TEXT, "Enter Miravo Number!", "18005550200")

    def test_an_empty_named_list_says_its_name_once(self):
        self.start_program()
        self.program.tab_to("Select telephone number.")
        press("shift+Tab")
        self.orca.settle()
        # The number's list is empty: what is heard is its name, once, not its name again for the text inside it.
        spoken = self.key_and_hear("Tab", "the number's list", lambda said: "Select telephone number." in said)
        self.assertEqual(sum(said.count("Select telephone number.") for said in spoken), 1, spoken)

    def test_where_am_i_in_the_handset_question_reads_the_question(self):
        self.start_modem()
        self.start_program()
        self.fill_dialing_fields()
        self.program.tab_to("Connect")
        self.orca.settle()
        question = "Pick up the handset when the dialing is complete"
        self.key_and_hear("Return", "the handset question", lambda said: question in said)
        # Where Am I (the keypad's Enter in Orca's desktop layout) says where the user is: the question, not only
        # the focused button.
        spoken = self.key_and_hear("KP_Enter", "the question again", lambda said: question in said)
        self.assertTrue(any("No" in said for said in spoken), spoken)
        press("n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
