"""What a screen reader finds in the filter panel, read through the AT-SPI tree.

Starts the window given on the command line (ravelin_atspi_window) with Qt's
accessibility bridge on, waits until it says it is ready, and checks that
- the response plots and the two waveforms are charts with names, and their
  descriptions tell what the picture shows (not merely how to use it);
- the play buttons are named for what they play;
- every combo box of the panel is labelled by a label that says what it chooses,
  since on this platform a combo box's own name is its current item;
- every number field of the panel has a name or a label.

Run under dbus-run-session and an X server (tests/gui/atspi-check does both).
Exit status 0 when every check holds, 1 when one fails, 2 when the window did not
come up.
"""

import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT_S = 20


def fail(message):
    print("FAIL:", message)
    return 1


def start(window):
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    proc = subprocess.Popen([window], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True)
    line = proc.stdout.readline()
    if line.strip() != "ready":
        proc.kill()
        proc.wait()
        return None
    return proc


def application_of(pid):
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.2)
    return None


def walk(node, depth=0):
    """Every accessible under node, node first."""
    yield node
    if depth > 40:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def labels_of(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                names.append((relation.getTarget(i).name or "").strip())
    return [n for n in names if n]


def inside_panel(node):
    """Whether node lies in the filter panel (the dock), not the menus or the diagram."""
    while node is not None:
        if node.getRole() == pyatspi.ROLE_PAGE_TAB_LIST or (node.name or "") == "フィルタ特性":
            return True
        node = node.parent
    return False


def check(app):
    failures = 0
    nodes = list(walk(app))
    charts = {}
    for node in nodes:
        if node.getRole() == pyatspi.ROLE_CHART:
            charts.setdefault(node.name or "", []).append(node)

    # The plots: the panel's and the designer's response, both named.
    plots = charts.get("フィルタの応答", [])
    if len(plots) != 2:
        failures += fail(f"expected the two response plots as charts, found {sorted(charts)}")
    for plot in plots:
        text = plot.description or ""
        if "タップ" not in text or "dB" not in text:
            failures += fail(f"the response plot's description does not say what it shows: {text!r}")
        if not plot.getState().contains(pyatspi.STATE_FOCUSABLE):
            failures += fail("the response plot cannot take the focus")

    # The waveforms: named for their signal, their descriptions the length, the extremes
    # and, on the output, the clipped samples.
    for name, needed in (("入力の波形", ["入力", "長さ", "最大"]),
                         ("出力の波形", ["出力", "長さ", "最大", "クリップ", "最初は"])):
        views = charts.get(name, [])
        if len(views) != 1:
            failures += fail(f"no chart named {name!r}; charts: {sorted(charts)}")
            continue
        text = views[0].description or ""
        missing = [word for word in needed if word not in text]
        if missing:
            failures += fail(f"{name}: the description lacks {missing}: {text!r}")
        if not views[0].getState().contains(pyatspi.STATE_FOCUSABLE):
            failures += fail(f"{name} cannot take the focus")

    # The play buttons: one for each signal, none named only "再生".
    buttons = [n.name or "" for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    for name in ("入力を再生", "出力を再生"):
        if buttons.count(name) != 1:
            failures += fail(f"expected one button named {name!r}, found {buttons.count(name)}")
    if "再生" in buttons:
        failures += fail("a button is named only 再生")

    # The panel's combo boxes: each labelled by what it chooses.
    combos = [n for n in nodes if n.getRole() == pyatspi.ROLE_COMBO_BOX and inside_panel(n)]
    if len(combos) < 5:
        failures += fail(f"expected the panel's combo boxes, found {len(combos)}")
    for combo in combos:
        labels = labels_of(combo)
        if not labels:
            failures += fail(f"the combo box showing {combo.name!r} has no label")
        elif any(label == combo.name for label in labels):
            failures += fail(f"the combo box showing {combo.name!r} is labelled by its item")

    # The panel's number fields: each named or labelled.
    for spin in (n for n in nodes if n.getRole() == pyatspi.ROLE_SPIN_BUTTON and inside_panel(n)):
        if not (spin.name or "").strip() and not labels_of(spin):
            failures += fail(f"number field {spin.getIndexInParent()} of "
                             f"{spin.parent.name or spin.parent.getRoleName()!r} "
                             "has neither a name nor a label")

    print(f"checked {len(nodes)} accessibles: {len(charts)} chart names, "
          f"{len(combos)} combo boxes")
    return failures


def main():
    proc = start(sys.argv[1])
    if proc is None:
        print("FAIL: the window did not come up")
        return 2
    try:
        app = application_of(proc.pid)
        if app is None:
            print("FAIL: the window is not in the accessibility tree")
            return 2
        return 1 if check(app) else 0
    finally:
        proc.stdin.close()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


if __name__ == "__main__":
    sys.exit(main())
