#!/usr/bin/python3
"""The main window as a screen reader and a keyboard user meet it.

Runs itself under dbus-run-session (a private session bus, on which the
AT-SPI bus and registry start when asked) with an X server of its own. A real AT-SPI
client (pyatspi) reads the window's accessible tree; only keys (xdotool)
drive the window in the keyboard test.

  accessibility_test.py tree|keys --bin BUILD/bin --source SOURCE_DIR [--pdf FILE]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
    from gi.repository import Atspi, GLib
except ImportError as error:  # the package is in scripts/deps.sh
    print("no AT-SPI client here:", error)
    sys.exit(77)

SKIP = 77
TIMEOUT = 60.0


def wait_until(condition, timeout=TIMEOUT, what="condition"):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def read_lang(source, code):
    strings = {}
    with open(os.path.join(source, "resources", "lang", code + ".lang"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if "=" in line and not line.startswith("#") and not line.startswith("["):
                key, value = line.split("=", 1)
                strings[key] = value
    return strings


class XServer:
    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()

    def close(self):
        self.process.terminate()
        self.process.wait()


class App:
    """One copy of varto-compress on the private display, with the
    accessibility bridge on (the other window tests switch it off)."""

    def __init__(self, args, lang, dpi=96, program=None):
        self.args = args
        self.folder = tempfile.mkdtemp(prefix="varto-a11y-")
        for name in ("config", "temp", "runtime"):
            os.mkdir(os.path.join(self.folder, name), 0o700)
        with open(os.path.join(self.folder, "config", "config.ini"), "w") as f:
            f.write("NoEmbeddedBrowser=true\n")  # no network, a smaller tree
        self.x = XServer()
        env = dict(os.environ)
        for name in ("NO_AT_BRIDGE", "GTK_A11Y", "LC_ALL", "LC_MESSAGES"):
            env.pop(name, None)
        env.update({
            "DISPLAY": self.x.display,
            "VARTO_CONFIG_HOME": os.path.join(self.folder, "config"),
            "TMPDIR": os.path.join(self.folder, "temp"),
            "XDG_RUNTIME_DIR": os.path.join(self.folder, "runtime"),
            "VARTO_DPI": str(dpi),
            "LANG": lang,
            "GSETTINGS_BACKEND": "memory",
            "FONTCONFIG_FILE": os.path.join(args.source, "tests", "data", "fonts.conf"),
        })
        self.env = env
        self.output = open(os.path.join(self.folder, "output.txt"), "w")
        argv = program or [os.path.join(args.bin, "varto-compress")]
        self.process = subprocess.Popen(argv, env=env,
                                        stdout=self.output, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)

    def close(self):
        if sys.exc_info()[0] is not None:  # failing: what the program said
            with open(os.path.join(self.folder, "output.txt"), errors="replace") as f:
                print("program output:\n" + f.read()[-3000:])
            shot = os.path.join(tempfile.gettempdir(), "varto-a11y-failure.png")
            self.run("import", "-window", "root", shot)
            print("screen:", shot)
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        self.x.close()
        self.output.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, *argv):
        return subprocess.run(list(argv), env=self.env, capture_output=True, text=True).stdout

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "50", *keys)

    # --- the accessible side

    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    def window(self, role=pyatspi.ROLE_FRAME, name=None):
        app = self.application()
        if not app:
            return None
        for index in range(app.childCount):
            try:
                child = app.getChildAtIndex(index)
                if child and child.getRole() == role and (name is None or child.name == name):
                    return child
            except GLib.GError:  # a window that went while we looked
                continue
        return None

    def printed(self, line):
        with open(os.path.join(self.folder, "output.txt"), errors="replace") as f:
            return line in f.read().splitlines()

    def main_window(self):
        frame = wait_until(lambda: self.window(), what="the main window on the AT-SPI bus")
        # No window manager here: the keys go where the X focus is put.
        xid = wait_until(lambda: self.run("xdotool", "search", "--onlyvisible", "--pid",
                                          str(self.process.pid)).split(),
                         what="the window on the display")[0]
        self.run("xdotool", "windowfocus", "--sync", xid)
        return frame

    def focused(self):
        """The object the keyboard focus is on, in this program's windows:
        the innermost of the focused chain (an area and the item in it)."""
        app = self.application()
        found = None
        for node in walk(app):
            if states(node).contains(pyatspi.STATE_FOCUSED):
                found = node
        return found


def walk(root):
    if root is None:
        return
    stack = [root]
    while stack:
        node = stack.pop()
        yield node
        try:
            count = node.childCount
        except Exception:
            continue
        for index in reversed(range(count)):
            child = node.getChildAtIndex(index)
            if child is not None:
                stack.append(child)


def find(root, role, name):
    for node in walk(root):
        if node.getRole() == role and node.name == name:
            return node
    return None


def states(node):
    Atspi.Accessible.clear_cache(node)
    return node.getState()


def title(frame):
    Atspi.Accessible.clear_cache(frame)
    return frame.name


def related(node, relation_type):
    for relation in node.getRelationSet():
        if relation.getRelationType() == relation_type:
            return [relation.getTarget(i) for i in range(relation.getNTargets())]
    return []


def check_names(app, strings):
    frame = app.main_window()
    tools = [strings["compress/" + key] for key in ("add-file", "calc-size", "open-file", "save")]
    found = {}
    for name in tools:
        found[name] = wait_until(lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, name),
                                 what="the tool button " + name)
    links = [strings["compress/about"], strings["compress/settings"]]
    for name in links:
        link = find(frame, pyatspi.ROLE_LINK, name)
        assert link is not None, "footer link " + name
        assert "click" in [link.queryAction().getName(i)
                           for i in range(link.queryAction().nActions)]
    # The tooltip is the description and names the shortcut (Ctrl+O, Strg+O).
    assert found[tools[0]].description.endswith("+O."), found[tools[0]].description
    # Labels name their fields, and the fields know their labels.
    for key in ("dpi", "image-quality", "save-file-suffix"):
        label = find(frame, pyatspi.ROLE_LABEL, strings["compress/" + key])
        assert label is not None, "label " + key
        targets = related(label, pyatspi.RELATION_LABEL_FOR)
        assert len(targets) == 1 and targets[0].getRole() == pyatspi.ROLE_TEXT, key
        assert targets[0].name == label.name, (targets[0].name, label.name)
        assert label in related(targets[0], pyatspi.RELATION_LABELLED_BY), key
    return frame, found


def test_tree(args):
    en = read_lang(args.source, "en")
    de = read_lang(args.source, "de")
    app = App(args, "de_DE.UTF-8")
    try:
        check_names(app, de)
    finally:
        app.close()

    app = App(args, "C.UTF-8")
    try:
        frame, found = check_names(app, en)
        add = found[en["compress/add-file"]]
        # Nothing listed: the file tools go off (at the window's first
        # refresh) and say so.
        save = found[en["compress/save"]]
        wait_until(lambda: not states(save).contains(pyatspi.STATE_ENABLED), what="Save off")
        assert states(add).contains(pyatspi.STATE_ENABLED)
        assert states(add).contains(pyatspi.STATE_FOCUSABLE)

        # The check box: not ticked; a real click on its place ticks it.
        box = find(frame, pyatspi.ROLE_CHECK_BOX, en["compress/web-optimized"])
        assert box is not None
        assert not states(box).contains(pyatspi.STATE_CHECKED)
        extents = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        assert extents.width > 0 and extents.height > 0
        app.run("xdotool", "mousemove", str(extents.x + extents.width // 2),
                str(extents.y + extents.height // 2), "click", "1")
        wait_until(lambda: states(box).contains(pyatspi.STATE_CHECKED), what="checked")

        # "Add files" pressed through its action: the file chooser opens.
        action = add.queryAction()
        assert action.getName(0) == "click"
        action.doAction(0)
        title = en["general/choose-document"]
        chooser = wait_until(lambda: app.window(pyatspi.ROLE_FILE_CHOOSER) or
                             app.window(pyatspi.ROLE_DIALOG), what="the file chooser")
        assert chooser.name == title, chooser.name
        app.key("Escape")
        wait_until(lambda: not app.window(pyatspi.ROLE_FILE_CHOOSER) and
                   not app.window(pyatspi.ROLE_DIALOG), what="the chooser to close")
    finally:
        app.close()


def describe(node):
    return None if node is None else (node.getRole(), node.name)


def press_tab(app, back=False):
    """Presses Tab once; the object that has the focus after it (None when
    the focus went where no accessible object shows it)."""
    before = describe(app.focused())
    app.key("shift+Tab" if back else "Tab")
    try:
        wait_until(lambda: describe(app.focused()) != before, timeout=3, what="the focus")
    except AssertionError:
        pass
    return app.focused()


def tab_to(app, role, name, limit=40, back=False):
    """Presses Tab (or Shift+Tab) until the named object has the focus."""
    for _ in range(limit):
        if describe(app.focused()) == (role, name):
            return app.focused()
        press_tab(app, back)
    raise AssertionError("Tab never reached " + name)


def dark_pixels(app, shot, x, y, width):
    """How many pixels of one row are near black (the ring's dots)."""
    out = app.run("convert", shot, "-crop", "%dx1+%d+%d" % (width, x, y), "-depth", "8", "txt:-")
    count = 0
    for line in out.splitlines()[1:]:
        rgb = line.split("(")[1].split(")")[0].split(",")[:3]
        if all(float(value) < 64 for value in rgb):
            count += 1
    return count


def test_ring(args):
    """The focus ring on a tool button and on a footer link at two
    resolutions: screenshots kept for looking at, and the ring's dots found
    on the edge where it is drawn."""
    en = read_lang(args.source, "en")
    os.makedirs(args.artifacts, exist_ok=True)
    for dpi in (96, 144):
        app = App(args, "C.UTF-8", dpi)
        try:
            frame = app.main_window()
            wait_until(lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, en["compress/add-file"]),
                       what="the tool buttons")
            inset = 2 * dpi // 96
            for role, key, kind in ((pyatspi.ROLE_PUSH_BUTTON, "add-file", "button"),
                                    (pyatspi.ROLE_LINK, "about", "link")):
                node = tab_to(app, role, en["compress/" + key])
                box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                # Inside a button's border; around a link's text.
                top = box.y + inset if kind == "button" else box.y - 1
                left = box.x + inset if kind == "button" else box.x - 1
                width = box.width - 2 * inset if kind == "button" else box.width + 2
                shot = os.path.join(args.artifacts, "focus-ring-%s-%d.png" % (kind, dpi))
                wait_until(lambda: app.run("import", "-window", "root", shot) is not None and
                           dark_pixels(app, shot, left, top, width) >= width // 3,
                           what="the ring on " + kind)
        finally:
            app.close()


