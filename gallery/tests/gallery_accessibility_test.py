#!/usr/bin/env python3
"""The gallery as a screen reader meets it, over the real accessibility bus.

Run inside an X server and a private D-Bus session:
    gallery_accessibility_test.py GALLERY_BINARY

It starts the accessibility bus and the gallery, then chooses every page through the page list's
own action and checks what a screen reader would hear: no "(null)" names or descriptions, the
chosen page is the one selected, every interactive element has a name no other on its page has, and
an element asked to take focus is then the one focused element. Then it uses the keyboard (xdotool)
as a screen reader's user does: the arrows in the page list, the outlines, the table grid and both tab
bars each give one focus event, for the element now current, named by what it shows and selected;
Shift+Tab and Ctrl+Tab leave a text area (Tab too where it is read-only); the table grid answers the
table interface, and arrowing it from A1 each focused cell is found at its row and column (its index
among the table's children taken to the table's row and column, as a reader does), with its headers
and its text, "blank" for an empty cell. Last it calls every method of every interface on one element of each role
on every page, as a client asking about stale or wrong places does (out-of-range, negative and huge
arguments; missing, extra and wrong-typed ones; interfaces the element lacks; elements of the page
before and a path of nothing), checks that a value set and an insert take what was asked, and
checks after each element that the gallery is alive and answering. It polls for each
state (never a fixed wait) within one overall bound and lists every fault with its page and element.

Without what it needs (xdotool, the bus launcher, the bus bindings) it skips (exit 77), except in
CI (CI set), where a missing tool fails the test.
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

# The whole run, start to end; a healthy run takes a fraction of it, also under the sanitizers.
RUN_SECONDS = 330
# How long one state may take to appear (a page that loads in the background, a slow start).
STATE_SECONDS = 30
POLL_SECONDS = 0.05

# What a user operates or reads as content: each must say what it is.
INTERACTIVE_ROLES = {
    'push button', 'toggle button', 'check box', 'radio button', 'slider', 'spin button',
    'combo box', 'page tab', 'text', 'entry', 'image', 'color chooser',
}
# Containers a user moves in: named too (their focus goes to the current item within).
NAMED_CONTAINER_ROLES = {'table', 'tree', 'tree table'}

# Unnamed elements that belong to components this test cannot name: (page, role, which, why). Each
# is reported as known, not as a fault; drop an entry once its component names the element.
KNOWN_UNNAMED = []


# Where the arrows move the current item: (page, roles of the container, key).
ARROW_CHECKS = [
    ('Source list', {'tree', 'tree table'}, 'Down'),
    ('Lists and dialogs', {'tree', 'tree table'}, 'Down'),
    ('Table grid', {'table'}, 'Down'),
    ('Tab bar', {'page tab list'}, 'Right'),
    ('Tab bar view', {'page tab list'}, 'Right'),
    ('Cover flow', {'list'}, 'Right'),
    ('Flow view', {'list'}, 'Right'),
]

# Text areas the keyboard must be able to leave: (page, editable, keys that leave). An editable one
# types a tab on Tab.
TEXT_EXITS = [
    ('Text', True, ['shift+Tab', 'ctrl+Tab']),
    ('Reports', False, ['Tab', 'shift+Tab', 'ctrl+Tab']),
]


def needs_name(role, states, pyatspi):
    # A multi-line text is read as its content, as a document is; one-line entries say what they
    # are for.
    if role in NAMED_CONTAINER_ROLES:
        return True
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


def settle(run, window):
    """The page's elements, once two walks in a row read the same shape (a page may still load)."""
    state = {'last': None}

    def settled():
        nodes = walk(window)
        same = state['last'] is not None and signature(nodes) == state['last']
        state['last'] = signature(nodes)
        return nodes if same else None

    return run.wait_for('the page to settle', settled)


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

    try:
        nodes = settle(run, window)
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

    # A name says which of the controls beside it an element is; a pop-up tied to a label is named
    # by its choice and told apart by that label.
    def heard(node, role, name, description):
        if role != 'combo box':
            return name
        labels = [r.getTarget(0).name for r in node.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY and r.getNTargets()]
        return '%s: %s' % (labels[0], name) if labels else name

    named = {}
    for node, _, role, name, description, states in nodes:
        if needs_name(role, states, pyatspi) and name.strip() and key(node) not in rows:
            named.setdefault((key(node.parent), heard(node, role, name, description)), []).append(node)
    for (_, name), same in named.items():
        if len(same) > 1:
            run.fault(title, '%d interactive elements named "%s": %s' % (len(same), name, [describe(n) for n in same[:3]]))

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


