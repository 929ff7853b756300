#!/usr/bin/python3
# The running program as a screen reader finds it, read through AT-SPI with pyatspi as Orca reads it
# (Debian's Python has pyatspi). "lines": the panel's status bar, a label a line: its place in the window,
# its name and its text. "controls": each control's role, name and description. "listen FILE": each
# announcement, a JSON string a line, appended to FILE; FILE.ready once listening.
import json
import sys

import pyatspi

CONTROL_ROLES = {'table', 'combo box', 'push button'}


def program():
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name == 'org.varnel.Varnel':
            return application
    sys.exit('the program is not on the accessibility bus')


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def print_lines():
    for bar in descendants(program()):
        if bar.getRoleName() == 'status bar':
            for label in bar:
                x, y = label.queryComponent().getPosition(pyatspi.WINDOW_COORDS)
                text = label.queryText().getText(0, -1)
                print(f'{x},{y}\t{json.dumps(label.name)} {json.dumps(text)}')


def print_controls():
    for control in descendants(program()):
        if control.getRoleName() in CONTROL_ROLES:
            print(f'{control.getRoleName()}\t{control.name}\t{control.description}')


def listen(path):
    def note(event):
        with open(path, 'a') as out:
            out.write(json.dumps(event.any_data) + '\n')

    pyatspi.Registry.registerEventListener(note, 'object:announcement')
    open(path + '.ready', 'w').close()
    pyatspi.Registry.start()


if __name__ == '__main__':
    {'lines': print_lines, 'controls': print_controls}.get(sys.argv[1], lambda: listen(sys.argv[2]))()
