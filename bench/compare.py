#!/usr/bin/python3
"""Turns the measurements that compare.sh leaves in its work folder into RESULTS.md and
a chart of decode speeds. Usage: compare.py WORK RESULTS.md CHART.png"""
import csv
import glob
import json
import os
import sys

import matplotlib

matplotlib.use('Agg')
import matplotlib.pyplot as plt  # noqa: E402

work, results_path, chart_path = sys.argv[1:4]
here = os.path.dirname(os.path.abspath(__file__))
DECODERS = ['tvx', 'openjpeg', 'grok']
NAMES = {'tvx': 'tvx', 'openjpeg': 'OpenJPEG', 'grok': 'Grok'}


def read_tsv(name):
    path = os.path.join(work, name)
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return list(csv.DictReader(f, delimiter='\t'))


def load_timings():
    timings = {}
    for path in glob.glob(os.path.join(work, 'timing', '*.json')):
        case, decoder = os.path.basename(path)[:-5].split('--')
        with open(path) as f:
            result = json.load(f)['results'][0]
        timings.setdefault(case, {})[decoder] = result
    return timings


def load_micro():
    path = os.path.join(work, 'micro.json')
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return json.load(f)['benchmarks']


timings = load_timings()
sizes = {row['file']: row for row in read_tsv('sizes.tsv')}
psnr = {row['file']: row['psnr'] for row in read_tsv('psnr.tsv')}
memory = read_tsv('memory.tsv')
micro = load_micro()
with open(os.path.join(work, 'machine.txt')) as f:
    machine = f.read().strip().splitlines()


def median(case, decoder):
    return timings.get(case, {}).get(decoder, {}).get('median')


def micro_ms(name):
    """The median (or only) real time of a micro-benchmark, in milliseconds."""
    scale = {'ns': 1e-6, 'us': 1e-3, 'ms': 1.0, 's': 1e3}
    for b in micro:
        if b.get('error_occurred'):
            continue
        run = b.get('run_name', b['name']).split('/repeats:')[0]
        if run == name and b.get('aggregate_name', 'median') == 'median':
            return b['real_time'] * scale[b['time_unit']]
    return None


def bpp(file):
    row = sizes.get(file)
    return 8.0 * int(row['bytes']) / int(row['pixels']) if row else None


def fmt(value, pattern='{:.3f}'):
    return '-' if value is None else pattern.format(value)


lines = ['# Benchmark results', '',
         'Written by `bench/compare.sh` (`make bench`); every figure below comes from its last '
         'run on this machine. Whole-process decodes to PPM, one thread unless stated, '
         'medians of hyperfine runs.', '', '## Machine', '']
lines += [f'- {entry}' for entry in machine]

# Targets first: what was asked for and what was measured.
targets = []


def target(name, measured, met):
    targets.append((name, measured, '-' if met is None else ('met' if met else '**not met**')))


t, g = median('flower-lossless', 'tvx'), median('flower-lossless', 'grok')
target('TG3 lossless flower at least 1.25 x as fast as Grok',
       f'{fmt(g / t if t and g else None, "{:.2f}")} x ({fmt(t)} s against {fmt(g)} s)',
       (g / t >= 1.25) if t and g else None)
tvx_size, opj_size = sizes.get('flower-tg3.tvx'), sizes.get('flower-53.j2k')
if tvx_size and opj_size:
    growth = int(tvx_size['bytes']) / int(opj_size['bytes']) - 1
    target('TG3 lossless flower file at most 5 % larger than OpenJPEG\'s',
           f'{100 * growth:+.1f} % ({tvx_size["bytes"]} against {opj_size["bytes"]} bytes)',
           growth <= 0.05)
t, o = median('flower-level3', 'tvx'), median('flower-level3', 'openjpeg')
target('TG3 level-3 flower no slower than `opj_decompress -r 3`',
       f'{fmt(t)} s against {fmt(o)} s', (t <= o) if t and o else None)
big, small = micro_ms('BM_Tile/tiled8192/0'), micro_ms('BM_Tile/tiled2048/0')
target('128 x 128 tile at level 0 of 8192 x 8192 under 5 ms (in-process median)',
       f'{fmt(big, "{:.1f}")} ms', (big < 5) if big else None)
