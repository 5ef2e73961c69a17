# SPDX-License-Identifier: MIT
"""Prints where the running interpreter finds compiled modules that are installed by hand: its
platlib folder (on Debian's python3, /usr/local/lib/python3.X/dist-packages), or, where that
cannot be written and the interpreter reads a per-user folder, that one, as pip does."""
import os
import site
import sysconfig

folder = sysconfig.get_path("platlib")
existing = folder
while not os.path.exists(existing):
    existing = os.path.dirname(existing)
if not os.access(existing, os.W_OK) and site.ENABLE_USER_SITE:
    folder = site.getusersitepackages()
print(folder)
