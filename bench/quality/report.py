"""Tables (Markdown) and plots (PNG) of the quality bench's runs."""

import os
import re

import clicks
from clicks import SHORT, STEP

BEGIN = "<!-- quality-tables:begin (written by bench/quality/run-quality.sh) -->"
END = "<!-- quality-tables:end -->"
SIZE_NAMES = {s: "%d dBFS" % s if s else "full scale" for s in clicks.SIZES_DB}
MATERIAL_NOTES = {
    "orchestral-1-44k.wav": "orchestral recording (asc-music, mp3 at 22 kHz)",
    "orchestral-2-48k.wav": "orchestral recording (asc-music, mp3 at 22 kHz)",
    "tracker-48k.wav": "tracker module, sampled instruments (fb-music-high)",
    "voice-48k.wav": "recorded voice, words with pauses (alsa-utils)",
    "speech-44k.wav": "synthetic speech (espeak-ng)",
    "plucked-solo-44k.wav": "quiet plucked notes, reverb, hiss (sox synth)",
}


def pct(n, d):
    return "–" if not d else "%.1f" % (100.0 * n / d)


def db(e):
    return "%.1f" % e.snr_db


def recall_by(score, injected, key):
    """{class: (recalled, injected)} with key(click) giving the class."""
    out = {}
    for c in injected:
        hit, total = out.get(key(c), (0, 0))
        out[key(c)] = (hit + (c in score.recalled_clicks), total + 1)
    return out


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(x) for x in r) + " |" for r in rows]
    return "\n".join(lines) + "\n"


def false_rate(score, minutes):
    """Finds that match no injected click, per minute of audio."""
    return (score.found - score.right) / minutes


def false_per_minute(score, minutes):
    return "%.1f" % false_rate(score, minutes)


def preset_label(lp, tp, presets_level, presets_time):
    return "%s (%d)" % presets_level[lp], "%s (%d)" % presets_time[tp]


def material_table(material):
    rows = [(m.name, "%.1f" % (m.rate / 1000), "%.1f" % (len(m.clean) / m.rate), MATERIAL_NOTES.get(m.name, ""),
             len(m.clicks)) for m in material]
    total = sum(len(m.clean) / m.rate for m in material)
    rows.append(("all", "", "%.1f" % total, "", sum(len(m.clicks) for m in material)))
    return table(["file", "kHz", "seconds", "material", "clicks injected"], rows)


def detection_row(score, injected, minutes):
    by_size = recall_by(score, injected, lambda c: c.size_db)
    return ([pct(score.recalled, score.injected)] + [pct(*by_size[s]) for s in clicks.SIZES_DB] +
            [pct(score.right, score.found), false_per_minute(score, minutes)])


DETECTION_HEADER = (["recall %"] + ["recall %% at %s" % SIZE_NAMES[s] for s in clicks.SIZES_DB] +
                    ["precision %", "false finds per minute"])


def kind_row(score, injected):
    by_kind = recall_by(score, injected, lambda c: c.kind)
    return [pct(*by_kind[k]) for k in clicks.KINDS]


def kind_size_table(bench, chosen, level_presets, time_presets):
    """Recall by kind (rows) and size (columns) at the chosen (level preset, time preset) pairs."""
    rows = []
    for lp, tp in chosen:
        level, time = level_presets[lp][1], time_presets[tp][1]
        recall = recall_by(bench.runs[("detect", level, time)].score, bench.injected, lambda c: (c.kind, c.size_db))
        for kind in clicks.KINDS:
            rows.append(list(preset_label(lp, tp, level_presets, time_presets)) + [kind] +
                        [pct(*recall[(kind, s)]) if (kind, s) in recall else "" for s in clicks.SIZES_DB])
    return table(["level preset", "time preset", "kind"] + ["recall %% at %s" % SIZE_NAMES[s] for s in clicks.SIZES_DB],
                 rows)


