#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) 2026 ZEM Configuration developers
# MIT License (see LICENSE in the ZEM Configuration repository)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: zem_config
short_description: Keep a ZEM matrix unit at the configuration of a .zem file
version_added: "1.0.0"
description:
  - Brings a ZEM multi-zone matrix unit to the configuration held in a C(.zem)
    file, sending only what the unit lacks, through the C(zemctl) command of
    ZEM Configuration (C(zemctl push --changes --json)).
  - The unit is read first; nothing is sent when it already holds the file, and
    then C(changed) is false.
  - >-
    Runs on the controller (C(connection: local) or C(delegate_to: localhost)):
    the unit is reached over its Telnet port or a serial port of the controller,
    never over SSH.
  - One C(zemctl) call per task; in diff mode a second, local one
    (C(zemctl convert)) gives the file's text as the unit would hold it.
author:
  - ZEM Configuration developers
requirements:
  - C(zemctl) from ZEM Configuration on the controller.
options:
  src:
    description:
      - The C(.zem) file that holds the unit's intended configuration.
    type: path
    required: true
  host:
    description:
      - The unit's address (name or IP address) for its Telnet port.
      - Exactly one of I(host) and I(serial) is given.
    type: str
  port:
    description:
      - The unit's Telnet port.
    type: int
    default: 23
  serial:
    description:
      - The controller's serial port the unit is on (9600 bps), for example
        C(/dev/ttyUSB0).
    type: str
  name:
    description:
      - The unit's name, for the folder of its backups. Every byte outside
        C(A-Za-z0-9._-) becomes C(_) in the folder name, as in the window's
        backups.
      - Defaults to C(HOST:PORT) or the serial device, which is how the window
        names the unit's backup folder.
    type: str
  backup:
    description:
      - Read the unit's configuration into a backup file before anything is
        sent. That read is the one the changes are counted from, so the unit is
        read once. If the backup cannot be written, nothing is sent.
      - In check mode the backup is written too (reading changes nothing).
    type: bool
    default: false
  backup_options:
    description:
      - Where the backup goes. Without I(filename) the file is
        C(DIR_PATH/NAME/YYYY-MM-DD-HHMMSS.zem) (local time; C(-2), C(-3)...
        before C(.zem) when that name is taken), the layout of the window's
        Back Up Before Export.
    type: dict
    suboptions:
      dir_path:
        description:
          - The folder the backups go under; made when missing.
          - Defaults to the window's backups folder on the controller,
            C($XDG_DATA_HOME/zem-config/backups) (C(~/.local/share/zem-config/backups)).
        type: path
      filename:
        description:
          - The backup's file name, directly in I(dir_path) (no folder per
            unit). An existing file of that name is replaced.
        type: str
  verify:
    description:
      - Once every line was answered, read the configuration back and compare it
        with the file (C(zemctl push --verify)). A unit that does not hold it
        fails the task. Over a serial port that takes as long as a read (up to
        about 95 s for a full unit).
    type: bool
    default: false
  full:
    description:
      - >-
        Send the whole file rather than what the unit lacks. Needed when the
        unit's source or zone counts differ from the file's ("counts differ: a
        full export is needed"). Every run then sends every line, so the task
        always reports C(changed).
      - In check mode the unit is still only read.
    type: bool
    default: false
  timeout:
    description:
      - Seconds connecting may take, and each wait for the unit
        (C(zemctl --timeout)). No limit when not given, beyond C(zemctl)'s
        deadline of 600 s for each transfer.
    type: int
  zemctl_path:
    description:
      - The C(zemctl) program, a path or a name found on C(PATH).
    type: path
    default: zemctl
notes:
  - Check mode is supported; nothing but the reading C([]) and C([QXSB]) reach
    the unit, and C(commands) lists what would be sent.
  - Diff mode is supported; C(before) is the unit's configuration as read,
    C(after) the file as the unit would hold it, both in the form of a C(.zem)
    export.
  - A unit gives its names back without the letters it cannot return (bytes
    beyond plain ASCII); a name that differs only in those letters counts as
    held. See the collection's README for what cannot be idempotent.
"""

EXAMPLES = r"""
- name: Bring the lobby unit to its file, backing it up first
  zem.config.zem_config:
    src: files/lobby.zem
    host: 192.168.1.50
    backup: true
    backup_options:
      dir_path: /srv/zem-backups
  delegate_to: localhost

- name: A unit on the controller's serial port, verified after
  zem.config.zem_config:
    src: files/plant-room.zem
    serial: /dev/ttyUSB0
    verify: true
    timeout: 30
  delegate_to: localhost

- name: What would be sent, without sending it
  zem.config.zem_config:
    src: files/lobby.zem
    host: 192.168.1.50
  check_mode: true
  diff: true
  delegate_to: localhost
"""

RETURN = r"""
commands:
  description: The command lines sent to the unit, or in check mode those that
    would be sent; empty when the unit already holds the file.
  returned: always
  type: list
  elements: str
  sample: ['[VO1R-30]', '[NO2"Kitchen"]', '[EC]']
lines_sent:
  description: How many of I(commands) were sent (0 in check mode).
  returned: always
  type: int
  sample: 3
backup_path:
  description: The backup file written.
  returned: when I(backup) is true and the backup was written
  type: str
  sample: /srv/zem-backups/192.168.1.50_23/2026-12-09-231500.zem
verify:
  description: What the read-back found, C(ok), C(differs), C(unread) or
    C(not-run).
  returned: always
  type: str
  sample: ok
differences:
  description: >-
    With I(verify), each value the unit does not hold, as
    C(what: sent -> on the unit).
  returned: always
  type: list
  elements: str
  sample: ['zone 2 name: "Kitchen" -> "Room 2"']
zemctl:
  description: The whole report of C(zemctl push --json) (see
    C(zemctl push --help)).
  returned: when zemctl ran
  type: dict
rc:
  description: zemctl's exit status.
  returned: when zemctl ran
  type: int
  sample: 0
"""

import datetime
import json
import os
import re
import shutil
import tempfile

from ansible.module_utils.basic import AnsibleModule


def folder_name(unit):
    """The window's folder name for a unit: bytes outside A-Za-z0-9._- as "_"."""
    return re.sub(r"[^A-Za-z0-9._-]", "_", unit)


def default_backup_root():
    data = os.environ.get("XDG_DATA_HOME") or os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(data, "zem-config", "backups")


def new_backup_path(folder, now):
    """DIR/YYYY-MM-DD-HHMMSS.zem, or with -N before .zem when that is taken."""
    stem = now.strftime("%Y-%m-%d-%H%M%S")
    path = os.path.join(folder, stem + ".zem")
    n = 2
    while os.path.lexists(path):
        path = os.path.join(folder, "%s-%d.zem" % (stem, n))
        n += 1
    return path


def text_of(data):
    """Bytes from zemctl: its JSON is UTF-8; its messages and files are single bytes."""
    if isinstance(data, bytes):
        try:
            return data.decode("utf-8")
        except UnicodeDecodeError:
            return data.decode("latin-1")
    return data


def read_single_bytes(path):
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


def run(module, zemctl, cmd, p, unit, scratch, result):
    """Runs the push, and in diff mode the convert of the file; fills `result`."""
    rc, out, err = module.run_command(cmd, encoding=None)
    out, err = text_of(out), text_of(err)
    try:
        report = json.loads(out)
    except ValueError:
        module.fail_json(msg=err.strip() or "zemctl gave no report", rc=rc, stderr=err, **result)
    result.update(
        rc=rc,
        zemctl=report,
        commands=report["lines"],
        lines_sent=report["lines_sent"],
        verify=report["verify"],
        differences=report["differences"],
        changed=bool(report["changed"]),
    )
    for warning in report["warnings"]:
        module.warn(warning)
    if p["backup"] and report["backup"]:
        result["backup_path"] = report["backup"]
    if module.check_mode and p["full"] and report["counts_differ"]:
        # What a full push would do: send the whole file.
        result["changed"] = True
        module.warn("the unit's counts differ from the file's: the whole file would be sent")
    elif rc != 0:
        module.fail_json(msg=report["message"] or err.strip(), stderr=err, **result)

    if scratch and report["backup"]:
        after = os.path.join(scratch, "file.zem")
        crc, _, cerr = module.run_command([zemctl, "convert", p["src"], "-o", after], encoding=None)
        if crc != 0:
            module.warn("no diff: zemctl convert failed: %s" % text_of(cerr).strip())
            return
        result["diff"] = dict(
            before=read_single_bytes(report["backup"]),
            after=read_single_bytes(after),
            before_header="%s (the unit)" % unit,
            after_header=p["src"],
        )


def main():
    module = AnsibleModule(
        argument_spec=dict(
            src=dict(type="path", required=True),
            host=dict(type="str"),
            port=dict(type="int", default=23),
            serial=dict(type="str"),
            name=dict(type="str"),
            backup=dict(type="bool", default=False),
            backup_options=dict(
                type="dict",
                options=dict(dir_path=dict(type="path"), filename=dict(type="str")),
            ),
            verify=dict(type="bool", default=False),
            full=dict(type="bool", default=False),
            timeout=dict(type="int"),
            zemctl_path=dict(type="path", default="zemctl"),
        ),
        mutually_exclusive=[("host", "serial")],
        required_one_of=[("host", "serial")],
        supports_check_mode=True,
    )
    p = module.params
    result = dict(changed=False, commands=[], lines_sent=0, verify="not-run", differences=[])

    zemctl = p["zemctl_path"]
    if os.sep not in zemctl:
        found = module.get_bin_path(zemctl)
        if not found:
            module.fail_json(msg="zemctl not found on PATH (%s); set zemctl_path" % zemctl, **result)
        zemctl = found
    if not os.path.isfile(p["src"]):
        module.fail_json(msg="src %s is not a file" % p["src"], **result)
    if not 1 <= p["port"] <= 65535:
        module.fail_json(msg="port %d is outside 1-65535" % p["port"], **result)
    if p["timeout"] is not None and p["timeout"] < 1:
        module.fail_json(msg="timeout takes a whole number of seconds, 1 or more", **result)

    if p["host"]:
        unit = "%s:%d" % (p["host"], p["port"])
        link = ["--telnet", unit]
    else:
        unit = p["serial"]
        link = ["--serial", unit]

    # The unit's configuration as read is the backup: a temporary one when
    # only diff mode wants it.
    scratch = tempfile.mkdtemp(prefix="zem_config_") if module._diff else None
    backup_path = None
    if p["backup"]:
        options = p["backup_options"] or {}
        root = options.get("dir_path") or default_backup_root()
        folder = root if options.get("filename") else os.path.join(root, folder_name(p["name"] or unit))
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as e:
            module.fail_json(msg="cannot make the backup folder %s: %s" % (folder, e), **result)
        if options.get("filename"):
            backup_path = os.path.join(folder, options["filename"])
        else:
            backup_path = new_backup_path(folder, datetime.datetime.now())
    elif scratch:
        backup_path = os.path.join(scratch, "unit.zem")

    cmd = [zemctl, "push", p["src"]] + link + ["--json"]
    if module.check_mode:
        cmd.append("--check")
    elif not p["full"]:
        cmd.append("--changes")
    if backup_path:
        cmd += ["--backup", backup_path]
    if p["verify"] and not module.check_mode:
        cmd.append("--verify")
    if p["timeout"] is not None:
        cmd += ["--timeout", str(p["timeout"])]
    try:
        run(module, zemctl, cmd, p, unit, scratch, result)
    finally:
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
