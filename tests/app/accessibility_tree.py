#!/usr/bin/python3
"""Walks the accessibility tree of the running program through AT-SPI and checks that a screen
reader finds every box, list and button of the main window under the name of its heading.

Usage: accessibility_tree.py PID
Exits 0 when every control is found, 1 (listing what is missing and the tree) otherwise.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

Timeout = 60.0

TextRoles = {Atspi.Role.TEXT, Atspi.Role.ENTRY}
ListRoles = {Atspi.Role.LIST, Atspi.Role.LIST_BOX}


class Node:
    def __init__(self, role, name, labels):
        self.role = role
        self.name = name
        self.labels = labels  # names of the objects this one is labelled by

    def __str__(self):
        labelled = f" labelled by {self.labels}" if self.labels else ""
        return f"{Atspi.Role(self.role).value_nick} {self.name!r}{labelled}"


def nodes_of(accessible, depth=0, out=None):
    """Every object below `accessible`, each with its depth, depth first."""
    if out is None:
        out = []
    labels = []
    for relation in accessible.get_relation_set() or []:
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            labels += [relation.get_target(i).get_name()
                       for i in range(relation.get_n_targets())]
    out.append((depth, Node(accessible.get_role(), accessible.get_name(), labels)))
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is not None:
            nodes_of(child, depth + 1, out)
    return out


def find_application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


# What must be there: a description, the roles, and the names or headings that identify it.
Expected = [
    ("the prefix box", TextRoles, {"改名後のファイル名の頭"}),
    ("the start-number box", TextRoles, {"Start No:"}),
    ("the target list", ListRoles, {"作業対象ファイル名"}),
    ("the new-name list", ListRoles, {"改名後ファイル名"}),
    ("the rename button", {Atspi.Role.PUSH_BUTTON}, {"改  名"}),
    # An editable combo box is named by its text; its heading is a labelled-by relation.
    ("the file type box", {Atspi.Role.COMBO_BOX}, {"改名ファイルタイプ"}),
    ("the status line", {Atspi.Role.LABEL},
     {"指定ディレクトリ・同一拡張子のファイルを連続改名します "}),
]


def missing_in(nodes):
    missing = []
    for what, roles, names in Expected:
        if not any(n.role in roles and (n.name in names or names & set(n.labels))
                   for _, n in nodes):
            missing.append(f"{what}: a {'/'.join(Atspi.Role(r).value_nick for r in roles)}"
                           f" named or labelled {sorted(names)}")
    return missing


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + Timeout
    app, nodes, missing = None, [], ["the application"]
    # The program registers with the registry and builds its window a moment after it starts.
    while time.monotonic() < deadline:
        try:
            app = find_application(pid)
            if app is not None:
                nodes = nodes_of(app)
                missing = missing_in(nodes)
                if not missing:
                    break
        except gi.repository.GLib.Error as error:
            missing = [f"reading the tree failed: {error.message}"]
        time.sleep(0.5)

    if app is None:
        print(f"FAIL: no application with process id {pid} on the accessibility bus")
        return 1
    if app.get_name() != "kelvaro":
        missing.append(f"the application is named {app.get_name()!r}, not 'kelvaro'")
    if missing:
        print("FAIL: not found in the accessibility tree of 'kelvaro':")
        for line in missing:
            print("  " + line)
        print("--- the tree:")
        for depth, node in nodes:
            print("  " * depth + str(node))
        return 1
    for what, _, names in Expected:
        print(f"found {what} ({sorted(names)[0]!r})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
