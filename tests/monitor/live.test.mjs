// The web monitor in Debian's chromium against a real-time pitchsim with two scripted agents.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { grassShare, launchBrowser, openMonitor, ScriptedAgent, Sim, until } from './harness.mjs';

let sim, agents = [], browser;

before(async () => {
  sim = await Sim.start(['--realtime', '--auto-kickoff=0', '--half-time=100000']);
  for (const team of ['Home', 'Visitors']) agents.push(await ScriptedAgent.join(sim.agentPort, team, 1, -4, 1));
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  for (const a of agents) a.close();
  const end = await sim?.stop();
  assert.equal(end?.code, 0, sim?.child.output);
});

test('the page draws the match without a console error, and a goal placed by the trainer shows 1:0', async () => {
  const { page, errors } = await openMonitor(browser, sim.url);
  const shown = (id) => page.locator(`#${id}`).textContent();
  await until(() => page.evaluate(() => window.monitor?.latest?.robots.length === 2), 60, 'both robots on the page');
  assert.equal(await shown('team-right'), 'Visitors');
  await until(async () => (await grassShare(page)) > 0.3, 20, 'the grass drawn on a third of the page');

  for (const c of ['(kickOff Left)', '(playMode PlayOn)', '(ball (pos 10.9 0 0.042) (vel 1 0 0))'])
    assert.equal(await sim.command(c), '(ok)');
  await until(async () => (await shown('score')) === '1:0', 5, 'the scoreboard to show 1:0');
  await until(async () => (await page.locator('#events li.goal').count()) > 0, 5, 'the goal in the ticker');
  assert.deepEqual(errors, []);
});