target('the same tile at most 1.5 x its latency in a 2048 x 2048 image',
       f'{fmt(big / small if big and small else None, "{:.2f}")} x ({fmt(big, "{:.1f}")} ms against '
       f'{fmt(small, "{:.1f}")} ms)', (big / small <= 1.5) if big and small else None)
peaks = [(row['decode'], int(row['peak_kib'])) for row in memory if row['decode'].startswith('tvx')]
if peaks:
    worst = max(p for _, p in peaks)
    target('full 8192 x 8192 TG3 decode to PNG under 96 MiB peak resident memory',
           ', '.join(f'{d.split(" to PNG, ")[1]}: {p / 1024:.1f} MiB' for d, p in peaks),
           worst < 96 * 1024)
t, o = median('flower-tg2-lossy', 'tvx'), median('flower-tg2-lossy', 'openjpeg')
target('TG2 decode at least 1.5 x as fast as OpenJPEG\'s 9/7 of the same size',
       f'{fmt(o / t if t and o else None, "{:.2f}")} x ({fmt(t)} s against {fmt(o)} s); PSNR '
       f'{psnr.get("flower-tg2.tvx", "-")} against {psnr.get("flower-97-tg2.j2k", "-")} dB',
       (o / t >= 1.5) if t and o else None)
for case, label in (('flower-lossless', 'flower'), ('tiled8192-lossless', '8192 x 8192')):
    one, two = median(case, 'tvx'), median(case + '-2threads', 'tvx')
    if one and two:
        target(f'`--threads 2` at least 1.85 x as fast as one thread ({label})',
               f'{one / two:.2f} x ({one:.3f} s against {two:.3f} s)', one / two >= 1.85)

host = read_tsv('host.tsv')


def number(row, key):
    try:
        return float(row[key])
    except (KeyError, ValueError):
        return None


def host_ratio(row, key):
    a, t = number(row, key), number(row, 'tvx_s')
    return a / t if a is not None and t else None


if host:
    ratios = [(host_ratio(r, 'amhost_s'), r) for r in host]
    worst, row = max(((q, r) for q, r in ratios if q is not None), key=lambda x: x[0])
    target('every tile of a level through the module at most 1.2 x `tvx decode --threads 1` '
           '(TG3 and TG2, levels 0 and 2, 2048 and 8192)',
           f'worst {worst:.2f} x ({row["image"]} {row["file"]} level {row["level"]})', worst <= 1.2)
    pairs = [(number(r, 'amhost_s'), number(r, 'gdal_opj_s'), r) for r in host if r['file'] == 'tg3']
    pairs = [(a, o, r) for a, o, r in pairs if a is not None and o is not None]
    if pairs:
        target('the same at least as fast as GDAL over the OpenJPEG lossless file by 128 x 128 blocks',
               ', '.join(f'{r["image"]} L{r["level"]}: {a:.2f} s against {o:.2f} s' for a, o, r in pairs),
               all(a <= o for a, o, _ in pairs))
    peaks = [number(r, 'amhost_kib') for r in host if r['image'] == 'tiled8192']
    if any(p is not None for p in peaks):
        worst = max(p for p in peaks if p is not None)
        target('tile-by-tile read of the 8192 x 8192 image under 96 MiB peak resident memory',
               f'{worst / 1024:.1f} MiB (amhost, the module included)', worst < 96 * 1024)
    groups = [(number(r, 'group_ms') / number(r, 'tile_ms'), r) for r in host
              if number(r, 'group_ms') and number(r, 'tile_ms')]
    if groups:
        worst, row = max(groups, key=lambda x: x[0])
        target('a 3 x 3 group of neighbouring tiles at most 3 x one tile (fresh reader each)',
               f'worst {worst:.2f} x ({row["image"]} {row["file"]} level {row["level"]}: '
               f'{row["group_ms"]} against {row["tile_ms"]} ms)', worst <= 3)

