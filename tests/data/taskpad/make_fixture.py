#!/usr/bin/env python3
"""Writes handmade.tp: a task pad built with python's plistlib, a second writer beside the program's
own, in the shape the platform's archiver gives a list of ListItem objects. Run it from this folder:

    python3 make_fixture.py

The file is committed; the test reads it and checks every value listed at the end of this script.
"""
import plistlib
from plistlib import UID

objects = ['$null']


def add(obj):
    objects.append(obj)
    return UID(len(objects) - 1)


def reserve():
    objects.append(None)
    return len(objects) - 1


cls_item = add({'$classname': 'ListItem', '$classes': ['ListItem', 'NSObject']})
cls_array = add({'$classname': 'NSMutableArray', '$classes': ['NSMutableArray', 'NSArray', 'NSObject']})
cls_date = add({'$classname': 'NSDate', '$classes': ['NSDate', 'NSObject']})
cls_string = add({'$classname': 'NSMutableString', '$classes': ['NSMutableString', 'NSString', 'NSObject']})
cls_astring = add({'$classname': 'NSAttributedString', '$classes': ['NSAttributedString', 'NSObject']})
cls_dict = add({'$classname': 'NSDictionary', '$classes': ['NSDictionary', 'NSObject']})
cls_data = add({'$classname': 'NSData', '$classes': ['NSData', 'NSObject']})
cls_font = add({'$classname': 'NSFont', '$classes': ['NSFont', 'NSObject']})
cls_color = add({'$classname': 'NSColor', '$classes': ['NSColor', 'NSObject']})


def date(seconds_since_2001):
    return add({'NS.time': float(seconds_since_2001), '$class': cls_date})


def array(refs):
    return add({'NS.objects': list(refs), '$class': cls_array})


def item(name, children=(), done=False, has_note=False, days=None, due=-978307200.0, notes=UID(0)):
    return add({
        'name': add(name) if isinstance(name, str) else name,
        'notes': notes,
        'children': array(children),
        'taskIsDone': done,
        'hasNote': has_note,
        'daysToComplete': add(days) if days is not None else UID(0),
        'completionDate': date(due),
        '$class': cls_item,
    })


def styles(pairs):
    return add({'NS.keys': [add(k) for k, _ in pairs], 'NS.objects': [v for _, v in pairs], '$class': cls_dict})


bold = add({'NSName': add('Helvetica-Bold'), 'NSSize': 13.0, 'NSfFlags': 16, '$class': cls_font})
red = add({'NSColorSpace': 1, 'NSRGB': b'1 0 0\x00', '$class': cls_color})
note = add({
    'NSString': add({'NS.string': 'Buy milk\nand bread', '$class': cls_string}),
    'NSAttributes': array([styles([('NSFont', bold), ('NSColor', red)]), styles([('NSUnderline', add(1))])]),
    # runs: 8 characters in style 0, then 10 in style 1
    'NSAttributeInfo': add({'NS.data': bytes([8, 0, 10, 1]), '$class': cls_data}),
    '$class': cls_astring,
})

sub_sub = item('        Deepest')
sub = item('    Sub-task', children=[sub_sub])
first = item('Errands', children=[sub], done=True, has_note=True, days='3', due=800000000.0, notes=note)
second = item(add({'NS.string': 'Wäsche 🧺', '$class': cls_string}))

root = array([first, second])
archive = {'$version': 100000, '$archiver': 'NSKeyedArchiver', '$top': {'root': root}, '$objects': objects}
with open('handmade.tp', 'wb') as f:
    plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY, sort_keys=False)

# Expected on reading handmade.tp:
#   "Errands": done, has a note, stored days "3", due 800000000.0 s after 2001-01-01 UTC, one sub-task;
#   "    Sub-task": not done (a done parent read from a file does not mark its sub-tasks), one sub-task
#   "        Deepest"; "Wäsche 🧺" (a name stored as an NSMutableString), no due date.
#   The note: "Buy milk\nand bread"; "Buy milk" in Helvetica-Bold 13 red, "\nand bread" underlined.
