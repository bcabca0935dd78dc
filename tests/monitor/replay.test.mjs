// Replay of a short recording in Debian's chromium: the timeline, a goal's button, play and
// pause; and a recording still being written is followed.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, openMonitor, ScriptedAgent, Sim, sleep, until } from './harness.mjs';

let dir, browser, replay, recorder;

const shown = (page, id) => page.locator(`#${id}`).textContent();
const position = (page) => page.evaluate(() => window.monitor.source.position);

// A synced match of two scripted agents with one goal, placed by the trainer, at about 6 s.
async function recordMatch(file) {
  const sim = await Sim.start(['--sync', '--auto-kickoff=0', `--record=${file}`]);
  const home = await ScriptedAgent.join(sim.agentPort, 'Home', 1, -3, 0);
  const away = await ScriptedAgent.join(sim.agentPort, 'Away', 1, -3, 0);
  const time = async () => Number((await sim.command('(getState)')).match(/\(time (\S+)\)/)[1]);
  const at = (s) => until(async () => (await time()) > s, 30, `${s} s of play`);
  await at(2);
  assert.equal(await sim.command('(kickOff Left)'), '(ok)');
  await at(6);
  assert.equal(await sim.command('(playMode PlayOn)'), '(ok)');
  assert.equal(await sim.command('(ball (pos 10.9 0.3 0.042) (vel 1 0 0))'), '(ok)');
  await until(async () => /\(score 1 0\)/.test(await sim.command('(getState)')), 10, 'the goal');
  await at(12);
  home.close();
  away.close();
  return sim;
}

before(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'monitor-replay-'));
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await replay?.stop();
  await recorder?.stop();
  fs.rmSync(dir, { recursive: true, force: true });
});

test('a recording replays; its goal button seeks to just before the goal, which then shows', async () => {
  const file = path.join(dir, 'match.rec.zst');
  const sim = await recordMatch(file);
  assert.equal((await sim.stop()).code, 0, sim.child.output);

  replay = await Sim.start([`--replay=${file}`]);
  const { page, errors } = await openMonitor(browser, replay.url);
  await until(async () => (await page.locator('#goals button').count()) === 1, 30, 'the goal button');
  await until(async () => (await shown(page, 'team-left')) === 'Home', 10, 'the team names');
  await page.locator('#play').click();  // pause
  await page.locator('#goals button').click();
  const goalIndex = Number(await page.locator('#goals button').getAttribute('data-index'));
  await until(async () => (await shown(page, 'score')) === '0:0', 10, '0:0 before the goal');
  const before = await position(page);
  assert.ok(Math.abs(before - (goalIndex - 150)) < 1, `at ${before}, goal at ${goalIndex}`);
  assert.ok(Number(await page.locator('#timeline').inputValue()) < goalIndex);

  await page.locator('#speed').selectOption('4');
  await page.locator('#play').click();  // play on: the goal comes within a second or so
  await until(async () => (await shown(page, 'score')) === '1:0', 10, '1:0 after the goal');
  await until(async () => (await page.locator('#events li.goal').count()) === 1, 5, 'the goal in the ticker');
  assert.match(await page.locator('#events li.goal').textContent(), /Goal Home/);
  // Seeking back to the start shows the score of then, and the trainer's tools are absent.
  await page.locator('#play').click();
  await page.locator('#timeline').fill('0');
  await until(async () => (await shown(page, 'score')) === '0:0', 5, '0:0 at the start');
  assert.equal(await page.locator('#trainer').isVisible(), false);
  assert.deepEqual(errors, []);
  await replay.stop();
  replay = null;
});

test('a recording still being written is followed to its end', async () => {
  const file = path.join(dir, 'growing.rec.zst');
  recorder = await Sim.start(['--sync', '--auto-kickoff=0', `--record=${file}`]);
  const agent = await ScriptedAgent.join(recorder.agentPort, 'Home', 1, -3, 0);
  await until(() => fs.existsSync(file) && fs.statSync(file).size > 0, 10, 'the recording');
  await sleep(1500);
  replay = await Sim.start([`--replay=${file}`]);
  const { page, errors } = await openMonitor(browser, replay.url);
  const cycles = () => page.evaluate(() => window.monitor.source?.cycles ?? 0);
  // The recorder runs below the browser's priority: on a busy machine it may crawl.
  await until(async () => (await cycles()) > 0, 120, 'the first cycles');
  const first = await cycles();
  await until(async () => (await cycles()) > first + 100, 120, 'the recording to grow on the page');
  await until(async () => (await position(page)) > first, 30, 'the page to follow the end');
  agent.close();
  assert.deepEqual(errors, []);
});