for row in read_tsv('quality.tsv'):
    gen, rate = row['case'].split()[0], row['case'].split()[-1]
    allowed = {'TG2': (2.0, ('1',)), 'TG3': (0.5, ('0.5', '1', '2'))}.get(gen)
    if allowed and rate in allowed[1]:
        gap = float(row['opj_psnr']) - float(row['psnr'])
        target(f'{gen} at `--bpp {rate}` within {allowed[0]} dB of OpenJPEG\'s 9/7 at the same size (flower)',
               f'{gap:.2f} dB behind ({row["psnr"]} against {row["opj_psnr"]} dB)', gap <= allowed[0])

encodes = read_tsv('encodes.tsv')
if encodes:
    peaks = [(r['case'], number(r, 'peak_kib')) for r in encodes]
    known = [p for _, p in peaks if p is not None]
    target('encoding the 8192 x 8192 image (TG3 lossless, TG2) and a 16384 x 16384 tiled TIFF '
           'under 256 MiB peak resident memory',
           ', '.join(f'{c}: {fmt(p / 1024 if p else None, "{:.0f}")} MiB' for c, p in peaks),
           (len(known) == len(peaks) and max(known) < 256 * 1024))
    huge = [r for r in encodes if r['exact'] != '-']
    target('the 16384 x 16384 lossless file decodes back exactly',
           ', '.join(f'{r["case"]}: {r["exact"]}' for r in huge), all(r['exact'] == 'yes' for r in huge))

lines += ['', '## Targets', '', '| target | measured | |', '|---|---|---|']
lines += [f'| {n} | {m} | {s} |' for n, m, s in targets]

lines += ['', '## Decode times (seconds, median)', '',
          '| case | tvx | OpenJPEG | Grok | OpenJPEG / tvx | Grok / tvx |', '|---|---|---|---|---|---|']
for case in sorted(timings):
    t = median(case, 'tvx')
    o, g = median(case, 'openjpeg'), median(case, 'grok')
    lines.append(f'| {case} | {fmt(t)} | {fmt(o)} | {fmt(g)} | '
                 f'{fmt(o / t if o and t else None, "{:.2f}")} | {fmt(g / t if g and t else None, "{:.2f}")} |')
lines += ['', 'Cases: *lossless* whole image; *level3* the image at 1/8 of its size (tvx `--level 3`, '
          '`-r 3`); *tg2-lossy* and *tg3-lossy* the lossy files (`--bpp 1`: at most 1 bit per pixel) '
          'against OpenJPEG 9/7 files of the same size; *window* one 128 x 128 window at (4096, 4096) of level 0 '
          '(tvx `--window`, `-d`); *2threads* tvx with `--threads 2`. tvx decodes on the threads it is '
          'given and writes the output from the calling thread, as it goes; the peers decode, then '
          'write.']

if host:
    lines += ['', '## The host\'s tile path', '',
              '| image | file | level | tvx decode (s) | amhost, every tile (s) | amhost / tvx | '
              'GDAL over .tvx (s) | GDAL over OpenJPEG (s) | amhost MiB | one tile (ms) | 3 x 3 tiles (ms) |',
              '|---|---|---|---|---|---|---|---|---|---|---|']
    for r in host:
        kib = number(r, 'amhost_kib')
        lines.append(f'| {r["image"]} | {r["file"]} | {r["level"]} | {r["tvx_s"]} | {r["amhost_s"]} | '
                     f'{fmt(host_ratio(r, "amhost_s"), "{:.2f}")} | {r["gdal_tvx_s"]} | {r["gdal_opj_s"]} | '
                     f'{fmt(kib / 1024 if kib else None, "{:.1f}")} | {r["tile_ms"]} | {r["group_ms"]} |')
    lines += ['', 'User CPU seconds of the whole process, one thread (bench/host_path.sh): `tvx decode '
              '--threads 1 --level L` to PPM; `amhost --level L` reading every 128 x 128 tile in raster '
              'order through the module\'s slots; GDAL (`GDAL_NUM_THREADS=1`) reading all bands by 128 x '
              '128 blocks in the same order (bench/gdal_blocks.py), over the .tvx file through our plug-in '
              'and over the OpenJPEG lossless file of the same image. *tg2* is TG2 at a fixed step of '
              'about 1 bit per pixel. One tile and 3 x 3 tiles: processor time inside `readTile` for the '
              'tile near the middle of the level and the group around it, from a freshly opened reader, '
              'best of five.']