def test_prompt(args):
    """The question box: its caption is the dialog's name, its question
    names the field, Tab goes round field, OK and Cancel, Enter confirms.
    Reached and answered with keys only, from a link of a viewed document."""
    document = os.path.join(args.source, "tests", "data", "gui", "frame.xhtml")
    app = App(args, "C.UTF-8", program=[os.path.join(args.bin, "xhtml-view"), document])
    try:
        app.main_window()
        tab_to(app, pyatspi.ROLE_LINK, "ask")
        app.key("Return")
        box = wait_until(lambda: app.window(pyatspi.ROLE_DIALOG, "input-box") or
                         app.window(pyatspi.ROLE_FRAME, "input-box"), what="the question box")
        field = wait_until(lambda: find(box, pyatspi.ROLE_TEXT, "Your text"),
                           what="the field named by the question")
        # No window manager here to hand the new window the keyboard.
        xid = wait_until(lambda: app.run("xdotool", "search", "--onlyvisible", "--name",
                                         "^input-box$").split(), what="the box on the display")
        app.run("xdotool", "windowfocus", "--sync", xid[0])
        label = related(field, pyatspi.RELATION_LABELLED_BY)
        assert len(label) == 1 and label[0].name == "Your text", label
        wait_until(lambda: describe(app.focused()) == (pyatspi.ROLE_TEXT, "Your text"),
                   what="the field in focus")
        app.run("xdotool", "type", "--delay", "50", "abc")
        wait_until(lambda: field.queryText().getText(0, -1) == "abc", what="the typed text")
        names = [describe(press_tab(app)) for _ in range(3)]
        assert [name for _, name in names] == ["OK", "Cancel", "Your text"], names
        app.key("Return")
        wait_until(lambda: app.printed("input-box true abc"), what="the answer")
    finally:
        app.close()


