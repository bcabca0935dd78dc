// The README's picture of a match, taken with the browser tests' chromium:
//   node tests/monitor/screenshot.mjs OUT.png
// A real-time 4 v 4 of our agent against itself, watched from the overview after kick-off.
import { launchBrowser, openMonitor, Sim, sleep, startAgent, until } from './harness.mjs';

const out = process.argv[2];
if (!out) {
  console.error('usage: node tests/monitor/screenshot.mjs OUT.png');
  process.exit(2);
}
const sim = await Sim.start(['--realtime', '--auto-kickoff=0']);
const agents = [];
const joined = async (n) => ((await sim.command('(getState)')).match(/\(robot /g) || []).length >= n;
for (const [team, key] of [['Marrowfinch', 'mfk'], ['Lanternfish', 'lfx']])
  for (let unum = 1; unum <= 4; ++unum) {
    agents.push(startAgent(sim.agentPort, unum, `--team=${team}`, `--key=${key}`));
    await until(() => joined(agents.length), 60, `agent ${team} ${unum}`);
  }
await sleep(3000);
await sim.command('(kickOff Left)');
const browser = await launchBrowser();
const { page, errors } = await openMonitor(browser, sim.url, { width: 1200, height: 675 });
await sleep(9000);
await page.screenshot({ path: out });
await browser.close();
for (const a of agents) await a.stop();
await sim.stop();
if (errors.length) console.error(errors.join('\n'));
console.log(`wrote ${out}`);