lines += ['', '## Files', '', '| file | bytes | bits per pixel | PSNR (dB) |', '|---|---|---|---|']
for name in sorted(sizes):
    lines.append(f'| {name} | {sizes[name]["bytes"]} | {fmt(bpp(name))} | {psnr.get(name, "")} |')

quality = read_tsv('quality.tsv')
if quality:
    lines += ['', '## Quality at three rates (flower)', '',
              '| encode | bits per pixel | PSNR tvx (dB) | PSNR OpenJPEG 9/7, same size (dB) | '
              'encode CPU (s) | encode peak (MiB) |', '|---|---|---|---|---|---|']
    pixels = sizes.get('flower-tg3.tvx', {}).get('pixels')
    for row in quality:
        rate = 8 * int(row['bytes']) / int(pixels) if pixels else None
        lines.append(f'| {row["case"]} | {fmt(rate)} | {row["psnr"]} | {row["opj_psnr"]} | '
                     f'{row["cpu"]} | {int(row["peak_kib"]) / 1024:.1f} |')

if encodes:
    lines += ['', '## Large encodes', '', '| encode | CPU (s) | peak (MiB) | bytes | decodes back exactly |',
              '|---|---|---|---|---|']
    for r in encodes:
        kib = number(r, 'peak_kib')
        lines.append(f'| {r["case"]} | {r["cpu"]} | {fmt(kib / 1024 if kib else None, "{:.1f}")} | '
                     f'{r["bytes"]} | {r["exact"]} |')
    lines += ['', '`tvx encode` as one process (bench/encode_memory.sh): user and system CPU, peak '
              'resident memory. The 16384 x 16384 image is the 8192 x 8192 one tiled four times, '
              'written by GDAL as a TIFF of 256 x 256 tiles; its file is decoded to PPM and compared '
              'with the tiled samples.']

if memory:
    lines += ['', '## Peak resident memory', '', '| decode | MiB |', '|---|---|']
    lines += [f'| {row["decode"]} | {int(row["peak_kib"]) / 1024:.1f} |' for row in memory]

if micro:
    lines += ['', '## Micro-benchmarks (in-process)', '', '| benchmark | time | rate |', '|---|---|---|']
    failed = set()
    for b in micro:
        if b.get('run_type') == 'aggregate' and b.get('aggregate_name') != 'median':
            continue
        if b.get('error_occurred'):
            if b['run_name'] not in failed:
                failed.add(b['run_name'])
                lines.append(f'| {b["run_name"]} | error: {b.get("error_message", "")} | |')
            continue
        rates = []
        if 'items_per_second' in b:
            rates.append(f'{b["items_per_second"] / 1e6:.1f} M items/s')
        if 'bytes_per_second' in b:
            rates.append(f'{b["bytes_per_second"] / 2**20:.1f} MiB/s')
        if 'Mpx/s' in b:
            rates.append(f'{b["Mpx/s"]:.1f} Mpx/s')
        lines.append(f'| {b["name"]} | {b["real_time"]:.3f} {b["time_unit"]} | {", ".join(rates)} |')

analysis = os.path.join(here, 'ANALYSIS.md')
if os.path.exists(analysis):
    with open(analysis) as f:
        lines += ['', f.read().strip()]
with open(results_path, 'w') as f:
    f.write('\n'.join(lines) + '\n')

# The chart: decode speed relative to OpenJPEG per case (higher is faster).
cases = [c for c in sorted(timings) if median(c, 'openjpeg')]
fig, ax = plt.subplots(figsize=(10, 4.5))
width = 0.27
for i, decoder in enumerate(DECODERS):
    speeds = [median(c, 'openjpeg') / median(c, decoder) if median(c, decoder) else 0 for c in cases]
    ax.bar([x + (i - 1) * width for x in range(len(cases))], speeds, width, label=NAMES[decoder])
ax.axhline(1.0, color='grey', linewidth=0.8)
ax.set_xticks(range(len(cases)))
ax.set_xticklabels(cases, rotation=20, ha='right')
ax.set_ylabel('decode speed relative to OpenJPEG')
ax.set_title('Whole-process decodes, one thread')
ax.legend()
fig.tight_layout()
fig.savefig(chart_path, dpi=110)