class FocusEvents:
    """The focus events a screen reader receives, in order, each with the element's name and states
    read when it arrived."""

    def __init__(self, pyatspi):
        from gi.repository import GLib
        self.context = GLib.MainContext.default()
        self.pyatspi = pyatspi
        self.events = []
        self.sources = {}
        pyatspi.Registry.registerEventListener(self.on_focus, 'object:state-changed:focused')

    def on_focus(self, event):
        if not event.detail1:
            return
        try:
            source = event.source
            self.events.append((key(source), source.getRoleName(), source.name or '', source.getState()))
            self.sources[key(source)] = source
        except Exception as error:  # gone already
            self.events.append((None, 'gone', str(error), None))

    def pump(self):
        while self.context.iteration(False):
            pass

    def clear(self):
        self.pump()
        self.events = []

    def settled(self, run, what):
        """Waits for the first event, then until none has come for a moment; answers them all."""
        self.pump()
        run.wait_for(what, lambda: self.pump() or self.events, 10)
        count = -1
        while count != len(self.events):
            count = len(self.events)
            end = time.monotonic() + 0.5
            while time.monotonic() < end:
                self.pump()
                time.sleep(POLL_SECONDS)
        return self.events


def press_keys(keys):
    subprocess.run(['xdotool', 'key', '--clearmodifiers', keys], check=True)


def choose_page(run, pyatspi, page_list, titles, title):
    row = page_list.getChildAtIndex(titles.index(title))
    action, press = action_index(row, 'press')
    do_action(action, press)
    run.wait_for('%s selected' % title, lambda: page_list.getChildAtIndex(titles.index(title)).getState().contains(pyatspi.STATE_SELECTED), 10)


def find(run, root, roles, what, extra=lambda node, states: True):
    def probe():
        return next((node for node, _, role, _, _, states in walk(root) if role in roles and extra(node, states)), None)
    return run.wait_for(what, probe, 10)


