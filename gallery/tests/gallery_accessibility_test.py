#!/usr/bin/env python3
"""The gallery as a screen reader meets it, over the real accessibility bus.

Run inside an X server and a private D-Bus session:
    gallery_accessibility_test.py GALLERY_BINARY

It starts the accessibility bus and the gallery, then chooses every page through the page list's
own action and checks what a screen reader would hear: no "(null)" names or descriptions, the
chosen page is the one selected, every interactive element has a name, and an element asked to
take focus is then the one focused element. It polls for each state (never a fixed wait) within
one overall bound and lists every fault with its page and element.
"""

import os
import subprocess
import sys
import tempfile
import time

# The whole run, start to end; a healthy run takes a fraction of it, also under the sanitizers.
RUN_SECONDS = 150
# How long one state may take to appear (a page that loads in the background, a slow start).
STATE_SECONDS = 30
POLL_SECONDS = 0.05

# What a user operates or reads as content: each must say what it is.
INTERACTIVE_ROLES = {
    'push button', 'toggle button', 'check box', 'radio button', 'slider', 'spin button',
    'combo box', 'page tab', 'text', 'entry', 'image', 'color chooser',
}

# Unnamed elements that belong to components this test cannot name: (page, role, which, why). Each
# is reported as known, not as a fault; drop an entry once its component names the element.
KNOWN_UNNAMED = []


def needs_name(role, states, pyatspi):
    # A multi-line text is read as its content, as a document is; one-line entries say what they
    # are for.
    return role in INTERACTIVE_ROLES and not (role == 'text' and states.contains(pyatspi.STATE_MULTI_LINE))


BUS_LAUNCHERS = ['/usr/libexec/at-spi-bus-launcher', '/usr/lib/at-spi2-core/at-spi-bus-launcher']


class Timeout(Exception):
    pass


class Run:
    def __init__(self):
        self.start = time.monotonic()
        self.faults = []
        self.known = []
        self.focus_checks = 0

    def left(self):
        return RUN_SECONDS - (time.monotonic() - self.start)

    def fault(self, page, text):
        self.faults.append('%s: %s' % (page, text))
        print('FAULT %s: %s' % (page, text), flush=True)

    def wait_for(self, what, probe, seconds=STATE_SECONDS):
        """Polls probe() until it answers something true; reads that race with a change of the
        tree (an element gone while asked) count as "not yet"."""
        end = time.monotonic() + min(seconds, max(self.left(), 0))
        last_error = None
        while True:
            try:
                answer = probe()
                if answer:
                    return answer
            except Exception as error:  # the bus reports vanished elements as GLib errors
                last_error = error
            if time.monotonic() >= end:
                raise Timeout('%s (last error: %s)' % (what, last_error) if last_error else what)
            time.sleep(POLL_SECONDS)


def bus_has_name(name):
    from gi.repository import Gio, GLib
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'NameHasOwner',
                          GLib.Variant('(s)', (name,)), None, Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


def key(node):
    return node.path


def walk(root):
    """Every element under root, depth first: (element, depth, role name, name, description, states)."""
    out = []

    def visit(node, depth):
        states = node.getState()
        out.append((node, depth, node.getRoleName(), node.name or '', node.description or '', states))
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None:
                visit(child, depth + 1)

    visit(root, 0)
    return out


def signature(nodes):
    # The tree's shape: texts that count or animate must not keep a page from settling.
    return [(d, r) for _, d, r, _, _, _ in nodes]


def describe(node):
    """Role, name and where the element sits, for a fault message."""
    try:
        parent = node.parent
        siblings = [parent.getChildAtIndex(i).name for i in range(min(parent.childCount, 12))] if parent else []
        box = node.queryComponent().getExtents(0)
        return '%s "%s" at (%d, %d, %d x %d) in %s "%s" beside %s' % (
            node.getRoleName(), node.name, box.x, box.y, box.width, box.height,
            parent.getRoleName() if parent else None, parent.name if parent else None, [s for s in siblings if s])
    except Exception as error:
        return '%s (gone: %s)' % (node.getRoleName(), error)


def action_index(node, wanted):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for i, n in enumerate(names):
        if n.lower().replace(' ', '') == wanted:
            return action, i
    return action, None


def do_action(action, index):
    # A reply that comes late (a slow page, the sanitizers) is no fault: the state polled next says
    # whether the action took.
    try:
        action.doAction(index)
    except Exception as error:
        print('late reply to an action: %s' % error, flush=True)


def check_page(run, pyatspi, window, page_list, index, title):
    row = page_list.getChildAtIndex(index)
    action, press = action_index(row, 'press')
    if press is None:
        run.fault(title, 'its row in the page list has no press action')
        return
    do_action(action, press)

    def only_this_selected():
        selected = [page_list.getChildAtIndex(i).name for i in range(page_list.childCount)
                    if page_list.getChildAtIndex(i).getState().contains(pyatspi.STATE_SELECTED)]
        return selected == [title] or None

    try:
        run.wait_for('selected', only_this_selected, 10)
    except Timeout:
        selected = [page_list.getChildAtIndex(i).name for i in range(page_list.childCount)
                    if page_list.getChildAtIndex(i).getState().contains(pyatspi.STATE_SELECTED)]
        run.fault(title, 'chosen through the page list, but the selected rows are %s' % selected)
        return

    # The page is in place once two walks in a row read the same shape (a page may still load).
    state = {'last': None}

    def settled():
        nodes = walk(window)
        same = state['last'] is not None and signature(nodes) == state['last']
        state['last'] = signature(nodes)
        return nodes if same else None

    try:
        nodes = run.wait_for('the page to settle', settled)
    except Timeout as error:
        run.fault(title, 'the tree did not settle: %s' % error)
        return

    rows = {key(page_list.getChildAtIndex(i)) for i in range(page_list.childCount)}
    for node, _, role, name, description, states in nodes:
        if '(null)' in name or '(null)' in description:
            run.fault(title, '"(null)" read from %s (description "%s")' % (describe(node), description))
        if needs_name(role, states, pyatspi) and not name.strip() and key(node) not in rows:
            known = [why for page, r, which, why in KNOWN_UNNAMED if page == title and r == role and which(node)]
            if known:
                run.known.append('%s: unnamed %s (%s)' % (title, describe(node), known[0]))
            else:
                run.fault(title, 'unnamed %s' % describe(node))

    # Focus follows what is asked: the first and the last element that may take it.
    focusable = [node for node, _, role, _, _, states in nodes
                 if role in INTERACTIVE_ROLES and states.contains(pyatspi.STATE_FOCUSABLE)
                 and states.contains(pyatspi.STATE_SENSITIVE) and states.contains(pyatspi.STATE_SHOWING)]
    for target in dict.fromkeys(focusable[:1] + focusable[-1:]):
        check_focus(run, pyatspi, window, title, target)


