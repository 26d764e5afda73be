#!/usr/bin/env python3
"""Prints a C++ string literal holding the code page 936 bytes of the given text, with the text as a comment."""
import string
import sys

text = " ".join(sys.argv[1:]) if len(sys.argv) > 1 else sys.stdin.read().rstrip("\n")
out, after_escape = "", False
for ch in text:
    data = ch.encode("gbk")
    if len(data) == 1 and 0x20 <= data[0] < 0x7F:
        piece = "\\" + ch if ch in '"\\' else ch
        # A hex digit right after an escape would extend it: close the literal and open a new one.
        if after_escape and ch in string.hexdigits:
            out += '" "'
        out += piece
        after_escape = False
    else:
        out += "".join("\\x%02X" % b for b in data)
        after_escape = True
print('"' + out + '"  // ' + text)