def test_settings(args):
    """The settings program, by screen reader and keys only: every value has
    a label related both ways to its control, in both languages; Tab reaches
    a check box, Space turns it off, Tab reaches OK, Enter writes config.ini."""
    for code, lang in (("de", "de_DE.UTF-8"), ("en", "en_US.UTF-8")):
        strings = read_lang(args.source, code)
        app = App(args, lang, program=[os.path.join(args.bin, "varto-Settings")])
        try:
            frame = app.main_window()
            assert frame.name == strings["settings/title"], frame.name
            checks = ("new-interpreter", "share-objects", "slim-fonts", "planner", "reencode",
                      "keep-encryption", "ignore-unlock-failed", "hide-update")
            for key in checks + ("parallel-files", "language"):
                name = strings["settings/" + key]
                label = wait_until(lambda: find(frame, pyatspi.ROLE_LABEL, name),
                                   what="the label " + name)
                targets = related(label, pyatspi.RELATION_LABEL_FOR)
                assert len(targets) == 1 and targets[0].name == name, (key, targets)
                assert label in related(targets[0], pyatspi.RELATION_LABELLED_BY), key
                if key in checks:
                    assert targets[0].getRole() == pyatspi.ROLE_CHECK_BOX, key
            for key in ("ok", "cancel"):
                assert find(frame, pyatspi.ROLE_PUSH_BUTTON, strings["settings/" + key]), key
            if code == "de":
                continue
            keep = tab_to(app, pyatspi.ROLE_CHECK_BOX, strings["settings/keep-encryption"])
            assert states(keep).contains(pyatspi.STATE_CHECKED)
            app.key("space")
            wait_until(lambda: not states(keep).contains(pyatspi.STATE_CHECKED),
                       what="the check box turned off")
            tab_to(app, pyatspi.ROLE_PUSH_BUTTON, strings["settings/ok"])
            app.key("Return")
            config = os.path.join(app.folder, "config", "config.ini")

            def written():
                with open(config, errors="replace") as f:
                    return "keepencryption=false" in f.read().lower().replace(" ", "")
            wait_until(written, what="config.ini with the protection switched off")
            wait_until(lambda: app.process.poll() is not None, what="the program to end")
        finally:
            app.close()