def check_focus(run, pyatspi, window, title, target):
    action, set_focus = action_index(target, 'setfocus')
    if set_focus is None:
        run.fault(title, 'focusable %s has no focus action' % describe(target))
        return
    do_action(action, set_focus)
    run.focus_checks += 1

    def focused():
        return [node for node, _, _, _, _, states in walk(window) if states.contains(pyatspi.STATE_FOCUSED)]

    try:
        run.wait_for('focus', lambda: [key(n) for n in focused()] == [key(target)])
    except Timeout:
        run.fault(title, 'asked %s to take focus; focused now: %s' % (describe(target), [describe(n) for n in focused()]))


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: gallery_accessibility_test.py GALLERY_BINARY')
    gallery_binary = sys.argv[1]
    run = Run()
    launcher_path = next((p for p in BUS_LAUNCHERS if os.access(p, os.X_OK)), None)
    if not launcher_path:
        sys.exit('no accessibility bus launcher in %s' % BUS_LAUNCHERS)
    children = []
    log = tempfile.NamedTemporaryFile(prefix='gallery-accessibility-', suffix='.log', delete=False)
    try:
        # The launcher reads the system's settings schemas: the system's data folders, whatever
        # private ones the gallery is given.
        launcher_environment = {k: v for k, v in os.environ.items() if k != 'XDG_DATA_DIRS'}
        launcher = subprocess.Popen([launcher_path, '--launch-immediately'], env=launcher_environment)
        children.append(launcher)

        def bus_up():
            if launcher.poll() is not None:
                raise SystemExit('the accessibility bus launcher exited with %s' % launcher.returncode)
            return bus_has_name('org.a11y.Bus')

        run.wait_for('the accessibility bus', bus_up)

        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_ACCESSIBILITY='1',
                           QT_QPA_PLATFORM='xcb')
        gallery = subprocess.Popen([gallery_binary, '--no-report-receiver'], env=environment,
                                   stdout=log, stderr=subprocess.STDOUT)
        children.append(gallery)

        import pyatspi
        from gi.repository import Atspi
        # Replies may be slow under the sanitizers; a late one is retried by the polls.
        Atspi.set_timeout(5000, 15000)

        def application():
            if gallery.poll() is not None:
                raise SystemExit('the gallery exited with %s before it showed a window' % gallery.returncode)
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == gallery.pid and app.childCount > 0:
                    # Read every answer from the application, never from a cache of old events.
                    app.set_cache_mask(Atspi.Cache.NONE)
                    return app
            return None

        app = run.wait_for('the gallery on the accessibility bus', application, 90)
        window = run.wait_for('the gallery window', lambda: next(
            (app.getChildAtIndex(i) for i in range(app.childCount) if app.getChildAtIndex(i).getRoleName() == 'frame'), None))
        # At start the window shows the first page beside the page list, the one list it holds.
        page_list = run.wait_for('the page list', lambda: next(
            (c for c in (window.getChildAtIndex(i) for i in range(window.childCount))
             if c.getRoleName() == 'list' and c.childCount > 0), None))
        titles = [page_list.getChildAtIndex(i).name for i in range(page_list.childCount)]
        if any(not t for t in titles):
            run.fault('page list', 'rows without a name: %s' % titles)
        print('pages: %s' % ', '.join(titles), flush=True)

        for index, title in enumerate(titles):
            if run.left() <= 0:
                run.fault(title, 'not reached within %d s' % RUN_SECONDS)
                break
            try:
                check_page(run, pyatspi, window, page_list, index, title)
            except Timeout as error:
                run.fault(title, 'timed out waiting for %s' % error)
            except Exception as error:
                run.fault(title, 'reading the tree failed: %r' % error)
            if gallery.poll() is not None:
                run.fault(title, 'the gallery exited with %s' % gallery.returncode)
                break
    except Timeout as error:
        run.faults.append('timed out waiting for %s' % error)
    finally:
        for child in reversed(children):
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(10)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait()

    for known in run.known:
        print('known: %s' % known)
    print('%d s, %d focus check(s), %d fault(s)' % (time.monotonic() - run.start, run.focus_checks, len(run.faults)), flush=True)
    if run.faults:
        log.seek(0)
        tail = log.read().decode(errors='replace').splitlines()[-30:]
        print('\n'.join(['', 'Faults:'] + run.faults + ['', 'Last lines of the gallery\'s output:'] + tail))
        os.unlink(log.name)
        sys.exit(1)
    os.unlink(log.name)


if __name__ == '__main__':
    main()
