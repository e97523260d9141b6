#!/bin/sh
# Succeeds where this machine runs 32-bit x86 programs and 32-bit Wine is
# installed: its own 32-bit dynamic loader answers --help only where the
# kernel runs 32-bit code.
[ -x /usr/lib/wine/wine ] && [ -e /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1
