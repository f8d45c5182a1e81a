# Property-list helpers of the simulated Mac's stand-ins (python3's plistlib).
#
#   python3 plist.py label FILE   the Label of a launchd job file; status 2 when
#                                 the file is no property list or has no Label
#   python3 plist.py get FILE KEY a top-level value as text (1/0 for booleans);
#                                 status 1 when the file or the key is missing
import plistlib
import sys


def load(path):
    with open(path, 'rb') as f:
        return plistlib.load(f)


def main(argv):
    command, path = argv[1], argv[2]
    if command == 'label':
        try:
            label = load(path).get('Label')
        except Exception:
            return 2
        if not isinstance(label, str) or not label:
            return 2
        print(label)
        return 0
    if command == 'get':
        try:
            value = load(path)[argv[3]]
        except Exception:
            return 1
        if isinstance(value, bool):
            value = int(value)
        print(value)
        return 0
    return 64


if __name__ == '__main__':
    sys.exit(main(sys.argv))
