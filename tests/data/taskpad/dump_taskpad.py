#!/usr/bin/env python3
"""Prints the tasks of a task pad file as python's plistlib reads it: a second reader beside the
program's own, for the tests. One line per task in outline order:

    <level>|<name>|done=<0/1>|note=<0/1>|days=<text or ->|due=<seconds since 2001>|<note text>|<runs>

with each run of the note as <length>:<font name>/<size>/<r,g,b,a>/<underline>. Exits 1 with a message
when the file is not a task pad.
"""
import plistlib
import sys


def main(path):
    with open(path, 'rb') as f:
        archive = plistlib.load(f)
    if archive.get('$archiver') != 'NSKeyedArchiver':
        sys.exit('not a keyed archive')
    objects = archive['$objects']

    def obj(ref):
        return None if ref.data == 0 else objects[ref.data]

    def text(ref):
        o = obj(ref)
        if o is None or isinstance(o, str):
            return o
        return o['NS.string']

    def classname(o):
        return objects[o['$class'].data]['$classname']

    def varints(data):
        out, value, shift = [], 0, 0
        for b in data:
            value |= (b & 0x7F) << shift
            if b & 0x80:
                shift += 7
            else:
                out.append(value)
                value, shift = 0, 0
        return list(zip(out[0::2], out[1::2]))

    def style(d):
        font, color, underline = '-', '-', 0
        for k, v in zip(d['NS.keys'], d['NS.objects']):
            key, value = text(k), obj(v)
            if key == 'NSFont':
                font = '%s/%g' % (text(value['NSName']), value['NSSize'])
            elif key == 'NSColor':
                color = ','.join(value['NSRGB'].rstrip(b'\0').decode().split(' '))
            elif key == 'NSUnderline':
                underline = value
        return '%s/%s/%d' % (font, color, underline)

    def note(ref):
        n = obj(ref)
        if n is None:
            return '-', ''
        string = text(n['NSString'])
        attributes = obj(n['NSAttributes'])
        if 'NSAttributeInfo' in n:
            dicts = [obj(r) for r in attributes['NS.objects']]
            info = obj(n['NSAttributeInfo'])
            runs = varints(info['NS.data'] if isinstance(info, dict) else info)
        else:
            dicts, runs = [attributes], [(len(string.encode('utf-16-le')) // 2, 0)]
        return string, ' '.join('%d:%s' % (length, style(dicts[i])) for length, i in runs)

    def walk(list_ref, level):
        for ref in obj(list_ref)['NS.objects']:
            item = obj(ref)
            if classname(item) != 'ListItem':
                sys.exit('not a task')
            string, runs = note(item['notes'])
            days = text(item['daysToComplete'])
            due = obj(item['completionDate'])['NS.time']
            print('%d|%s|done=%d|note=%d|days=%s|due=%r|%s|%s' % (
                level, item['name'] if isinstance(item['name'], str) else text(item['name']),
                item['taskIsDone'], item['hasNote'], days if days is not None else '-', due,
                string.replace('\n', '\\n'), runs))
            walk(item['children'], level + 1)

    walk(archive['$top']['root'], 1)


if __name__ == '__main__':
    main(sys.argv[1])
