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
  await at(3);  // the game clock starts 3 s after the simulation's
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
  // A finished recording opens at its start, not following its end.
  const opened = await page.evaluate(() => ({ at: window.monitor.source.position, of: window.monitor.source.cycles }));
  assert.ok(opened.at < opened.of / 2, `opened at ${opened.at} of ${opened.of}`);
  assert.equal(await page.locator('#follow').isChecked(), false);

  // The keys choose the camera after a click on a button or a choice of speed.
  const camera = () => page.locator('#cameras button.active').getAttribute('data-camera');
  await page.keyboard.press('3');
  assert.equal(await camera(), 'behindRight');
  await page.locator('#speed').selectOption('2');
  await page.keyboard.press('2');
  assert.equal(await camera(), 'behindLeft');
  await page.locator('#speed').selectOption('1');

  // One clock: the timeline's is the game clock of the scoreboard, for the frame sought.
  const seekTo = Math.floor(opened.of * 0.8);
  await page.locator('#timeline').fill(String(seekTo));
  await until(() => page.evaluate((i) => window.monitor.source.shown === i, seekTo), 2, 'the frame sought on screen');
  const clock = await shown('clock');
  assert.equal((await shown('position')).split(' / ')[0], clock);
  assert.notEqual(clock, '00:00');

  // A goal's button jumps even while "follow the end" is ticked, and unticks it.
  await page.locator('#follow').check();
  await page.locator('#goals button').click();
  assert.equal(await page.locator('#follow').isChecked(), false);
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

  // A frame stamped before the last one (its stamp is when the frame began) leaves the play
  // at its start, not before it.
  const start = await page.evaluate(() => {
    const s = window.monitor.source;
    s.seek(0);
    s.tick(s.last - 100);
    return s.position;
  });
  assert.ok(start >= 0, `at ${start}`);
  await new Promise((r) => setTimeout(r, 500));  // a chunk asked for before the start would fail
  assert.deepEqual(errors, []);
});

test('a recording that a match still writes is followed at its end', async () => {
  const file = path.join(dir, 'growing.rec.zst');
  const sim = await Sim.start(['--sync', '--pace=1', '--auto-kickoff=0', `--record=${file}`]);
  const agent = await ScriptedAgent.join(sim.agentPort, 'Home', 1, -3, 0);
  assert.equal(await sim.command('(kickOff Left)'), '(ok)');
  const watcher = await Sim.start([`--replay=${file}`]);
  try {
    const { page, errors } = await openMonitor(browser, watcher.url);
    await until(() => page.evaluate(() => document.getElementById('follow').checked), 10, 'follow the end ticked');
    // At the end: within a few seconds of what the recording holds.
    await until(() => page.evaluate(() => window.monitor.source.cycles - window.monitor.source.position < 150), 10, 'the page at the end');
    assert.deepEqual(errors, []);
  } finally {
    agent.close();
    await watcher.stop();
    await sim.stop();
  }
});
