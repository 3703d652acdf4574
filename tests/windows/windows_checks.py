#!/usr/bin/env python3
"""The 32-bit Windows module as a host loads it, checked under Wine.

- The DLL exports exactly moduleIdentify and newAmFileAnalyzer and, like the Windows
  hosts built here, imports nothing but KERNEL32.dll and msvcrt.dll.
- Each Windows host (amhost.exe, and amhost_c.exe, which calls the module's slots by
  table index with __thiscall as a host built by another compiler does) reads every
  tile of every example at levels 0 and 2 and writes the same PNM bytes as the Linux
  amhost for the same request.
- An example moved past 4 GiB decodes as the example does, on Linux and under Wine.
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
    failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)
            print(f"FAIL: {what}", flush=True)
        return condition


def check_binaries(checks, objdump, dll, hosts):
    """Exactly the two exports in the DLL; only system DLLs imported by it and the hosts."""
    for binary in [dll] + hosts:
        text = subprocess.run([objdump, "-p", str(binary)], check=True, capture_output=True,
                              text=True).stdout
        imports = re.findall(r"^\s*DLL Name: (\S+)", text, re.M)
        foreign = [name for name in imports if name.lower() not in SYSTEM_DLLS]
        checks.expect(imports and not foreign, f"{binary.name} imports {imports}")
        if binary == dll:
            table = re.search(r"\[Ordinal/Name Pointer\] Table\n((?:\s*\[\s*\d+\] \S+\n)*)", text)
            exports = re.findall(r"\] (\S+)", table.group(1)) if table else []
            checks.expect(exports == EXPECTED_EXPORTS, f"{dll.name} exports {exports}")


def start_wine(prefix):
    """The environment of a 32-bit prefix of our own, made on the first run."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(WINEPREFIX=str(prefix), WINEARCH="win32", WINEDEBUG="-all",
               # No Mono or Gecko installers on the first start, and no windows.
               WINEDLLOVERRIDES="mscoree,mshtml=")
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
        result.stderr = err.read().decode(errors="replace")
        out.seek(0)
        result.stdout = out.read().decode(errors="replace")
    return result


def compare_hosts(checks, linux_amhost, windows_hosts, examples, work, env):
    for example in examples:
        for level in LEVELS:
            what = f"{example.name} level {level}"
            request = [str(example), "--level", str(level), "--output"]
            expected = work / f"{example.stem}-{level}-linux.pnm"
            result = run([str(linux_amhost)] + request + [str(expected)])
            if not checks.expect(result.returncode == 0, f"linux amhost {what}: {result.stderr}"):
                continue
            for host in windows_hosts:
                out = work / f"{example.stem}-{level}-{host.stem}.pnm"
                result = run(["wine", str(host)] + request + [str(out)], env)
                if checks.expect(result.returncode == 0,
                                 f"{host.name} {what}: exit {result.returncode}: {result.stderr}"):
                    checks.expect(out.read_bytes() == expected.read_bytes(),
                                  f"{host.name} {what}: PNM differs from the Linux amhost's")


def past_four_gib(example, work):
    """The example behind a generic packet of 5 GiB (a hole on disk): every packet of the
    image lies past 4 GiB, so the file stream, its 64-bit seeks and the raw file carry
    every read. It must decode as the example does, on both systems."""
    data, skipped = example.read_bytes(), 5 << 30
    big = work / f"{example.stem}-past-4-GiB.tvx"
    with open(big, "wb") as out:
        out.write(data[:8] + bytes([0x00, 0x03]) + skipped.to_bytes(8, "big"))
        out.seek(skipped, 1)
        out.write(data[8:])
    return big


def check_bad_files(checks, windows_hosts, example, work, env):
    """A truncated and a missing file end each host with status 1 and a message."""
    truncated, missing = work / "truncated.tvx", work / "missing.tvx"
    truncated.write_bytes(example.read_bytes()[: example.stat().st_size // 3])
    for host in windows_hosts:
        for bad in (truncated, missing):
            result = run(["wine", str(host), str(bad), "--output", str(work / "bad.pnm")], env)
            checks.expect(result.returncode == 1 and result.stderr.strip(),
                          f"{host.name} on {bad.name}: exit {result.returncode}, expected 1 "
                          f"with a message")


def run_suites(checks, suite_list, bin_dir, env):
    names = suite_list.read_text().split() if suite_list.exists() else []
    checks.expect(names, f"no suites listed in {suite_list}")
    for name in names:
        started = time.monotonic()
        result = run(["wine", str(bin_dir / f"{name}.exe"), "--gtest_brief=1"], env)
        ok = checks.expect(result.returncode == 0, f"{name}.exe exit {result.returncode}")
        print(f"{name}.exe: {'passed' if ok else 'FAILED'} ({time.monotonic() - started:.1f} s)")
        if not ok:
            print(result.stdout[-4000:], flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("win32-bin", "linux-amhost", "examples", "prefix", "suites"):
        parser.add_argument("--" + name, type=Path, required=True)
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    args = parser.parse_args()

    started = time.monotonic()
    checks = Checks()
    dll = args.win32_bin / "tvx_reader.dll"
    hosts = [args.win32_bin / name for name in ("amhost.exe", "amhost_c.exe")]
    if not checks.expect(all(b.exists() for b in [dll] + hosts), f"{dll.parent} is incomplete"):
        return 1
    check_binaries(checks, args.objdump, dll, hosts)

    env = start_wine(args.prefix.resolve())
    examples = sorted(args.examples.glob("*.tvx"))
    checks.expect(len(examples) >= 2, f"examples in {args.examples}: {examples}")
    with tempfile.TemporaryDirectory(prefix="tvx-windows-") as scratch:
        work = Path(scratch)
        big = past_four_gib(examples[0], work)
        compare_hosts(checks, args.linux_amhost.resolve(), hosts, examples + [big], work, env)
        for level in LEVELS:
            checks.expect((work / f"{big.stem}-{level}-linux.pnm").read_bytes() ==
                          (work / f"{examples[0].stem}-{level}-linux.pnm").read_bytes(),
                          f"{big.name} level {level} differs from {examples[0].name}")
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
