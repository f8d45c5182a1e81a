# The defaults system of the simulated Mac: one property-list file per domain,
# read and written with python3's plistlib. The bash stand-in /usr/bin/defaults
# logs the call, finds the domain's file and holds the lock; this does the rest.
#
#   python3 defaults.py VERB FILE DOMAIN [ARGS...]
#
# VERB is read, read-type, write, delete or domains; FILE the domain's host
# path (for domains: the Preferences folder); DOMAIN the name the user gave, as
# messages show it. A file that is XML stays XML; a new one is binary, as
# cfprefsd writes it.
import datetime
import os
import plistlib
import re
import sys
import time

USAGE = """Command line interface to a user's defaults.
Syntax:

'defaults' [-currentHost | -host <hostname>] followed by one of the following:

  read                                 shows all defaults
  read <domain>                        shows defaults for given domain
  read <domain> <key>                  shows defaults for given domain, key

  read-type <domain> <key>             shows the type for the given domain, key

  write <domain> <domain_rep>          writes domain (overwrites existing)
  write <domain> <key> <value>         writes key for domain

  delete <domain>                      deletes domain
  delete <domain> <key>                deletes the key in domain

  domains                              lists all domains

<value> is one of:
  <value_rep>
  -string <string_value>
  -data <hex_digits>
  -int[eger] <integer_value>
  -float  <floating-point_value>
  -bool[ean] (true | false | yes | no)
  -date <date_rep>
  -array <value1> <value2> ...
  -array-add <value1> <value2> ...
  -dict <key1> <value1> <key2> <value2> ...
  -dict-add <key1> <value1> ...
"""


class Fail(Exception):
    pass


def stamp():
    now = time.time()
    text = time.strftime('%Y-%m-%d %H:%M:%S', time.localtime(now))
    pid = os.getppid()
    return '%s.%03d defaults[%d:%d] ' % (text, int(now * 1000) % 1000, pid, (pid * 37) % 900000 + 100000)


def fail(message, same_line=False):
    """The real tool writes a log-style stamp, then the message on its own line
    (a write failure goes on the stamp's line)."""
    if same_line:
        sys.stderr.write(stamp() + message + '\n')
    else:
        sys.stderr.write(stamp() + '\n' + message + '\n')
    raise Fail()


# ---------------------------------------------------------------- files

