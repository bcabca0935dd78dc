// The web monitor's cost to the simulation: the real-time factor of a synced 9 v 9 match of
// our agent against itself with 0, 1 and 5 viewers, and the stream's bytes per second.
//   node bench/monitor_rtf.mjs [--seconds=S] [--viewers=stream|browser]
// stream: clients that read /stream as a browser's EventSource does, without drawing;
// browser: pages of Debian's chromium (headless, software WebGL) that draw the match.
// Run it on a quiet machine: on a shared one the figures move with the others' load.
import { launchBrowser, openMonitor, setNiceness, Sim, sleep, startAgent, until } from '../tests/monitor/harness.mjs';

const arg = (name, fallback) => (process.argv.find((a) => a.startsWith(`--${name}=`)) ?? `=${fallback}`).split('=')[1];
const seconds = Number(arg('seconds', 20));
const kind = arg('viewers', 'stream');
setNiceness(0);

const sim = await Sim.start(['--sync', '--auto-kickoff=0', '--half-time=100000', '--noise=off']);
const agents = [];
const robots = async () => ((await sim.command('(getState)')).match(/\(robot /g) || []).length;
for (const [team, key] of [['Marrowfinch', 'mfk'], ['Lanternfish', 'lfx']])
  for (let unum = 1; unum <= 9; ++unum) {
    agents.push(startAgent(sim.agentPort, unum, `--team=${team}`, `--key=${key}`));
    await until(async () => (await robots()) >= agents.length, 120, `agent ${team} ${unum}`);
  }
await sim.command('(kickOff Left)');
const simTime = async () => Number((await sim.command('(getState)')).match(/\(time (\S+)\)/)[1]);

// A reader of the stream that counts what it gets.
function streamViewer() {
  const v = { bytes: 0, records: 0, abort: new AbortController() };
  v.done = fetch(`${sim.url}stream`, { signal: v.abort.signal }).then(async (res) => {
    for await (const chunk of res.body) {
      v.bytes += chunk.length;
      v.records += (Buffer.from(chunk).toString().match(/^data: /gm) || []).length;
    }
  }).catch(() => {});
  v.close = () => v.abort.abort();
  return v;
}

let browser = null;
async function browserViewer() {
  browser ??= await launchBrowser();
  const { page } = await openMonitor(browser, sim.url);
  return { close: () => page.close() };
}

const rows = [];
for (const n of [0, 1, 5]) {
  const viewers = [];
  for (let k = 0; k < n; ++k) viewers.push(kind === 'browser' ? await browserViewer() : streamViewer());
  // The stream's size is what the first stream viewer receives.
  const probe = viewers[0]?.bytes !== undefined ? viewers[0] : { bytes: NaN, records: NaN };
  await sleep(3000);
  const t0 = await simTime(), w0 = Date.now(), b0 = probe.bytes, r0 = probe.records;
  await sleep(seconds * 1000);
  const t1 = await simTime(), w1 = Date.now();
  const wall = (w1 - w0) / 1000;
  rows.push({ viewers: n, rtf: (t1 - t0) / wall, bytesPerSecond: (probe.bytes - b0) / wall,
              recordsPerSecond: (probe.records - r0) / wall });
  for (const v of viewers) await v.close();
  await sleep(1000);
}
await browser?.close();
for (const a of agents) await a.stop();
await sim.stop();

console.log(`synced 9 v 9, ${seconds} s per row, viewers: ${kind}`);
console.log('viewers  real-time factor  stream kB/s  records/s');
for (const r of rows)
  console.log(`${String(r.viewers).padStart(7)}  ${r.rtf.toFixed(2).padStart(16)}  ${(r.bytesPerSecond / 1000).toFixed(1).padStart(11)}  ${r.recordsPerSecond.toFixed(1).padStart(9)}`);