def removal_row(run, clicked_around):
    gains = ["%+.1f" % (run.around[s] - clicked_around[s]) for s in clicks.SIZES_DB]
    return ["%.1f" % run.around[SHORT], "%.1f" % run.around[STEP], db(run.whole)] + gains


REMOVAL_HEADER = (["mean SNR around short clicks, dB", "mean SNR around steps, dB", "SNR whole file, dB"] +
                  ["gain around %s short clicks, dB" % SIZE_NAMES[s] for s in clicks.SIZES_DB])


def presets_tables(bench, presets, clicked, minutes, level_presets, time_presets):
    det, kind, rem = [], [], []
    clicked_whole, clicked_around = clicked
    rem.append(["clicked file, no repair", ""] +
               ["%.1f" % clicked_around[SHORT], "%.1f" % clicked_around[STEP], db(clicked_whole)] +
               ["" for _ in clicks.SIZES_DB])
    for (mode, lp, tp), r in sorted(presets.items()):
        label = list(preset_label(lp, tp, level_presets, time_presets))
        if mode == "detect":
            det.append(label + detection_row(r.score, bench.injected, minutes))
            kind.append(label + kind_row(r.score, bench.injected))
        else:
            rem.append(label + removal_row(r, clicked_around))
    preset_header = ["level preset", "time preset"]
    return (table(preset_header + DETECTION_HEADER, det), table(preset_header + list(clicks.KINDS), kind),
            table(preset_header + REMOVAL_HEADER, rem))


def level_sweep_table(bench, time, clicked, minutes):
    rows = []
    for level in range(20):
        d = bench.runs[("detect", level, time)]
        r = bench.runs[("remove", level, time)]
        rows.append([level] + detection_row(d.score, bench.injected, minutes) +
                    removal_row(r, clicked[1])[:3])
    return table(["level"] + DETECTION_HEADER + REMOVAL_HEADER[:3], rows)


def time_sweep_table(bench, level, minutes):
    rows = []
    for time in range(16):
        d = bench.runs[("detect", level, time)]
        rows.append([time] + kind_row(d.score, bench.injected) +
                    [pct(d.score.right, d.score.found), false_per_minute(d.score, minutes)])
    return table(["time"] + list(clicks.KINDS) + ["precision %", "false finds per minute"], rows)


def material_scores_table(material, detect, remove):
    rows = []
    for m in material:
        row = [m.name]
        for r in (detect, remove):
            s = r.by_file[m.name]
            row += [pct(s.recalled, s.injected), pct(s.right, s.found), false_per_minute(s, m.minutes)]
        rows.append(row)
    head = ["file"] + ["%s %s" % (side, what) for side in ("detection LOW/狭:", "removal HIGH/狭:")
                       for what in ("recall %", "precision %", "false finds per minute")]
    return table(head, rows)


def tables(material, bench, presets, clicked, level_presets, time_presets, time_sweep_level):
    minutes = sum(m.minutes for m in material)
    det, kind, rem = presets_tables(bench, presets, clicked, minutes, level_presets, time_presets)
    sections = [
        ("The material", material_table(material)),
        ("Detection at the nine presets", det),
        ("Recall by kind of click at the nine presets", kind),
        ("Recall by kind and size at four presets",
         kind_size_table(bench, ((1, 1), (2, 1), (3, 1), (1, 2)), level_presets, time_presets)),
        ("Removal at the nine presets", rem),
        ("Level track bar, time track at 0 (狭)", level_sweep_table(bench, 0, clicked, minutes)),
        ("Time track bar, level track at %d (MID)" % time_sweep_level,
         time_sweep_table(bench, time_sweep_level, minutes)),
        ("Each file at the default presets",
         material_scores_table(material, presets[("detect", 1, 1)], presets[("remove", 3, 1)])),
    ]
    return "".join("#### %s\n\n%s\n" % (title, body) for title, body in sections)


