"""Signals for the commands the tests start.

A child inherits ignored signals: a test run started in the background (`&` in a script)
or under nohup would start every command with SIGINT or SIGHUP ignored, and the tests of
Ctrl-C and hang-up would wait for an ending that never comes. Handled signals are reset to
their defaults on exec, so the run handles them itself.
"""

import signal

if signal.getsignal(signal.SIGINT) is signal.SIG_IGN:
    signal.signal(signal.SIGINT, signal.default_int_handler)
if signal.getsignal(signal.SIGHUP) is signal.SIG_IGN:
    signal.signal(signal.SIGHUP, lambda signum, frame: None)
