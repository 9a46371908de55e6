"""Reads figures of bench_encode (build/bench/encode/bench_encode) for the comparison scripts."""
import json
import os
import statistics
import subprocess


def median_of(build, name, field, repetitions=3):
    """The median of `field` over the repetitions of the one benchmark named exactly `name`
    (for example "encode/png/w:1920/h:1080/photo:1/real_time" without the suffix)."""
    out = subprocess.check_output(
        [os.path.join(build, "bench/encode/bench_encode"), f"--benchmark_filter=^{name}/",
         f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"], text=True)
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    if not runs:
        raise RuntimeError(f"bench_encode has no benchmark {name}")
    return statistics.median(b[field] for b in runs)