def update_doc(path, tables_md):
    """Puts the tables between the markers of the document, when it has them."""
    if not os.path.exists(path):
        return
    with open(path, encoding="utf-8") as f:
        doc = f.read()
    pattern = re.compile(re.escape(BEGIN) + ".*?" + re.escape(END), re.S)
    if pattern.search(doc):
        doc = pattern.sub(lambda _: BEGIN + "\n\n" + tables_md + END, doc)
        with open(path, "w", encoding="utf-8") as f:
            f.write(doc)


# ---- plots ----------------------------------------------------------------

SIZE_COLOURS = dict(zip(clicks.SIZES_DB, ("#17becf", "#2ca02c", "#1f77b4", "#ff7f0e", "#d62728")))
KIND_COLOURS = dict(zip(clicks.KINDS, ("#1b9e77", "#d95f02", "#7570b3", "#e7298a", "#66a61e")))


def _pyplot():
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    plt.rcParams.update({"font.size": 10, "font.family": "Noto Sans CJK JP"})
    return plt


def _save(fig, path):
    # No software or date stamp, so an unchanged figure gives an unchanged file.
    fig.savefig(path, dpi=110, metadata={"Software": None})


def _mark_presets(ax, presets):
    """Dotted lines at the presets' default track values, named at the top."""
    for name, value in presets.values():
        ax.axvline(value, color="0.6", linestyle=":", linewidth=1)
        ax.text(value, 1.01, name, transform=ax.get_xaxis_transform(), ha="center", va="bottom",
                fontsize=8)


def _track_axis(ax, positions, presets, label):
    ax.set_xlim(-0.5, positions - 0.5)
    ax.set_xticks(range(0, positions, 2))
    ax.set_xlabel(label)
    ax.grid(True, color="0.9")
    _mark_presets(ax, presets)


def _finish(fig, handles, labels, path, legend_height, **legend):
    """One legend for the whole figure, below the plots; then the file."""
    fig.legend(handles, labels, loc="lower center", frameon=False, **legend)
    fig.tight_layout(rect=(0, legend_height, 1, 1))
    _save(fig, path)
    _pyplot().close(fig)


LEVEL_LABEL = "level track bar position (0 = least sensitive)"
RUN_STYLES = {"detect": dict(marker=".", linestyle="-"),
              "remove": dict(marker="o", linestyle="none", fillstyle="none", markersize=7)}


def _percent(bench, mode, level, time, of):
    """100 x of(score) for one run, NaN where it is undefined."""
    value = of(bench.runs[(mode, level, time)].score)
    return float("nan") if value is None else 100 * value


def plot_recall_precision(path, bench, level_presets, time_presets):
    """Recall by size and precision against the level track value, one column per time preset."""
    plt = _pyplot()
    levels = range(20)
    fig, axes = plt.subplots(2, 3, figsize=(12, 7), sharex=True, sharey="row")
    for col, (name, time) in enumerate(time_presets.values()):
        top, bottom = axes[0][col], axes[1][col]
        for mode, style in RUN_STYLES.items():
            for size in clicks.SIZES_DB:
                ys = [100 * size_recall(bench, mode, level, time, size) for level in levels]
                top.plot(levels, ys, color=SIZE_COLOURS[size], **style,
                         label=SIZE_NAMES[size] if mode == "detect" else None)
            ys = [_percent(bench, mode, level, time, lambda s: s.precision) for level in levels]
            bottom.plot(levels, ys, color="black", **style)
        top.set_title("time track %d (%s)" % (time, name), pad=16)
        _track_axis(top, 20, level_presets, "")
        _track_axis(bottom, 20, level_presets, LEVEL_LABEL)
    axes[0][0].set_ylabel("recall: injected clicks found (%)")
    axes[1][0].set_ylabel("precision: finds that are clicks (%)")
    for row in axes:
        row[0].set_ylim(-3, 103)
    handles, labels = axes[0][0].get_legend_handles_labels()
    handles += [plt.Line2D([], [], color="0.4", **style) for style in RUN_STYLES.values()]
    labels += ["detection run", "removal run (same finds)"]
    _finish(fig, handles, labels, path, 0.08, ncol=7,
            title="colour: click size (peak); marker: kind of run")


