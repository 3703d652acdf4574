#!/usr/bin/env python3
"""The 32-bit Windows module as a host loads it, checked under Wine.

- The DLL exports exactly moduleIdentify and newAmFileAnalyzer and, like the Windows
  hosts built here, imports nothing but KERNEL32.dll and msvcrt.dll.
- Each Windows host (amhost.exe, and amhost_c.exe, which calls the module's slots by
  table index with __thiscall as a host built by another compiler does) reads every tile of every example at levels 0 and 2 and writes
  the same PNM bytes as the Linux amhost for the same request.
- A truncated file and a missing file end each Windows host with exit status 1.
- The GoogleTest suites cross-built for 32-bit Windows (listed in the build folder's
  windows_suites.txt) pass.

Wine runs in its own 32-bit prefix under the Windows build folder, made on the first
run; no display is needed.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

EXPECTED_EXPORTS = ["moduleIdentify", "newAmFileAnalyzer"]
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll"}
LEVELS = [0, 2]


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)
            print(f"FAIL: {what}", flush=True)
        return condition


def pe_table(objdump, binary):
    text = subprocess.run([objdump, "-p", str(binary)], check=True, capture_output=True,
                          text=True).stdout
    imports = sorted(m.group(1) for m in re.finditer(r"^\s*DLL Name: (\S+)", text, re.M))
    exports = []
    names = re.search(r"\[Ordinal/Name Pointer\] Table\n((?:\s*\[\s*\d+\] \S+\n)*)", text)
    if names:
        exports = re.findall(r"\] (\S+)", names.group(1))
    return exports, imports


def check_binaries(checks, objdump, dll, hosts):
    exports, imports = pe_table(objdump, dll)
    checks.expect(exports == EXPECTED_EXPORTS, f"{dll.name} exports {exports}")
    for binary in [dll] + hosts:
        if binary != dll:
            exports, imports = pe_table(objdump, binary)
        foreign = [name for name in imports if name.lower() not in SYSTEM_DLLS]
        checks.expect(imports and not foreign, f"{binary.name} imports {imports}")


def wine_environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEARCH="win32", WINEDEBUG="-all",
               # No Mono or Gecko installers on the first start, and no windows.
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def start_wine(prefix):
    env = wine_environment(prefix)
    if not (prefix / "system.reg").exists():
        print(f"creating the Wine prefix {prefix}", flush=True)
        subprocess.run(["wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run(["wineserver", "-w"], env=env, check=True)
    # One server for the whole run rather than one per program: it stays until 10 s
    # after the last program ends. (When one is running already, it is used.)
    subprocess.run(["wineserver", "--persistent=10"], env=env)
    return env


def run(command, env=None):
    # Output goes through files, not pipes: Wine's own background processes inherit
    # the descriptors and would hold a pipe open long after the program has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(command, env=env, stdout=out, stderr=err, timeout=120)
        err.seek(0)
        result.stderr = err.read()
        out.seek(0)
        result.stdout = out.read()
    return result


def compare_hosts(checks, linux_amhost, windows_hosts, examples, work, env):
    for example in examples:
        for level in LEVELS:
            request = [str(example), "--level", str(level), "--output"]
            expected_path = work / f"{example.stem}-{level}-linux.pnm"
            result = run([str(linux_amhost)] + request + [str(expected_path)])
            if not checks.expect(result.returncode == 0,
                                 f"linux amhost {example.name} level {level}: "
                                 f"{result.stderr.decode(errors='replace')}"):
                continue
            expected = expected_path.read_bytes()
            for host in windows_hosts:
                out = work / f"{example.stem}-{level}-{host.stem}.pnm"
                result = run(["wine", str(host)] + request + [str(out)], env)
                ok = checks.expect(result.returncode == 0,
                                   f"{host.name} {example.name} level {level} exit "
                                   f"{result.returncode}: "
                                   f"{result.stderr.decode(errors='replace')}")
                if ok:
                    checks.expect(out.read_bytes() == expected,
                                  f"{host.name} {example.name} level {level}: PNM differs "
                                  f"from the Linux amhost's")
                    print(f"{host.name} {example.name} level {level}: "
                          f"{len(expected)} bytes equal", flush=True)


def check_bad_files(checks, windows_hosts, example, work, env):
    truncated = work / "truncated.tvx"
    data = example.read_bytes()
    truncated.write_bytes(data[: len(data) // 3])
    missing = work / "missing.tvx"
    for host in windows_hosts:
        for bad in (truncated, missing):
            out = work / f"bad-{host.stem}.pnm"
            result = run(["wine", str(host), str(bad), "--output", str(out)], env)
            checks.expect(result.returncode == 1,
                          f"{host.name} on {bad.name}: exit {result.returncode}, expected 1")
            checks.expect(result.stderr.strip() != b"",
                          f"{host.name} on {bad.name}: no message on standard error")


def run_suites(checks, suite_list, bin_dir, env):
    names = suite_list.read_text().split() if suite_list.exists() else []
    checks.expect(names, f"no suites listed in {suite_list}")
    for name in names:
        suite = bin_dir / f"{name}.exe"
        if not checks.expect(suite.exists(), f"{suite} is missing"):
            continue
        started = time.monotonic()
        result = run(["wine", str(suite), "--gtest_brief=1"], env)
        ok = checks.expect(result.returncode == 0, f"{suite.name} exit {result.returncode}")
        print(f"{suite.name}: {'passed' if ok else 'FAILED'} "
              f"({time.monotonic() - started:.1f} s)", flush=True)
        if not ok:
            print(result.stdout.decode(errors="replace")[-4000:], flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--win32-bin", type=Path, required=True)
    parser.add_argument("--linux-amhost", type=Path, required=True)
    parser.add_argument("--examples", type=Path, required=True)
    parser.add_argument("--prefix", type=Path, required=True)
    parser.add_argument("--suites", type=Path, required=True,
                        help="the list of Windows test suites, one name a line")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    args = parser.parse_args()

    started = time.monotonic()
    checks = Checks()
    dll = args.win32_bin / "tvx_reader.dll"
    hosts = [args.win32_bin / name for name in ("amhost.exe", "amhost_c.exe")]
    for binary in [dll] + hosts:
        checks.expect(binary.exists(), f"{binary} is missing")
    if checks.failures:
        return 1
    check_binaries(checks, args.objdump, dll, hosts)

    env = start_wine(args.prefix.resolve())
    examples = sorted(args.examples.glob("*.tvx"))
    checks.expect(len(examples) >= 2, f"examples in {args.examples}: {examples}")
    with tempfile.TemporaryDirectory(prefix="tvx-windows-") as scratch:
        work = Path(scratch)
        compare_hosts(checks, args.linux_amhost.resolve(), hosts, examples, work, env)
        check_bad_files(checks, hosts, examples[0], work, env)
    run_suites(checks, args.suites, args.win32_bin, env)

    elapsed = time.monotonic() - started
    if checks.failures:
        print(f"{len(checks.failures)} Windows check(s) failed ({elapsed:.1f} s)")
        return 1
    print(f"Windows checks passed: {', '.join(h.name for h in hosts)} ({elapsed:.1f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
