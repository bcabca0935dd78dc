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
  // The pace the simulation achieves, measured from the stream (a real-time server: about 1).
  const pace = await until(async () => (await shown('pace')).match(/^(\d+\.\d\d)×$/), 10, 'the pace on the scoreboard');
  assert.ok(Number(pace[1]) > 0, pace[0]);

  for (const c of ['(kickOff Left)', '(playMode PlayOn)', '(ball (pos 10.9 0 0.042) (vel 1 0 0))'])
    assert.equal(await sim.command(c), '(ok)');
  await until(async () => (await shown('score')) === '1:0', 5, 'the scoreboard to show 1:0');
  await until(async () => (await page.locator('#events li.goal').count()) > 0, 5, 'the goal in the ticker');
  assert.deepEqual(errors, []);
});

test('dragging the ball or a robot on the page places it there, and the buttons set the play mode', async () => {
  const { page, errors } = await openMonitor(browser, sim.url);
  await until(() => page.evaluate(() => window.monitor?.latest?.robots.length === 2), 60, 'both robots on the page');
  const project = (x, y, z) => page.evaluate(([x, y, z]) => window.monitor.project(x, y, z), [x, y, z]);
  const drag = async (from, to) => {
    await page.mouse.move(from.x, from.y);
    await page.mouse.down();
    await page.mouse.move(to.x, to.y, { steps: 10 });
    await page.mouse.up();
  };
  const near = (pattern, x, y, d, what) => until(async () => {
    const m = (await sim.command('(getState)')).match(pattern);
    return m && Math.hypot(Number(m[1]) - x, Number(m[2]) - y) < d;
  }, 5, what);

  assert.equal(await sim.command('(ball (pos -2 -3 0.042) (vel 0 0 0))'), '(ok)');
  await until(() => page.evaluate(() => Math.abs(window.monitor.latest.ball.pos[0] + 2) < 0.01), 5, 'the ball on the page');
  await drag(await project(-2, -3, 0.042), await project(3, 2, 0));
  await near(/\(ball \(pos (\S+) (\S+)/, 3, 2, 0.2, 'the ball at (3, 2) in (getState)');

  assert.equal(await sim.command('(playMode BeforeKickOff)'), '(ok)');
  const r = await page.evaluate(() => window.monitor.latest.robots.find((r) => r.team === 'Right'));
  await drag(await project(r.pos[0], r.pos[1], r.pos[2]), await project(6, -3, 0));
  await near(/\(robot \(team Right\) \(unum 1\) \(pos (\S+) (\S+)/, 6, -3, 0.3, 'the right robot at (6, -3)');
  await page.locator('#trainer button', { hasText: 'Kick-off right' }).click();
  await until(async () => /\(playMode KickOff_Right\)/.test(await sim.command('(getState)')), 5, 'KickOff_Right');
  await page.locator('#playmode').selectOption('PlayOn');
  await until(async () => (await page.locator('#mode').textContent()) === 'PlayOn', 5, 'PlayOn on the scoreboard');
  assert.deepEqual(errors, []);
  await page.close();
});
