#!/usr/bin/env python3
"""The zem.config collection's module, run by ansible-playbook against a
simulated unit on 127.0.0.1.

Usage: test_zem_config.py ZEMCTL ZEM_UNIT_SIM SOURCE_DIR
Exit status 77 (skipped) only when ansible-playbook is not installed.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ZEMCTL, SIM, SOURCE = sys.argv[1:4]
COLLECTIONS = os.path.join(SOURCE, "contrib", "ansible")
failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


class Unit:
    """zem-unit-sim serving FILE on a free port of 127.0.0.1."""

    def __init__(self, config):
        self.process = subprocess.Popen([SIM, "--port", "0", "--config", config], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        match = re.match(r"Listening on (127\.0\.0\.1):(\d+)", line)
        if not match:
            self.stop()
            sys.exit("zem-unit-sim did not say where it listens: %r" % line)
        self.port = int(match.group(2))
        self.link = "127.0.0.1:%d" % self.port

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=20)


def environment():
    env = dict(os.environ, LC_ALL="C.UTF-8", ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, ANSIBLE_NOCOLOR="1",
               ANSIBLE_LOCALHOST_WARNING="0", ANSIBLE_INVENTORY_UNPARSED_WARNING="0", ANSIBLE_RETRY_FILES_ENABLED="0",
               ANSIBLE_HOME=os.path.join(work, "ansible-home"))
    env["PATH"] = os.path.dirname(ZEMCTL) + os.pathsep + env.get("PATH", "")
    return env


def play(args, flags=()):
    """One task of zem_config on localhost; its registered result."""
    out = os.path.join(work, "result.json")
    if os.path.exists(out):
        os.unlink(out)
    # JSON is YAML: the playbook is written as JSON.
    playbook = [{
        "hosts": "localhost", "connection": "local", "gather_facts": False,
        "tasks": [
            {"name": "zem", "zem.config.zem_config": args, "register": "out", "ignore_errors": True},
            {"name": "keep", "ansible.builtin.copy": {"content": "{{ out | to_json }}", "dest": out},
             "check_mode": False, "diff": False},
        ],
    }]
    path = os.path.join(work, "play.yml")
    with open(path, "w") as f:
        json.dump(playbook, f)
    run = subprocess.run(["ansible-playbook", "-i", "localhost,", path] + list(flags), env=environment(),
                         capture_output=True, text=True, timeout=300)
    if not os.path.exists(out):
        print(run.stdout, run.stderr)
        sys.exit("ansible-playbook wrote no result (exit status %d)" % run.returncode)
    with open(out) as f:
        return json.load(f), run.stdout


def pull(link, name):
    path = os.path.join(work, name)
    subprocess.run([ZEMCTL, "pull", "--telnet", link, "-o", path], check=True, capture_output=True, timeout=60)
    with open(path, "rb") as f:
        return f.read()


if shutil.which("ansible-playbook") is None:
    print("SKIP: ansible-playbook is not installed (Debian: apt-get install ansible-core)")
    sys.exit(77)

work = tempfile.mkdtemp(prefix="zem_ansible_")
try:
    small = os.path.join(SOURCE, "examples", "small-8x24.zem")
    with open(small, "rb") as f:
        text = f.read()
    intended = os.path.join(work, "lobby.zem")
    with open(intended, "wb") as f:
        f.write(text.replace(b"[VO1R-7]", b"[VO1R-3]").replace(b'[NO2"Kitchen"]', b'[NO2"Den"]'))
    backups = os.path.join(work, "backups")
    unit = Unit(small)
    try:
        task = {"src": intended, "host": "127.0.0.1", "port": unit.port, "zemctl_path": ZEMCTL}

        first, _ = play(dict(task, backup=True, name="lobby", verify=True, backup_options={"dir_path": backups}))
        check(first.get("changed") is True and not first.get("failed"), "first push: changed")
        check(first.get("commands") == ["[VO1R-3]", '[NO2"Den"]', "[EC]"], "first push: only what the unit lacked")
        check(first.get("verify") == "ok", "first push: verified")
        backup = first.get("backup_path") or ""
        check(re.fullmatch(re.escape(os.path.join(backups, "lobby")) + r"/\d{4}-\d\d-\d\d-\d{6}\.zem", backup)
              is not None, "backup file named DIR/NAME/YYYY-MM-DD-HHMMSS.zem: %s" % backup)
        check(os.path.isfile(backup) and b"[VO1R-7]" in open(backup, "rb").read(),
              "backup holds what the unit held before")

        second, _ = play(task)
        check(second.get("changed") is False and not second.get("failed"), "second push: not changed")
        check(second.get("commands") == [], "second push: nothing sent")

        # Changed behind the playbook's back, then checked: nothing changes.
        subprocess.run([ZEMCTL, "push", small, "--telnet", unit.link], check=True, capture_output=True,
                       timeout=60)
        before = pull(unit.link, "before.zem")
        checked, stdout = play(task, ["--check", "--diff"])
        check(checked.get("changed") is True and not checked.get("failed"), "check mode: would change")
        check(checked.get("commands") == ["[VO1R-3]", '[NO2"Den"]', "[EC]"] and checked.get("lines_sent") == 0,
              "check mode: says what would be sent, sends nothing")
        check(pull(unit.link, "after.zem") == before, "check mode: the unit holds what it held")
        diff = checked.get("diff") or {}
        check("[VO1R-7]" in diff.get("before", "") and "[VO1R-3]" in diff.get("after", ""),
              "diff mode: before is the unit, after the file")
        check("-[VO1R-7]" in stdout and "+[VO1R-3]" in stdout, "diff mode: ansible-playbook shows the difference")
    finally:
        unit.stop()

    # Nothing listens there now.
    gone, _ = play(dict(task, timeout=5))
    check(gone.get("failed") is True, "unreachable unit: failed")
    check("Cannot connect to %s" % unit.link in gone.get("msg", ""), "unreachable unit: clear msg: %r" % gone.get("msg"))

    doc = subprocess.run(["ansible-doc", "-t", "module", "zem.config.zem_config"], env=environment(),
                         capture_output=True, text=True, timeout=120)
    check(doc.returncode == 0 and "backup_options" in doc.stdout and "EXAMPLES" in doc.stdout
          and "RETURN VALUES" in doc.stdout, "ansible-doc reads the documentation")
finally:
    shutil.rmtree(work, ignore_errors=True)

if failures:
    sys.exit("%d of the checks failed" % len(failures))
print("all checks passed")