def test_keys(args):
    en = read_lang(args.source, "en")
    user = tempfile.mkdtemp(prefix="varto-a11y-user-")
    source = os.path.join(user, "doc.pdf")
    shutil.copy(args.pdf, source)
    app = App(args, "C.UTF-8")
    try:
        frame = app.main_window()
        wait_until(lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, en["compress/add-file"]),
                   what="the tool buttons")
        # Tab visits the painted buttons and the native fields in document order.
        order = [describe(press_tab(app)) for _ in range(30)]
        assert None not in order, "a stop a screen reader cannot name: %s" % order
        names = [entry[1] for entry in order]
        # One round from "Add files" on: the painted buttons, the fields of
        # the form box, the links of the footer, and back to the start.
        cycle = names[names.index(en["compress/add-file"]):]
        expected = [en["compress/add-file"], en["compress/dpi"], en["compress/image-quality"],
                    en["compress/web-optimized"], en["compress/save-file-suffix"],
                    en["compress/about"], en["compress/settings"], en["compress/add-file"]]
        positions = [cycle.index(name, 1 if i == len(expected) - 1 else 0)
                     for i, name in enumerate(expected)]
        assert positions == sorted(positions), order

        # Add files by keys: Enter on the button, the path pasted in the chooser.
        tab_to(app, pyatspi.ROLE_PUSH_BUTTON, en["compress/add-file"])
        app.key("Return")
        wait_until(lambda: app.window(pyatspi.ROLE_FILE_CHOOSER) or
                   app.window(pyatspi.ROLE_DIALOG), what="the file chooser")
        ready = os.path.join(app.folder, "clipboard.txt")
        clip = subprocess.Popen([os.path.join(args.bin, "test-helpers",
                                              "varto-test-set-clipboard-files"), source],
                                env=app.env, stdout=open(ready, "w"), stderr=subprocess.DEVNULL)
        try:
            wait_until(lambda: open(ready).read().startswith("ready"), what="the clipboard")
            app.key("ctrl+l")
            app.key("ctrl+v")
            chooser = app.window(pyatspi.ROLE_FILE_CHOOSER) or app.window(pyatspi.ROLE_DIALOG)
            wait_until(lambda: any(node.getRole() == pyatspi.ROLE_TEXT and
                                   source in (node.queryText().getText(0, -1) or "")
                                   for node in walk(chooser)), what="the path in the chooser")
            # The location field's completion may take the first Enter.
            for _ in range(5):
                app.key("Return")
                try:
                    wait_until(lambda: not (app.window(pyatspi.ROLE_FILE_CHOOSER) or
                                            app.window(pyatspi.ROLE_DIALOG)),
                               timeout=3, what="the chooser to close")
                    break
                except AssertionError:
                    pass
        finally:
            clip.kill()
            clip.wait()
        wait_until(lambda: title(frame) == "Varto Compress (1 / 1)", timeout=120,
                   what="the file compressed")

        # Another resolution, typed into the field its label names.
        tab_to(app, pyatspi.ROLE_TEXT, en["compress/dpi"])
        app.key("ctrl+a", "1", "0", "0")
        field = app.focused()
        wait_until(lambda: field.queryText().getText(0, -1) == "100", what="the typed dpi")

        # Compress again by Enter on its button: the settings are stored.
        tab_to(app, pyatspi.ROLE_PUSH_BUTTON, en["compress/calc-size"], back=True)
        app.key("Return")
        config = os.path.join(app.folder, "config")

        def stored():
            for name in os.listdir(config):
                if name.endswith(".ini") and "dpi=100" in open(os.path.join(config, name)).read():
                    return True
            return False
        wait_until(stored, what="dpi=100 in the stored settings")
        wait_until(lambda: title(frame) == "Varto Compress (1 / 1)", timeout=120,
                   what="the file compressed again")

        # Save by Enter on its button, the proposed name confirmed with Enter.
        tab_to(app, pyatspi.ROLE_PUSH_BUTTON, en["compress/save"])
        dialog = lambda: app.window(pyatspi.ROLE_FILE_CHOOSER) or app.window(pyatspi.ROLE_DIALOG)
        for _ in range(10):  # the window takes no second action within half a second
            app.key("Return")
            try:
                wait_until(dialog, timeout=2, what="the save dialog")
                break
            except AssertionError:
                pass
        wait_until(dialog, timeout=1, what="the save dialog")
        # The dialog proposes the name; Enter in its name field saves.
        wait_until(lambda: any(node.getRole() == pyatspi.ROLE_TEXT and
                               "doc_compressed" in (node.queryText().getText(0, -1) or "")
                               for node in walk(dialog())), what="the proposed name")
        app.key("Return")
        saved = os.path.join(user, "doc_compressed.pdf")
        wait_until(lambda: os.path.exists(saved) and os.path.getsize(saved) > 0,
                   what="the saved file")
        with open(saved, "rb") as f:
            assert f.read(5) == b"%PDF-"
    finally:
        app.close()
        shutil.rmtree(user, ignore_errors=True)