def load(path):
    """(dictionary, is_xml), or (None, None) when there is no such domain."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError:
        return None, None
    try:
        value = plistlib.loads(data)
    except Exception:
        return None, None
    if not isinstance(value, dict):
        return None, None
    return value, not data.startswith(b'bplist')


def save(path, value, is_xml, domain):
    fmt = plistlib.FMT_XML if is_xml else plistlib.FMT_BINARY
    tmp = '%s.tmp.%d' % (path, os.getpid())
    try:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(tmp, 'wb') as f:
            plistlib.dump(value, f, fmt=fmt, sort_keys=False)
        os.replace(tmp, path)
    except OSError:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        fail('Could not write domain %s; exiting' % domain, same_line=True)


# ---------------------------------------------------------------- printing
# The old-style property-list text of Foundation's description: four blanks a
# level, a nested collection starting on its key's line after its own indent,
# text quoted unless it is letters and digits, other characters escaped.

def quote(s):
    if s and re.fullmatch(r'[A-Za-z0-9]+', s):
        return s
    out = []
    for c in s:
        if c == '"' or c == '\\':
            out.append('\\' + c)
        elif c == '\n':
            out.append('\\n')
        elif c == '\t':
            out.append('\\t')
        elif ord(c) > 126 or ord(c) < 32:
            out.append('\\U%04x' % ord(c) if ord(c) <= 0xffff else c)
        else:
            out.append(c)
    return '"' + ''.join(out) + '"'


def number(v):
    if isinstance(v, float):
        if v == int(v) and abs(v) < 1e16:
            return str(int(v))
        return repr(v)
    return str(v)


def date_text(d):
    if d.tzinfo is None:
        d = d.replace(tzinfo=datetime.timezone.utc)
    return d.astimezone(datetime.timezone.utc).strftime('%Y-%m-%d %H:%M:%S +0000')


def data_text(b):
    if len(b) <= 24:
        return '{length = %d, bytes = 0x%s}' % (len(b), b.hex())
    head = ' '.join(b[i:i + 4].hex() for i in range(0, 16, 4))
    tail = ' '.join(b[i:i + 4].hex() for i in range(len(b) - 8, len(b), 4))
    return '{length = %d, bytes = 0x%s ... %s }' % (len(b), head, tail)


def scalar(v, top):
    """A value that is not a collection; at the top level text is bare."""
    if isinstance(v, bool):
        return '1' if v else '0'
    if isinstance(v, (int, float)):
        return number(v)
    if isinstance(v, datetime.datetime):
        return date_text(v) if top else '"%s"' % date_text(v)
    if isinstance(v, (bytes, bytearray)):
        return data_text(bytes(v))
    return v if top else quote(v)


def describe(v, level, top=False):
    pad = '    ' * level
    inner = '    ' * (level + 1)
    if isinstance(v, dict):
        lines = [pad + '{']
        for k in sorted(v, key=str):
            lines.append('%s%s = %s;' % (inner, quote(str(k)), describe(v[k], level + 1)))
        lines.append(pad + '}')
        return '\n'.join(lines)
    if isinstance(v, list):
        if not v:
            return pad + '(\n' + pad + ')'
        items = [inner + describe(x, level + 1) for x in v]
        return pad + '(\n' + ',\n'.join(items) + '\n' + pad + ')'
    return scalar(v, top)


def kind(v):
    if isinstance(v, bool):
        return 'boolean'
    if isinstance(v, int):
        return 'integer'
    if isinstance(v, float):
        return 'float'
    if isinstance(v, datetime.datetime):
        return 'date'
    if isinstance(v, (bytes, bytearray)):
        return 'data'
    if isinstance(v, list):
        return 'array'
    if isinstance(v, dict):
        return 'dictionary'
    return 'string'


# ---------------------------------------------------------------- values given on the command line

class OldStyle:
    """The old-style property-list text a value may be written in: "(a, b)",
    "{ k = v; }", "<0a0b>", quoted or bare text."""

    def __init__(self, text):
        self.s = text
        self.i = 0

    def skip(self):
        while self.i < len(self.s) and self.s[self.i].isspace():
            self.i += 1

    def value(self):
        self.skip()
        if self.i >= len(self.s):
            raise ValueError('end')
        c = self.s[self.i]
        if c == '(':
            self.i += 1
            out = []
            self.skip()
            if self.s[self.i:self.i + 1] == ')':
                self.i += 1
                return out
            while True:
                out.append(self.value())
                self.skip()
                c = self.s[self.i:self.i + 1]
                self.i += 1
                if c == ')':
                    return out
                if c != ',':
                    raise ValueError('array')
                self.skip()
                if self.s[self.i:self.i + 1] == ')':
                    self.i += 1
                    return out
        if c == '{':
            self.i += 1
            out = {}
            while True:
                self.skip()
                if self.s[self.i:self.i + 1] == '}':
                    self.i += 1
                    return out
                key = self.value()
                self.skip()
                if self.s[self.i:self.i + 1] != '=':
                    raise ValueError('dict')
                self.i += 1
                out[str(key)] = self.value()
                self.skip()
                if self.s[self.i:self.i + 1] != ';':
                    raise ValueError('dict')
                self.i += 1
        if c == '<':
            end = self.s.index('>', self.i)
            digits = re.sub(r'\s', '', self.s[self.i + 1:end])
            self.i = end + 1
            return bytes.fromhex(digits)
        if c == '"':
            self.i += 1
            out = []
            while True:
                c = self.s[self.i]
                self.i += 1
                if c == '"':
                    return ''.join(out)
                if c == '\\':
                    c = self.s[self.i]
                    self.i += 1
                    c = {'n': '\n', 't': '\t', 'r': '\r'}.get(c, c)
                out.append(c)
        m = re.compile(r'[A-Za-z0-9_$+/:.\-]+').match(self.s, self.i)
        if not m:
            raise ValueError('text')
        self.i = m.end()
        return m.group(0)

    def whole(self):
        v = self.value()
        self.skip()
        if self.i != len(self.s):
            raise ValueError('trailing')
        return v


def plain(text):
    """A value given without a type: a property list if it reads as one (an
    XML fragment or old-style text), else text."""
    t = text.strip()
    if t.startswith('<') and not t.startswith('<0') and not re.match(r'<[0-9a-fA-F\s]*>$', t):
        try:
            return plistlib.loads(('<plist version="1.0">%s</plist>' % t).encode())
        except Exception:
            return text
    if t[:1] in ('(', '{', '<'):
        try:
            return OldStyle(t).whole()
        except Exception:
            return text
    return text


def leading_int(text):
    m = re.match(r'\s*([-+]?\d+)', text)
    return int(m.group(1)) if m else 0


def leading_float(text):
    m = re.match(r'\s*([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)', text)
    return float(m.group(1)) if m else 0.0


def parse_date(text):
    t = text.strip()
    for fmt in ('%Y-%m-%d %H:%M:%S %z', '%Y-%m-%dT%H:%M:%SZ', '%Y-%m-%dT%H:%M:%S%z', '%Y-%m-%d %H:%M:%S',
                '%Y-%m-%d'):
        try:
            d = datetime.datetime.strptime(t, fmt)
        except ValueError:
            continue
        if fmt.endswith('Z'):
            d = d.replace(tzinfo=datetime.timezone.utc)
        if d.tzinfo is None:
            d = d.astimezone()
        return d.astimezone(datetime.timezone.utc).replace(tzinfo=None)
    raise ValueError(text)


def typed(flag, text):
    if flag == '-string':
        return text
    if flag in ('-int', '-integer'):
        return leading_int(text)
    if flag == '-float':
        return leading_float(text)
    if flag in ('-bool', '-boolean'):
        word = text.lower()
        if word in ('true', 'yes', '1'):
            return True
        if word in ('false', 'no', '0'):
            return False
        fail(USAGE.rstrip('\n'))
    if flag == '-date':
        try:
            return parse_date(text)
        except ValueError:
            fail(USAGE.rstrip('\n'))
    if flag == '-data':
        try:
            return bytes.fromhex(text)
        except ValueError:
            fail(USAGE.rstrip('\n'))
    raise KeyError(flag)


SCALAR_FLAGS = ('-string', '-int', '-integer', '-float', '-bool', '-boolean', '-date', '-data')


# ---------------------------------------------------------------- verbs

def read(path, domain, args):
    value, _ = load(path)
    if not args:
        if value is None:
            fail('Domain %s does not exist' % domain)
        print(describe(value, 0))
        return
    key = args[0]
    if value is None or key not in value:
        fail('The domain/default pair of (%s, %s) does not exist' % (domain, key))
    print(describe(value[key], 0, top=True))


def read_type(path, domain, args):
    if not args:
        fail(USAGE.rstrip('\n'))
    value, _ = load(path)
    if value is None or args[0] not in value:
        fail('The domain/default pair of (%s, %s) does not exist' % (domain, args[0]))
    print('Type is %s' % kind(value[args[0]]))


def write(path, domain, args):
    value, is_xml = load(path)
    if value is None:
        value, is_xml = {}, False
    if len(args) == 1:
        # The whole domain in old-style text.
        try:
            whole = OldStyle(args[0]).whole()
        except Exception:
            whole = None
        if not isinstance(whole, dict):
            fail('Rep argument is not a dictionary\nDefaults have not been changed.')
        save(path, whole, is_xml, domain)
        return
    if len(args) < 2:
        fail(USAGE.rstrip('\n'))
    key, flag, rest = args[0], args[1], args[2:]
    if flag in SCALAR_FLAGS:
        if len(rest) != 1:
            fail(USAGE.rstrip('\n'))
        new = typed(flag, rest[0])
    elif flag == '-array':
        new = [plain(x) for x in rest]
    elif flag == '-array-add':
        old = value.get(key, [])
        if not isinstance(old, list):
            fail('Value for key %s is not an array; cannot append.  Leaving defaults unchanged.' % key)
        new = old + [plain(x) for x in rest]
    elif flag in ('-dict', '-dict-add'):
        if len(rest) % 2:
            fail('Key %s lacks a corresponding value' % rest[-1])
        pairs = {rest[i]: plain(rest[i + 1]) for i in range(0, len(rest), 2)}
        if flag == '-dict-add':
            old = value.get(key, {})
            if not isinstance(old, dict):
                fail('Value for key %s is not a dictionary; cannot add entries.  Leaving defaults unchanged.'
                     % key)
            new = dict(old)
            new.update(pairs)
        else:
            new = pairs
    elif len(args) == 2:
        new = plain(flag)
    else:
        fail(USAGE.rstrip('\n'))
    value[key] = new
    save(path, value, is_xml, domain)


def delete(path, domain, args):
    value, is_xml = load(path)
    if value is None:
        fail('Domain (%s) not found.\nDefaults have not been changed.' % domain)
    if not args:
        try:
            os.unlink(path)
        except OSError:
            fail('Could not write domain %s; exiting' % domain, same_line=True)
        return
    if args[0] not in value:
        fail('Domain (%s) not found.\nDefaults have not been changed.' % domain)
    del value[args[0]]
    save(path, value, is_xml, domain)


def domains(folder):
    try:
        files = os.listdir(folder)
    except OSError:
        files = []
    names = sorted(name[:-len('.plist')] for name in files if name.endswith('.plist') and not name.startswith('.'))
    print(', '.join(names))


def main(argv):
    verb = argv[1]
    try:
        if verb == 'domains':
            domains(argv[2])
        elif verb == 'usage':
            fail(USAGE.rstrip('\n'))
        else:
            path, domain, args = argv[2], argv[3], argv[4:]
            {'read': read, 'read-type': read_type, 'write': write, 'delete': delete}[verb](path, domain, args)
    except Fail:
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