def take_focus(run, pyatspi, window, target):
    """Asks the element to take the focus; one that has no such action is clicked on its current
    item (or its middle), as a user would."""
    try:
        action, set_focus = action_index(target, 'setfocus')
    except NotImplementedError:
        set_focus = None
    if set_focus is not None:
        do_action(action, set_focus)
    else:
        children = [target.getChildAtIndex(i) for i in range(min(target.childCount, 200))]
        current = next((c for c in children if c is not None and c.getState().contains(pyatspi.STATE_SELECTED)), target)
        box = current.queryComponent().getExtents(0)
        subprocess.run(['xdotool', 'mousemove', str(box.x + box.width // 2), str(box.y + box.height // 2), 'click', '1'], check=True)
    run.wait_for('focus on %s' % describe(target),
                 lambda: any(states.contains(pyatspi.STATE_FOCUSED) and key(node) == key(target)
                             or (states.contains(pyatspi.STATE_FOCUSED) and node.parent is not None and key(node.parent) == key(target))
                             for node, _, _, _, _, states in walk(window)))


def check_arrow(run, pyatspi, events, where, keys, named=True):
    """One key moves the current item: exactly one element gets the focus, named (unless it shows
    nothing) and selected."""
    events.clear()
    press_keys(keys)
    try:
        got = events.settled(run, 'a focus event after %s' % keys)
    except Timeout:
        run.fault(where, '%s gave no focus event' % keys)
        return None
    elements = {k for k, _, _, _ in got}
    last = got[-1]
    if len(elements) != 1:
        run.fault(where, '%s gave focus events for %d elements: %s' % (keys, len(elements), [(r, n) for _, r, n, _ in got]))
    if named and not last[2].strip():
        run.fault(where, '%s: the %s now focused has no name' % (keys, last[1]))
    if last[3] is None or not last[3].contains(pyatspi.STATE_SELECTED):
        run.fault(where, '%s: the %s "%s" now focused is not selected' % (keys, last[1], last[2]))
    return last


def cell_place(cell):
    """A cell's row and column as a reader finds them: its index among its table's children, taken
    to the table's row and column at that index; and the headers the table gives there."""
    table = cell.parent.queryTable()
    index = cell.getIndexInParent()
    row, column = table.getRowAtIndex(index), table.getColumnAtIndex(index)
    column_header, row_header = table.getColumnHeader(column), table.getRowHeader(row)
    return row, column, column_header.name if column_header else None, row_header.name if row_header else None


# The grid from A1, key by key: where the focus must land, by row and column, with its headers,
# and whether the cell is blank (named "blank": a reader says nothing for an empty cell whose new
# header it speaks). Shift+Down
# moves the far end of the range; Left then moves from its anchor, D2.
GRID_MOVES = [('Right', 0, 1, 'B', '1', False), ('Right', 0, 2, 'C', '1', False), ('Right', 0, 3, 'D', '1', False),
              ('Down', 1, 3, 'D', '2', True), ('shift+Down', 2, 3, 'D', '3', True), ('Left', 1, 2, 'C', '2', False)]


def check_grid_places(run, pyatspi, window, page_list, titles, events):
    """Arrowing the table grid from A1, each focused cell is found at its row and column, with
    its headers, named by its text ("blank" for an empty one), and selected."""
    title = 'Table grid'
    try:
        choose_page(run, pyatspi, page_list, titles, title)
        grid = find(run, window, {'table'}, 'the table grid')
        take_focus(run, pyatspi, window, grid)
        first = grid.queryTable().getAccessibleAt(0, 0)
        action, press = action_index(first, 'press')
        do_action(action, press)
        run.wait_for('A1 selected', lambda: grid.queryTable().isSelected(0, 0) and not grid.queryTable().isSelected(2, 1), 10)
    except Timeout as error:
        run.fault(title, 'could not start from A1: %s' % error)
        return
    for keys, row, column, column_name, row_name, blank in GRID_MOVES:
        got = check_arrow(run, pyatspi, events, title, keys)
        if not got:
            return
        focused = events.sources.get(got[0])
        try:
            place = cell_place(focused)
        except Exception as error:
            run.fault(title, '%s: a reader finds no place for the cell: %r' % (keys, error))
            return
        if place != (row, column, column_name, row_name):
            run.fault(title, '%s: the cell is found at row %s, column %s, headed %s and %s; expected %s' % (
                keys, place[0], place[1], place[2], place[3], (row, column, column_name, row_name)))
        if blank != (focused.name == 'blank'):
            run.fault(title, '%s: the cell at row %d, column %d is named "%s"' % (keys, row, column, focused.name))


def check_keyboard(run, pyatspi, window, page_list, titles):
    events = FocusEvents(pyatspi)
    # Keys go to the window under the pointer while no window manager sets the focus.
    box = window.queryComponent().getExtents(0)
    subprocess.run(['xdotool', 'mousemove', str(box.x + box.width // 2), str(box.y + 10)], check=True)

    # The page list: Down announces the next page's row.
    choose_page(run, pyatspi, page_list, titles, titles[0])
    take_focus(run, pyatspi, window, page_list)
    got = check_arrow(run, pyatspi, events, 'page list', 'Down')
    if got and got[2] != titles[1]:
        run.fault('page list', 'Down from "%s" announced "%s", not "%s"' % (titles[0], got[2], titles[1]))

    for title, roles, keys in ARROW_CHECKS:
        try:
            choose_page(run, pyatspi, page_list, titles, title)
            container = find(run, window, roles, '%s on %s' % (roles, title))
            take_focus(run, pyatspi, window, container)
            first = check_arrow(run, pyatspi, events, title, keys)
            second = check_arrow(run, pyatspi, events, title, keys)
            if first and second and first[0] == second[0]:
                run.fault(title, '%s twice announced the same %s "%s"' % (keys, first[1], first[2]))
        except Timeout as error:
            run.fault(title, 'keyboard check: %s' % error)

    # The table grid as a table: its size, a cell's text, a pressed cell selected.
    try:
        choose_page(run, pyatspi, page_list, titles, 'Table grid')
        table_element = find(run, window, {'table'}, 'the table grid')
        table = table_element.queryTable()
        if table.nRows < 1 or table.nColumns < 1:
            run.fault('Table grid', 'the table answers %d rows and %d columns' % (table.nRows, table.nColumns))
        else:
            cell = table.getAccessibleAt(1, 1)
            if cell is None or not (cell.name or '').strip():
                run.fault('Table grid', 'cell (1, 1) has no text: %s' % (describe(cell) if cell else None))
            else:
                action, press = action_index(cell, 'press')
                if press is None:
                    run.fault('Table grid', 'cell (1, 1) cannot be pressed')
                else:
                    do_action(action, press)
                    try:
                        run.wait_for('cell (1, 1) selected', lambda: table.isSelected(1, 1), 10)
                    except Timeout:
                        run.fault('Table grid', 'cell (1, 1) pressed but not selected')
    except Timeout as error:
        run.fault('Table grid', 'table check: %s' % error)
    except Exception as error:
        run.fault('Table grid', 'no table interface: %r' % error)

    check_grid_places(run, pyatspi, window, page_list, titles, events)

    # Text areas let the keyboard out.
    for title, editable, exits in TEXT_EXITS:
        for keys in exits:
            try:
                choose_page(run, pyatspi, page_list, titles, title)
                text = find(run, window, {'text'}, 'the %s text area on %s' % ('editable' if editable else 'read-only', title),
                            lambda node, states: states.contains(pyatspi.STATE_MULTI_LINE)
                            and states.contains(pyatspi.STATE_EDITABLE) == editable)
                take_focus(run, pyatspi, window, text)
                press_keys(keys)

                def left():
                    focused = [node for node, _, _, _, _, states in walk(window) if states.contains(pyatspi.STATE_FOCUSED)]
                    return focused and all(key(node) != key(text) for node in focused)
                run.wait_for('%s to leave the text' % keys, left, 10)
            except Timeout as error:
                run.fault(title, '%s does not leave the text area: %s' % (keys, error))


# The sweep: each method of each interface, called on one element of each role per page as any
# process of the session may: with arguments no client should send (a stale cell, an offset past
# the end, a count from another element), with missing, extra and wrong-typed arguments, and the
# methods of interfaces the element does not have. Each must answer, an error or an answer, and the
# gallery must answer the next request at once.
SWEEP_PER_ROLE = 1      # elements of each role per page
SWEEP_CHILDREN = 60     # children looked at per element while sampling
SWEEP_DEPTH = 12
SWEEP_SKIPPED_INTERFACES = {'org.a11y.atspi.Application', 'org.a11y.atspi.Collection', 'org.a11y.atspi.Cache'}
INT_MIN, INT_MAX, UINT_MAX = -2**31, 2**31 - 1, 2**32 - 1
# Each case gives every integer argument one value; two-integer methods also get one of them in
# range and the other not (and the word at the start: boundary 1 is a word's start). A single index
# is never in range: a valid one would press or select.
SWEEP_CASES = [-1, 600, INT_MAX, INT_MIN]
SWEEP_MIXED = [(0, 600), (600, 0), (2, 2), (0, INT_MIN), (0, INT_MAX), (0, 1)]
# Methods Qt 6.4 never answers whatever the element says (it cannot marshal the reply): each call
# would only wait for the client's time-out.
QT_UNANSWERED = {('org.a11y.atspi.Text', 'GetBoundedRanges')}
# Methods without arguments that act: the sweep asks questions, it does not move the focus (on a
# page list row that would choose another page).
SWEEP_LEFT_OUT = QT_UNANSWERED | {('org.a11y.atspi.Component', 'GrabFocus')}
# The coordinate type "window": Qt finds the element's window for it.
WINDOW_COORDS = 1
# Asked of the elements of the page before, no longer shown (their window is gone), and of a path
# that names nothing.
STALE_CALLS = [
    ('org.a11y.atspi.Text', 'GetOffsetAtPoint', 'iiu', [0, 0, WINDOW_COORDS]),
    ('org.a11y.atspi.Text', 'GetRangeExtents', 'iiu', [0, INT_MAX, WINDOW_COORDS]),
    ('org.a11y.atspi.Text', 'GetCharacterExtents', 'iu', [0, WINDOW_COORDS]),
    ('org.a11y.atspi.Component', 'GetExtents', 'u', [WINDOW_COORDS]),
    ('org.a11y.atspi.Component', 'Contains', 'iiu', [0, 0, WINDOW_COORDS]),
    ('org.a11y.atspi.Component', 'GetAccessibleAtPoint', 'iiu', [0, 0, WINDOW_COORDS]),
    ('org.a11y.atspi.Accessible', 'GetChildAtIndex', 'i', [0]),
    ('org.a11y.atspi.Accessible', 'GetChildAtIndex', '', []),
]
ABSENT_PATH = '/org/a11y/atspi/accessible/1'
SAMPLE_VALUE = {'i': 0, 'u': 0, 'x': 0, 'n': 0, 'q': 0, 's': 'x', 'b': False, 'd': 0.0}


def malformed(types):
    """Argument lists of the wrong shape for a method reading `types`: none, one too few, one
    extra, every one of another type."""
    out = []
    values = [SAMPLE_VALUE[t] for t in types]
    if types:
        out.append(('', []))
    if len(types) >= 2:
        out.append((''.join(types[:-1]), values[:-1]))
    out.append((''.join(types) + 'i', values + [0]))
    if types:
        other = 'i' if all(t == 's' for t in types) else 's'
        out.append((other * len(types), [SAMPLE_VALUE[other]] * len(types)))
    return out


class Sweep:
    def __init__(self, run, gallery, app):
        from gi.repository import Gio, GLib
        self.Gio, self.GLib = Gio, GLib
        self.run = run
        self.gallery = gallery
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync('org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus', 'GetAddress', None,
                                    GLib.VariantType('(s)'), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
        self.bus = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        self.name = app.app.bus_name
        self.calls = 0
        self.elements = 0
        self.interfaces = {}
        # Every interface met, with its methods and readable properties: each element is asked all.
        self.known = {}
        self.swept = set()
        self.asked = {}
        self.last = None

    def introspect(self, path):
        import xml.etree.ElementTree as ElementTree
        xml = self.bus.call_sync(self.name, path, 'org.freedesktop.DBus.Introspectable', 'Introspect', None,
                                 self.GLib.VariantType('(s)'), self.Gio.DBusCallFlags.NONE, 10000, None).unpack()[0]
        out = []
        for interface in ElementTree.fromstring(xml).iter('interface'):
            name = interface.get('name')
            if not name.startswith('org.a11y.atspi.') or name in SWEEP_SKIPPED_INTERFACES:
                continue
            methods = [(m.get('name'), [a.get('type') for a in m.iter('arg') if a.get('direction', 'in') == 'in'])
                       for m in interface.iter('method')]
            properties = [p.get('name') for p in interface.iter('property') if 'read' in (p.get('access') or '')]
            out.append((name, methods, properties))
            self.known.setdefault(name, (methods, properties))
        return out

    def argument_sets(self, interface, method, types):
        ints = [i for i, t in enumerate(types) if t in ('i', 'u', 'x', 'n', 'q')]
        if any(t not in SAMPLE_VALUE for t in types):
            return []
        cases = [[v] * len(ints) for v in SWEEP_CASES]
        if len(ints) >= 2:
            cases += [[a] + [b] * (len(ints) - 1) for a, b in SWEEP_MIXED]
        if not ints:
            cases = [[]]
        sets = []
        for case in cases:
            values = []
            for i, t in enumerate(types):
                if i in ints:
                    v = case[ints.index(i)]
                    if t == 'u':
                        v = v % (UINT_MAX + 1)
                    values.append(v)
                elif t == 'd':
                    values.append(-1e308 if case and case[0] < 0 else 1e308)
                else:
                    values.append(SAMPLE_VALUE[t])
            sets.append(values)
        return sets

    def ask(self, path, interface, method, signature, values, reply=None):
        """The reply's values, or None for an error reply; raises when no reply came."""
        self.calls += 1
        try:
            answer = self.bus.call_sync(self.name, path, interface, method,
                                        self.GLib.Variant('(%s)' % signature, tuple(values)) if signature else None,
                                        self.GLib.VariantType(reply) if reply else None, self.Gio.DBusCallFlags.NONE, 10000, None)
        except self.GLib.Error as error:
            if self.Gio.io_error_quark() == error.domain and error.code == self.Gio.IOErrorEnum.TIMED_OUT:
                raise
            if 'NoReply' in str(error) or 'Disconnected' in str(error) or 'ServiceUnknown' in str(error):
                raise
            return None
        return answer.unpack() if answer is not None else ()

    def call(self, page, role, path, interface, method, signature, values):
        self.last = '%s: %s %s.%s(%s: %s) on %s' % (page, role, interface.rsplit('.', 1)[-1], method, signature, ', '.join(map(str, values)), path)
        try:
            self.ask(path, interface, method, signature, values)
        except Exception:  # no reply at all: the gallery stopped or ended
            return self.alive()
        return True

    def alive(self):
        if self.gallery.poll() is not None:
            return False
        try:
            self.bus.call_sync(self.name, '/org/a11y/atspi/accessible/root', 'org.freedesktop.DBus.Properties', 'Get',
                               self.GLib.Variant('(ss)', ('org.a11y.atspi.Accessible', 'ChildCount')),
                               None, self.Gio.DBusCallFlags.NONE, 10000, None)
            return True
        except Exception:
            return False

    def calls_for(self, own, among):
        """(interface, method, signature, values) for an element with the interfaces `own`, of the
        interfaces `among`: its own with odd numbers and the wrong shapes, every other once
        well-formed and once without arguments, and the properties' Get, GetAll and Set without
        their arguments."""
        props = 'org.freedesktop.DBus.Properties'
        out = [(props, m, '', []) for m in ('Get', 'GetAll', 'Set')]
        for interface, (methods, properties) in sorted(self.known.items()):
            if interface not in among:
                continue
            for prop in properties:
                out.append((props, 'Get', 'ss', [interface, prop]))
            for method, types in methods:
                if (interface, method) in SWEEP_LEFT_OUT or any(t not in SAMPLE_VALUE for t in types):
                    continue
                signature = ''.join(types)
                if interface in own:
                    out += [(interface, method, signature, values) for values in self.argument_sets(interface, method, types)]
                    out += [(interface, method, sig, values) for sig, values in malformed(types)]
                else:
                    # An end below the start, as a client's stale range is.
                    ints = [0] + [-1000] * len(types)
                    values = [ints.pop(0) if t in ('i', 'u', 'x', 'n', 'q') else SAMPLE_VALUE[t] for t in types]
                    values = [v % (UINT_MAX + 1) if t == 'u' else v for v, t in zip(values, types)]
                    out.append((interface, method, signature, values))
                    if types:
                        out.append((interface, method, '', []))
        return out

    def element(self, page, role, node):
        path = node.path
        try:
            interfaces = self.introspect(path)
        except Exception as error:
            interfaces, gone = [], error
        else:
            gone = 'no interface of its own' if not interfaces else None
        if gone:
            print('sweep: %s %s gone before it was asked (%s)' % (page, role, gone), flush=True)
            return self.alive()
        self.elements += 1
        if os.environ.get('SWEEP_VERBOSE'):
            print('sweep: %s %s %s %s' % (page, role, path, [i[0].rsplit('.', 1)[-1] for i in interfaces]), flush=True)
        for interface, _, _ in interfaces:
            self.interfaces[interface] = self.interfaces.get(interface, 0) + 1
        own = {name for name, _, _ in interfaces}
        if 'org.a11y.atspi.Value' in own and not self.check_value(page, role, path):
            return False
        if 'org.a11y.atspi.EditableText' in own and not self.check_editing(page, role, path):
            return False
        self.asked[path] = (page, role, own, set(self.known))
        for interface, method, signature, values in self.calls_for(own, set(self.known)):
            if not self.call(page, role, path, interface, method, signature, values):
                return False
        return self.alive()

    def late(self):
        """The interfaces first met after an element was asked, asked of it now (off its page)."""
        for path, (page, role, own, among) in self.asked.items():
            for call in self.calls_for(own, set(self.known) - among)[3:]:
                if not self.call(page, role + ' (late)', path, *call):
                    return False
        return True

    def check_value(self, page, role, path):
        """A value set through the method is the value asked for (or, read-only, the one before)."""
        value = 'org.a11y.atspi.Value'
        try:
            def get(prop):
                return self.ask(path, 'org.freedesktop.DBus.Properties', 'Get', 'ss', [value, prop], '(v)')[0]
            before, low, high = get('CurrentValue'), get('MinimumValue'), get('MaximumValue')
            choices = [v for v in (high, low + get('MinimumIncrement'), low) if v != 0]
            # From a value that is not 0 (set as the property, which Qt reads right), so a value
            # read as 0 shows.
            if choices:
                self.ask(path, 'org.freedesktop.DBus.Properties', 'Set', 'ssv', [value, 'CurrentValue', self.GLib.Variant('d', choices[0])])
            start = get('CurrentValue')
            wanted = next((v for v in choices if v != start), None)
            if wanted is not None:
                self.last = '%s: %s Value.SetCurrentValue(%s) on %s' % (page, role, wanted, path)
                self.ask(path, value, 'SetCurrentValue', 'd', [wanted])
                now = get('CurrentValue')
                if now not in (wanted, start):
                    self.run.fault(page, '%s asked for %s through SetCurrentValue reads %s (was %s)' % (role, wanted, now, start))
            self.ask(path, 'org.freedesktop.DBus.Properties', 'Set', 'ssv', [value, 'CurrentValue', self.GLib.Variant('d', before)])
        except Exception as error:
            print('sweep: %s %s value: %s' % (page, role, error), flush=True)
            return self.alive()
        return True

    def check_editing(self, page, role, path):
        """The word at the start of a text that starts with no word, and an insert whose length
        says more than its text, into an empty field."""
        text, editable = 'org.a11y.atspi.Text', 'org.a11y.atspi.EditableText'
        try:
            before = self.ask(path, text, 'GetText', 'ii', [0, -1], '(s)')[0]
            for contents in ['(x) y', ' x', '-1']:
                self.last = '%s: %s word at 0 of "%s" on %s' % (page, role, contents, path)
                if self.ask(path, editable, 'SetTextContents', 's', [contents]) is None:
                    continue
                self.ask(path, text, 'GetTextAtOffset', 'iu', [0, 1])
            self.last = '%s: %s InsertText(0, "x", %d) into an empty field on %s' % (page, role, INT_MAX, path)
            if self.ask(path, editable, 'SetTextContents', 's', ['']) is not None:
                # A field may keep a text of its own and show more than its value (a cell of the
                # outline): the insert is one character, not a text of 2^31.
                empty = self.ask(path, text, 'GetText', 'ii', [0, -1], '(s)')[0]
                self.ask(path, editable, 'InsertText', 'isi', [0, 'x', INT_MAX])
                now = self.ask(path, text, 'GetText', 'ii', [0, -1], '(s)')
                if now is not None and len(now[0]) > 1000:
                    self.run.fault(page, '%s: "x" inserted with a length of %d into %r reads %r' % (role, INT_MAX, empty, now[0][:40]))
            self.ask(path, editable, 'SetTextContents', 's', [before])
        except Exception as error:
            print('sweep: %s %s editing: %s' % (page, role, error), flush=True)
            return self.alive()
        return True

    def stale(self, page, paths):
        """The calls that need a window, to elements no longer shown and to a path of nothing."""
        for path in list(paths) + [ABSENT_PATH]:
            for interface, method, signature, values in STALE_CALLS:
                if not self.call(page, 'stale element', path, interface, method, signature, values):
                    return False
        return True

    def sample(self, window):
        """One element of each role under window not swept before (the window and the page list
        come once), the last met."""
        by_role = {}

        def visit(node, depth):
            if node is None or depth > SWEEP_DEPTH:
                return
            role = node.getRoleName()
            found = by_role.setdefault(role, [])
            if node.path in self.swept:
                pass
            elif len(found) < SWEEP_PER_ROLE:
                found.append(node)
            else:
                found[-1] = node
            count = node.childCount
            for i in list(range(min(count, SWEEP_CHILDREN))) + ([count - 1] if count > SWEEP_CHILDREN else []):
                visit(node.getChildAtIndex(i), depth + 1)

        visit(window, 0)
        for nodes in by_role.values():
            self.swept.update(n.path for n in nodes)
        return by_role


def sweep_pages(run, pyatspi, gallery, app, window, page_list, titles):
    sweep = Sweep(run, gallery, app)
    start = time.monotonic()
    sweep.introspect(window.path)
    shown = []
    for title in titles:
        if run.left() <= 0:
            run.fault(title, 'the sweep did not reach it within %d s' % RUN_SECONDS)
            return
        try:
            choose_page(run, pyatspi, page_list, titles, title)
            settle(run, window)
            by_role = sweep.sample(window)
        except Timeout as error:
            run.fault(title, 'sweep: %s' % error)
            continue
        if not sweep.stale(title, shown):
            run.fault(title, 'the gallery %s after %s' % (
                'exited with %s' % gallery.returncode if gallery.poll() is not None else 'stopped answering', sweep.last))
            return
        shown = []
        for nodes in by_role.values():
            for node in nodes:
                try:
                    sweep.introspect(node.path)
                except Exception:  # gone: element() says so
                    pass
        for role, nodes in sorted(by_role.items()):
            for node in nodes:
                shown.append(node.path)
                if not sweep.element(title, role, node):
                    run.fault(title, 'the gallery %s after %s' % (
                        'exited with %s' % gallery.returncode if gallery.poll() is not None else 'stopped answering', sweep.last))
                    return
    if not sweep.late():
        run.fault('sweep', 'the gallery %s after %s' % (
            'exited with %s' % gallery.returncode if gallery.poll() is not None else 'stopped answering', sweep.last))
        return
    print('sweep: %d calls on %d elements (%s) in %d s' % (
        sweep.calls, sweep.elements, ', '.join('%s %d' % (k.rsplit('.', 1)[-1], v) for k, v in sorted(sweep.interfaces.items())),
        time.monotonic() - start), flush=True)


# ctest's skip code (SKIP_RETURN_CODE in gallery/CMakeLists.txt).
SKIPPED = 77


def missing_tools():
    missing = []
    if not shutil.which('xdotool'):
        missing.append('xdotool')
    if not any(os.access(p, os.X_OK) for p in BUS_LAUNCHERS):
        missing.append('the accessibility bus launcher (%s)' % ' or '.join(BUS_LAUNCHERS))
    if importlib.util.find_spec('pyatspi') is None:
        missing.append('pyatspi for %s' % sys.executable)
    return missing


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: gallery_accessibility_test.py GALLERY_BINARY')
    gallery_binary = sys.argv[1]
    missing = missing_tools()
    if missing:
        # CI installs them all: there a missing one is a fault, never a pass.
        if os.environ.get('CI'):
            print('FAULT: CI is set and this machine lacks %s' % ', '.join(missing), flush=True)
            sys.exit(1)
        print('skipped: this machine lacks %s' % ', '.join(missing), flush=True)
        sys.exit(SKIPPED)
    run = Run()
    # A crash of an earlier run left its report here: offered at launch, its dialog would take the focus.
    if os.environ.get('XDG_STATE_HOME'):
        shutil.rmtree(os.path.join(os.environ['XDG_STATE_HOME'], 'gallery', 'CrashReports'), ignore_errors=True)
    launcher_path = next(p for p in BUS_LAUNCHERS if os.access(p, os.X_OK))
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
        if gallery.poll() is None:
            check_keyboard(run, pyatspi, window, page_list, titles)
        if gallery.poll() is None:
            sweep_pages(run, pyatspi, gallery, app, window, page_list, titles)
        if gallery.poll() is not None and not any('exited' in f for f in run.faults):
            run.fault('gallery', 'exited with %s' % gallery.returncode)
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