def size_recall(bench, mode, level, time, size):
    hit, total = recall_by(bench.runs[(mode, level, time)].score, bench.injected, lambda c: c.size_db)[size]
    return hit / total


def plot_removal_snr(path, bench, clicked, level_presets, time_presets):
    """How much a removal run improves the sound around clicks and over the whole file."""
    plt = _pyplot()
    levels = range(20)
    clicked_whole, clicked_around = clicked
    fig, (left, right) = plt.subplots(1, 2, figsize=(12, 4.8))
    name, time = time_presets[1]
    for size in clicks.SIZES_DB:
        ys = [bench.runs[("remove", level, time)].around[size] - clicked_around[size] for level in levels]
        left.plot(levels, ys, color=SIZE_COLOURS[size], marker=".", label=SIZE_NAMES[size])
    left.axhline(0, color="0.3", linewidth=0.8)
    left.set_ylabel("SNR gain around short clicks (dB)")
    left.set_title("around short clicks, by click size (time track %d, %s)" % (time, name), pad=16)
    for (name, t), style in zip(time_presets.values(), ("-", "--", ":")):
        ys = [bench.runs[("remove", level, t)].whole.snr_db for level in levels]
        right.plot(levels, ys, color="black", linestyle=style, marker=".",
                   label="repaired, time track %d (%s)" % (t, name))
    right.axhline(clicked_whole.snr_db, color="#d62728", linestyle="-.", label="clicked file, no repair")
    right.set_ylabel("SNR of the whole file (dB)")
    right.set_title("whole file, all clicks", pad=16)
    handles, labels = [], []
    for ax in (left, right):
        _track_axis(ax, 20, level_presets, "removal " + LEVEL_LABEL)
        h, l = ax.get_legend_handles_labels()
        handles += h
        labels += l
    _finish(fig, handles, labels, path, 0.12, ncol=5)


def plot_time_sweep(path, bench, level, time_presets):
    """Recall by kind and false finds against the time track value."""
    plt = _pyplot()
    times = range(16)
    fig, (left, right) = plt.subplots(1, 2, figsize=(12, 4.8))
    scores = [bench.runs[("detect", level, t)].score for t in times]
    for kind in clicks.KINDS:
        ys = [100 * (lambda hit, total: hit / total)(*recall_by(s, bench.injected, lambda c: c.kind)[kind])
              for s in scores]
        left.plot(times, ys, color=KIND_COLOURS[kind], marker=".", label=kind)
    minutes = sum(m.minutes for m in bench.material)
    right.plot(times, [false_rate(s, minutes) for s in scores], color="black", marker=".")
    right.set_yscale("log")
    left.set_ylabel("recall: injected clicks found (%)")
    left.set_ylim(-3, 103)
    right.set_ylabel("false finds per minute of audio (log scale)")
    left.set_title("recall by kind of click", pad=16)
    right.set_title("finds that are not injected clicks", pad=16)
    for ax in (left, right):
        _track_axis(ax, 16, time_presets, "time track bar position (click span = position + 2 frames)")
    handles, labels = left.get_legend_handles_labels()
    _finish(fig, handles, labels, path, 0.12, ncol=5, title="level track %d (MID); kind of click" % level)


def plots(folder, bench, clicked, level_presets, time_presets, time_sweep_level):
    os.makedirs(folder, exist_ok=True)
    plot_recall_precision(os.path.join(folder, "recall-precision.png"), bench, level_presets, time_presets)
    plot_removal_snr(os.path.join(folder, "removal-snr.png"), bench, clicked, level_presets, time_presets)
    plot_time_sweep(os.path.join(folder, "time-sweep.png"), bench, time_sweep_level, time_presets)
