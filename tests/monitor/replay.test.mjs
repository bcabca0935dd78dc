// Replay of a short recording in Debian's chromium: a goal's button seeks, play shows the goal.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, openMonitor, ScriptedAgent, Sim, until } from './harness.mjs';

let dir, browser, replay;

before(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'monitor-replay-'));
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await replay?.stop();
  fs.rmSync(dir, { recursive: true, force: true });
});

test('a recording replays; its goal button seeks to just before the goal, which then shows', async () => {
  // A synced match of two scripted agents with one goal, placed by the trainer at about 6 s.
  const file = path.join(dir, 'match.rec.zst');
  const sim = await Sim.start(['--sync', '--auto-kickoff=0', `--record=${file}`]);
  const agents = [await ScriptedAgent.join(sim.agentPort, 'Home', 1, -3, 0), await ScriptedAgent.join(sim.agentPort, 'Away', 1, -3, 0)];
  const at = (s) => until(async () => Number((await sim.command('(getState)')).match(/\(time (\S+)\)/)[1]) > s, 30, `${s} s of play`);
  assert.equal(await sim.command('(kickOff Left)'), '(ok)');
  await at(6);
  for (const c of ['(playMode PlayOn)', '(ball (pos 10.9 0.3 0.042) (vel 1 0 0))']) assert.equal(await sim.command(c), '(ok)');
  await until(async () => /\(score 1 0\)/.test(await sim.command('(getState)')), 10, 'the goal');
  await at(12);
  for (const a of agents) a.close();
  assert.equal((await sim.stop()).code, 0, sim.child.output);

  replay = await Sim.start([`--replay=${file}`]);
  const { page, errors } = await openMonitor(browser, replay.url);
  const shown = (id) => page.locator(`#${id}`).textContent();
  await until(async () => (await page.locator('#goals button').count()) === 1, 30, 'the goal button');
  await until(async () => (await shown('team-left')) === 'Home', 10, 'the team names');
  await page.locator('#play').click();  // pause
  await page.locator('#goals button').click();
  const goalIndex = Number(await page.locator('#goals button').getAttribute('data-index'));
  await until(async () => (await shown('score')) === '0:0', 10, '0:0 before the goal');
  const position = await page.evaluate(() => window.monitor.source.position);
  assert.ok(Math.abs(position - (goalIndex - 150)) < 1, `at ${position}, goal at ${goalIndex}`);

  await page.locator('#speed').selectOption('4');
  await page.locator('#play').click();  // play on: the goal comes within a second or so
  await until(async () => (await shown('score')) === '1:0', 10, '1:0 after the goal');
  await until(async () => (await page.locator('#events li.goal').count()) === 1, 5, 'the goal in the ticker');
  assert.match(await page.locator('#events li.goal').textContent(), /Goal Home/);
  assert.equal(await page.locator('#trainer').isVisible(), false);  // no trainer tools in a replay
  assert.deepEqual(errors, []);
});