def in_private_session():
    """Runs this script again on a session bus of its own. The AT-SPI bus
    launcher puts its socket in XDG_RUNTIME_DIR and its address on the X
    root window: a runtime folder of our own and no DISPLAY keep two tests
    running side by side from finding each other's bus."""
    if not shutil.which("dbus-run-session"):
        print("no dbus-run-session")
        return SKIP
    runtime = tempfile.mkdtemp(prefix="varto-a11y-runtime-")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, VARTO_A11Y_SESSION="1")
    env.pop("DISPLAY", None)
    try:
        return subprocess.run(["dbus-run-session", "--", sys.executable] + sys.argv,
                              env=env).returncode
    finally:
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=["tree", "keys", "ring", "prompt", "settings"])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--pdf", default="")
    parser.add_argument("--artifacts", default=tempfile.gettempdir())
    parser.add_argument("--sanitized", action="store_true")
    args = parser.parse_args()
    if args.test == "keys" and args.sanitized:
        print("skipped: the corpus file is compressed in the normal build only")
        return SKIP
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("no Xvfb or xdotool")
        return SKIP
    if not os.environ.get("VARTO_A11Y_SESSION"):
        return in_private_session()
    if args.test == "keys" and not os.path.exists(args.pdf):
        print("no PDF to add:", args.pdf)
        return SKIP
    {"tree": test_tree, "keys": test_keys, "ring": test_ring, "prompt": test_prompt,
     "settings": test_settings}[args.test](args)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
