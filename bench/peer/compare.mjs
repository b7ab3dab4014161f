// Runs the peer's workloads and ours (Google Benchmark) alternately for several rounds and
// prints the CPU-time medians side by side.
//   node compare.mjs <bench_peer binary> [rounds]
import { execFileSync } from "node:child_process";
import { workloads } from "./workloads.mjs";

const [ours, roundsArg] = process.argv.slice(2);
const rounds = Number(roundsArg ?? 5);
const rows = [
    { name: "a display frame, 40 objects shown", peer: "displayFrame", ours: "BM_PeerDisplayFrame" },
    { name: "a position fix, 250 places", peer: "positionFix", ours: "BM_PeerPositionFix" },
    { name: "10 000 places, 250 kept", peer: "places10000", ours: "BM_PeerPlaces10000" },
];

// Mean CPU seconds per call over batches that together take about `seconds` of CPU time.
function measure(step, seconds = 0.5) {
    for (let i = 0; i < 5; ++i) step();  // warm-up (and compilation)
    let calls = 1, spent = 0;
    for (;;) {  // a batch of at least 10 ms
        const t0 = process.cpuUsage();
        for (let i = 0; i < calls; ++i) step();
        const t = process.cpuUsage(t0);
        spent = (t.user + t.system) / 1e6;
        if (spent >= 0.01) break;
        calls *= 2;
    }
    let total = spent, n = calls;
    while (total < seconds) {
        const t0 = process.cpuUsage();
        for (let i = 0; i < calls; ++i) step();
        const t = process.cpuUsage(t0);
        total += (t.user + t.system) / 1e6;
        n += calls;
    }
    return total / n;
}

const median = (xs) => {
    const s = [...xs].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

const samples = rows.map(() => ({ peer: [], ours: [] }));
const steps = rows.map((r) => workloads[r.peer]());
for (let round = 1; round <= rounds; ++round) {
    const out = execFileSync(ours, ["--benchmark_filter=BM_Peer", "--benchmark_format=json",
                                    "--benchmark_min_time=0.5"], { encoding: "utf8" });
    const results = JSON.parse(out).benchmarks;
    rows.forEach((row, i) => {
        const b = results.find((r) => r.name === row.ours);
        if (!b) throw new Error(`no ${row.ours} in ${ours}`);
        const scale = { ns: 1e-9, us: 1e-6, ms: 1e-3, s: 1 }[b.time_unit];
        samples[i].ours.push(b.cpu_time * scale);
        samples[i].peer.push(measure(steps[i]));
    });
    process.stderr.write(`round ${round} of ${rounds} done\n`);
}

const format = (s) => (s >= 1e-3 ? `${(s * 1e3).toFixed(2)} ms` : `${(s * 1e6).toFixed(2)} µs`);
console.log(`CPU-time medians of ${rounds} alternating rounds (peer: locar 0.1.9 on three.js 0.180, Node ${process.version})`);
console.log("| workload | peer | ours | peer/ours |");
console.log("|---|---|---|---|");
rows.forEach((row, i) => {
    const p = median(samples[i].peer), o = median(samples[i].ours);
    console.log(`| ${row.name} | ${format(p)} | ${format(o)} | ${(p / o).toFixed(2)} |`);
});
